#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace demo {

// The text of a language file (section [lang], CRLF line ends, 8-bit bytes
// in the language's code page, see LanguageCodePage) with every one of the
// switcher's 72 keys. `language` is one of kLanguages (demo_layout.h);
// anything else gives empty text.
std::string LanguageFile(std::string_view language);

// A key and its text in UTF-8, as the table holds it (before conversion).
struct LanguageText {
    std::string_view key;
    std::string_view utf8;
};

// Every key of the language with its UTF-8 text; empty for an unknown one.
std::vector<LanguageText> LanguageTexts(std::string_view language);

// The Windows code page of the language's file ("CP1251"); empty if unknown.
std::string_view LanguageCodePage(std::string_view language);

// Number of keys the language files carry.
std::size_t LanguageKeyCount();

} // namespace demo
