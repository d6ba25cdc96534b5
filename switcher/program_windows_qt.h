#pragma once

#include "common/message_sink.h"
#include "common/shell.h"
#include "switcher/file_chooser.h"
#include "switcher/lang/language_table.h"
#include "switcher/options/switcher_settings.h"

#include <memory>
#include <string>

namespace switcher {

class MainWindow;
class LauncherWindow;
class OptionsWindow;
class LanguageWindow;

// The switcher's windows, made the way the program starts: the language table
// is loaded from the program directory, the options are read from
// switcher.ini, and the main window is created hidden. The launcher, options
// and language windows are made when they are first needed, and wired in then.
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
    // The helper windows, each made at its first use.
    LauncherWindow& Launcher();
    OptionsWindow& Options();
    LanguageWindow& LanguageSelection();

private:
    class LiveOptions;

    common::MessageSink& m_sink;
    std::string m_programDirectory;
    LanguageTable m_language;
    std::unique_ptr<common::Shell> m_shell;
    std::unique_ptr<FileChooser> m_chooser;
    SwitcherSettings m_startSettings;
    std::unique_ptr<LiveOptions> m_liveOptions;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<LauncherWindow> m_launcher;
    std::unique_ptr<OptionsWindow> m_options;
    std::unique_ptr<LanguageWindow> m_languageWindow;
};

} // namespace switcher
