#pragma once

#include "common/message_sink.h"
#include "common/shell.h"
#include "switcher/background_qt.h"
#include "switcher/catalogue.h"
#include "switcher/config_switch.h"
#include "switcher/file_chooser.h"
#include "switcher/lang/language_table.h"
#include "switcher/launch.h"
#include "switcher/options/options_view.h"

#include <QImage>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;

namespace switcher {

class LauncherWindow;
struct ModDisplay;
class NewsView;

// What the main window works with, built by the program's composition root
// (ProgramWindows). Everything must outlive the window.
struct MainWindowParts {
    const LanguageTable& language;
    common::MessageSink& sink;
    common::Shell& shell;
    FileChooser& chooser;
    ModCatalogue& catalogue;
    ConfigSwitcher& switcher;
    Launcher& launcher;
    std::string programDirectory; // with a trailing separator
    std::string serviceRoot;
};

// The main window (TForm1): the mod list, the selected mod's name, banner and
// news page, and the commands. The rules live in the engines it is handed:
// the catalogue, the configuration switcher (owner of lastmode) and the
// launcher of the game's programs; the window forwards clicks to them.
class MainWindow : public BackgroundWindow {
    Q_OBJECT
public:
    // Checks that the mod root exists (a message on the sink when it does not).
    explicit MainWindow(MainWindowParts parts, QWidget* parent = nullptr);

    // The windows whose state follows the selected mod or feeds it; set
    // before the window is first shown. The launcher window is made by
    // `launcher` when it is first needed, and handed back through
    // AdoptLauncher.
    void Attach(std::function<LauncherWindow&()> launcher, const OptionsView* options);
    // The launcher window, once made: from now on it follows the selected mod.
    void AdoptLauncher(LauncherWindow& launcher);

    int SelectedIndex() const;
    const std::string& LastMode() const { return m_switcher.LastMode(); }
    const std::string& MapName() const { return m_mapname; }
    std::string VersionText() const;
    const ModCatalogue& Catalogue() const { return m_catalogue; }

    // Refreshes every display that depends on the selected mod.
    void ShowModInfo();

    // Registers the selected mod's save-game players in its settings (the
    // Import Save buttons of this window and of the options window).
    void ImportSave();

signals:
    void OptionsRequested();
    void LanguageRequested();
    // Emitted once, after the first show has selected the installed mod.
    void Started();
    // The program is to end with `code` (after Fix config). The program entry
    // turns this into the application's exit; tests observe it.
    void ExitRequested(int code);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void FirstShow();
    // The user picked another mod in `mode`.
    void OnModeChanged(int index);
    void ShowModInLauncher(const ModDisplay& display, const QImage& banner);

    const ModRecord& SelectedMod() const;
    // SwitchConfig with the selected acronym; false when nothing is selected
    // or the switch stopped (the command that asked for it stops too).
    bool SwitchToSelected();
    // Opens a field of the selected mod as a page or file.
    // Opens one of the selected mod's addresses (ReadmeUrl, ForumUrl, ...).
    void OpenSelected(std::string ModRecord::*address);

    void Multiplayer();
    void SelectMap();
    void Bootstrap();
    void FixConfig();

    const LanguageTable& m_language;
    common::MessageSink& m_sink;
    common::Shell& m_shell;
    FileChooser& m_chooser;
    ModCatalogue& m_catalogue;
    ConfigSwitcher& m_switcher;
    Launcher& m_launcher;
    const std::string m_programDirectory;
    const std::string m_serviceRoot;
    std::function<LauncherWindow&()> m_makeLauncher;
    LauncherWindow* m_launcherWindow = nullptr; // once made
    const OptionsView* m_options = nullptr;

    std::string m_mapname;
    bool m_started = false;

    QComboBox* m_mode = nullptr;
    QLabel* m_modename = nullptr;
    QLabel* m_banner = nullptr;
    QLabel* m_version = nullptr;
    QPushButton* m_modSetup = nullptr;
    NewsView* m_news = nullptr;
};

} // namespace switcher
