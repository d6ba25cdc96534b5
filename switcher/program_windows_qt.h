#pragma once

#include "common/message_sink.h"
#include "common/shell.h"
#include "switcher/catalogue.h"
#include "switcher/config_switch.h"
#include "switcher/file_chooser.h"
#include "switcher/lang/language_table.h"
#include "switcher/launch.h"
#include "switcher/options/switcher_settings.h"

#include <memory>
#include <string>

namespace switcher {

class MainWindow;
class LauncherWindow;
class OptionsWindow;
class LanguageWindow;
class DeferredHttpClient;
class GameListClient;
class LauncherFlows;

// Where the program works: worked out once at start (--root, --service) and
// handed to everything that needs it.
struct ProgramPlaces {
    std::string programDirectory; // with a trailing separator
    std::string serviceRoot;      // without a trailing slash
};

// zandrel's composition root: the engines and the windows, built in one
// place and each handed what it needs. The language table is loaded from the
// program directory, the options are read from switcher.ini, the catalogue,
// the configuration switcher and the launcher of the game's programs are made,
// and the main window is created hidden. The launcher window with its HTTP
// client, game list client and flows, and the options and language windows,
// are made when they are first needed, and wired in then.
//
// The shell and the file-open dialog are made here once; tests may hand in
// their own. A request to end the program (Fix config, a language change)
// arrives as MainWindow::ExitRequested.
class ProgramWindows {
public:
    ProgramWindows(ProgramPlaces places, common::MessageSink& sink,
                   std::unique_ptr<common::Shell> shell = nullptr,
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

    // The main window's selected mod (-1: none, or no window yet).
    int SelectedIndex() const;

    common::MessageSink& m_sink;
    const ProgramPlaces m_places;
    LanguageTable m_language;
    std::unique_ptr<common::Shell> m_shell;
    std::unique_ptr<FileChooser> m_chooser;
    SwitcherSettings m_startSettings;
    std::unique_ptr<LiveOptions> m_liveOptions;
    ModCatalogue m_catalogue;
    ConfigSwitcher m_switcher;
    switcher::Launcher m_gameLauncher;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<DeferredHttpClient> m_http;
    std::unique_ptr<GameListClient> m_client;
    std::unique_ptr<LauncherFlows> m_flows;
    std::unique_ptr<LauncherWindow> m_launcher;
    std::unique_ptr<OptionsWindow> m_options;
    std::unique_ptr<LanguageWindow> m_languageWindow;
};

} // namespace switcher
