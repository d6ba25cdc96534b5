#pragma once

#include "common/message_sink.h"
#include "switcher/lang/language_table.h"

#include <memory>

namespace switcher {

class MainWindow;
class LauncherWindow;
class OptionsWindow;
class LanguageWindow;

// The switcher's windows, made the way the program starts: the language table
// is loaded from the program directory, then the windows are created hidden
// in the order main window, launcher, options, language selection (the
// options window reads switcher.ini as it is made), and wired together.
class ProgramWindows {
public:
    explicit ProgramWindows(common::MessageSink& sink);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    const LanguageTable& Language() const { return m_language; }
    MainWindow& Main() { return *m_main; }
    LauncherWindow& Launcher() { return *m_launcher; }
    OptionsWindow& Options() { return *m_options; }
    LanguageWindow& LanguageSelection() { return *m_languageWindow; }

private:
    LanguageTable m_language;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<LauncherWindow> m_launcher;
    std::unique_ptr<OptionsWindow> m_options;
    std::unique_ptr<LanguageWindow> m_languageWindow;
};

} // namespace switcher
