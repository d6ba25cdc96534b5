#pragma once

#include "common/message_sink.h"
#include "switcher/background_qt.h"
#include "switcher/lang/language_table.h"

#include <string>

class QListWidget;

namespace switcher {

// The language selection window (TForm7): the installed languages in a list,
// a confirm button and an Exit button. Confirming makes the chosen language
// active and asks for the program to end; the new language holds from the
// next start.
class LanguageWindow : public BackgroundWindow {
    Q_OBJECT
public:
    // `programDirectory` ends with a separator; the languages are under its
    // zandrel\lang\.
    LanguageWindow(const LanguageTable& language, common::MessageSink& sink, std::string programDirectory,
                   QWidget* parent = nullptr);

    // Lists the languages anew and shows the window; when there is nothing to
    // list (the listing has said why) the window closes instead.
    void ShowLanguages();

signals:
    // The program is to end with `code` (after a language change).
    void ExitRequested(int code);

private:
    void Confirm();

    const LanguageTable& m_language;
    common::MessageSink& m_sink;
    std::string m_programDirectory;
    QListWidget* m_langs;
};

} // namespace switcher
