#include "switcher/program_windows_qt.h"

#include "common/ini_file.h"
#include "switcher/file_chooser_qt.h"
#include "switcher/lang/language_window.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/game_list_client.h"
#include "switcher/multiplayer/http_module_qt.h"
#include "switcher/multiplayer/launcher_flows.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/options/options_window.h"
#include "switcher/window_state_qt.h"

#include <utility>

namespace switcher {

// The options as they stand: the options window's boxes once it is made, the
// settings read at start until then.
class ProgramWindows::LiveOptions : public OptionsView {
public:
    explicit LiveOptions(const ProgramWindows& windows) : m_windows(windows) {}
    bool ViewNews() const override { return Current().viewNews; }
    bool LaunchWhenHost() const override { return Current().launchWhenHost; }
    bool FetchSelectedIp() const override { return Current().fetchSelected; }
    bool FetchAll() const override { return Current().fetchAll; }

private:
    SwitcherSettings Current() const {
        return m_windows.m_options ? m_windows.m_options->Settings() : m_windows.m_startSettings;
    }
    const ProgramWindows& m_windows;
};

ProgramWindows::ProgramWindows(ProgramPlaces places, common::MessageSink& sink,
                               std::unique_ptr<common::Shell> shell, std::unique_ptr<FileChooser> chooser)
    : m_sink(sink), m_places(std::move(places)),
      m_shell(shell ? std::move(shell) : common::MakeSystemShell()),
      m_chooser(chooser ? std::move(chooser) : MakeFileDialog()),
      m_liveOptions(std::make_unique<LiveOptions>(*this)),
      m_switcher(m_catalogue, m_language, sink, m_places.programDirectory),
      m_gameLauncher(m_catalogue, m_language, sink, *m_shell, m_places.programDirectory,
                     [this] { return SelectedIndex(); }) {
    m_language.Load(m_places.programDirectory);
    // The options are read once, at start; their window shows them from
    // there when it is made.
    m_startSettings.Load(common::IniFile(SwitcherIniPath(m_places.programDirectory)));
    m_main = std::make_unique<MainWindow>(MainWindowParts{.language = m_language,
                                                          .sink = sink,
                                                          .shell = *m_shell,
                                                          .chooser = *m_chooser,
                                                          .catalogue = m_catalogue,
                                                          .switcher = m_switcher,
                                                          .launcher = m_gameLauncher,
                                                          .programDirectory = m_places.programDirectory,
                                                          .serviceRoot = m_places.serviceRoot});
    m_main->Attach([this]() -> LauncherWindow& { return Launcher(); }, m_liveOptions.get());
    QObject::connect(m_main.get(), &MainWindow::OptionsRequested, m_main.get(),
                     [this] { ShowRestored(Options()); });
    QObject::connect(m_main.get(), &MainWindow::LanguageRequested, m_main.get(),
                     [this] { LanguageSelection().ShowLanguages(); });
}

// The helper windows go first; the main window, which they report to, last.
// Requests still waiting must not call back into the launcher's flows: the
// HTTP client goes before them.
ProgramWindows::~ProgramWindows() {
    m_languageWindow.reset();
    m_http.reset();
    m_launcher.reset();
    m_flows.reset();
    m_client.reset();
    m_options.reset();
    m_main.reset();
}

int ProgramWindows::SelectedIndex() const {
    return m_main ? m_main->SelectedIndex() : -1;
}

// The helper windows are made at their first use: most runs open few of
// them, and a start need not pay for any. Only the main window's closing
// ends the program.

LauncherWindow& ProgramWindows::Launcher() {
    if (!m_launcher) {
        m_launcher = std::make_unique<LauncherWindow>(m_language);
        m_launcher->setAttribute(Qt::WA_QuitOnClose, false);
        const auto serviceRoot = [root = m_places.serviceRoot] { return root; };
        m_http = std::make_unique<DeferredHttpClient>(&m_sink);
        m_client = std::make_unique<GameListClient>(*m_http, m_sink, serviceRoot);
        m_flows = std::make_unique<LauncherFlows>(
            LauncherContext{m_language, m_sink, *m_client, m_gameLauncher, m_catalogue,
                            [this] { return SelectedIndex(); }, *m_liveOptions, m_places.programDirectory,
                            serviceRoot},
            m_launcher->View());
        m_launcher->Attach(
            *m_flows, *m_shell, [this]() -> const ModRecord& { return m_catalogue.Record(SelectedIndex()); },
            m_places.serviceRoot);
        m_main->AdoptLauncher(*m_launcher);
    }
    return *m_launcher;
}

OptionsWindow& ProgramWindows::Options() {
    if (!m_options) {
        m_options = std::make_unique<OptionsWindow>(
            m_language, m_sink, SwitcherIniPath(m_places.programDirectory), &m_startSettings);
        m_options->setAttribute(Qt::WA_QuitOnClose, false);
        QObject::connect(m_options.get(), &OptionsWindow::ImportSaveRequested, m_main.get(),
                         [this] { m_main->ImportSave(); });
    }
    return *m_options;
}

LanguageWindow& ProgramWindows::LanguageSelection() {
    if (!m_languageWindow) {
        m_languageWindow = std::make_unique<LanguageWindow>(m_language, m_sink, m_places.programDirectory);
        m_languageWindow->setAttribute(Qt::WA_QuitOnClose, false);
        // One place for the program entry to listen for the end of the program.
        QObject::connect(m_languageWindow.get(), &LanguageWindow::ExitRequested, m_main.get(),
                         &MainWindow::ExitRequested);
    }
    return *m_languageWindow;
}

} // namespace switcher
