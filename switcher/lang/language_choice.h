#pragma once

#include "common/message_sink.h"
#include "switcher/lang/language_table.h"

#include <string>
#include <string_view>
#include <vector>

namespace switcher {

// The installed languages: the "*.ini" files of programDirectory +
// "zandrel\lang\", each named by its file name up to the first full stop, in
// listing order. Shows LangSelect.error1 (no directory) or LangSelect.error2
// (no file) on the sink, as written, and returns an empty list then; the
// language window closes in both cases.
std::vector<std::string> ListLanguages(std::string_view programDirectory, const LanguageTable& language,
                                       common::MessageSink& sink);

// Makes a listed language active: copies its file over zandrel\lang.ini as a
// whole (a failed copy is not reported). The caller then shows
// LangSelect.Change and ends the program with exit code 1.
void ApplyLanguage(std::string_view programDirectory, std::string_view name);

} // namespace switcher
