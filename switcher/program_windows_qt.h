#pragma once

#include "common/message_sink.h"
#include "common/shell.h"
#include "switcher/file_chooser.h"
#include "switcher/lang/language_table.h"

#include <memory>
#include <string>

namespace switcher {

class MainWindow;
class LauncherWindow;
class OptionsWindow;
class LanguageWindow;

// The switcher's windows, made the way the program starts: the language table
// is loaded from the program directory, then the windows are created hidden
// in the order main window, launcher, options (the options window reads
// switcher.ini as it is made), and wired together. The language selection is
// made when it is first asked for.
//
// The shell and the file-open dialog are made here once; tests may hand in
// their own. A request to end the program (Fix config, a language change)
// arrives as MainWindow::ExitRequested.
class ProgramWindows {
public:
    explicit ProgramWindows(common::MessageSink& sink, std::unique_ptr<common::Shell> shell = nullptr,
                            std::unique_ptr<FileChooser> chooser = nullptr);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    const LanguageTable& Language() const { return m_language; }
    MainWindow& Main() { return *m_main; }
    LauncherWindow& Launcher() { return *m_launcher; }
    OptionsWindow& Options() { return *m_options; }
    // The language selection, made at its first use.
    LanguageWindow& LanguageSelection();

private:
    common::MessageSink& m_sink;
    std::string m_programDirectory;
    LanguageTable m_language;
    std::unique_ptr<common::Shell> m_shell;
    std::unique_ptr<FileChooser> m_chooser;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<LauncherWindow> m_launcher;
    std::unique_ptr<OptionsWindow> m_options;
    std::unique_ptr<LanguageWindow> m_languageWindow;
};

} // namespace switcher
