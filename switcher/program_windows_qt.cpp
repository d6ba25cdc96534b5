#include "switcher/program_windows_qt.h"

#include "common/ini_file.h"
#include "common/program_directory.h"
#include "switcher/file_chooser_qt.h"
#include "switcher/lang/language_window.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/options/options_window.h"
#include "switcher/window_state_qt.h"

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

ProgramWindows::ProgramWindows(common::MessageSink& sink, std::unique_ptr<common::Shell> shell,
                               std::unique_ptr<FileChooser> chooser)
    : m_sink(sink), m_programDirectory(common::ProgramDirectory()),
      m_shell(shell ? std::move(shell) : common::MakeSystemShell()),
      m_chooser(chooser ? std::move(chooser) : MakeFileDialog()),
      m_liveOptions(std::make_unique<LiveOptions>(*this)) {
    m_language.Load(m_programDirectory);
    // The options are read once, at start; their window shows them from
    // there when it is made.
    m_startSettings.Load(common::IniFile(SwitcherIniPath(m_programDirectory)));
    m_main = std::make_unique<MainWindow>(m_language, sink, *m_shell, *m_chooser);
    m_main->Attach([this]() -> LauncherWindow& { return Launcher(); }, m_liveOptions.get());
    QObject::connect(m_main.get(), &MainWindow::OptionsRequested, m_main.get(),
                     [this] { ShowRestored(Options()); });
    QObject::connect(m_main.get(), &MainWindow::LanguageRequested, m_main.get(),
                     [this] { LanguageSelection().ShowLanguages(); });
}

// The helper windows go first; the main window, which they report to, last.
ProgramWindows::~ProgramWindows() {
    m_languageWindow.reset();
    m_launcher.reset();
    m_options.reset();
    m_main.reset();
}

// The helper windows are made at their first use: most runs open few of
// them, and a start need not pay for any. Only the main window's closing
// ends the program.

LauncherWindow& ProgramWindows::Launcher() {
    if (!m_launcher) {
        m_launcher = std::make_unique<LauncherWindow>(m_language);
        m_launcher->setAttribute(Qt::WA_QuitOnClose, false);
        m_launcher->Attach(
            m_sink, *m_shell, m_main->GameLauncher(), m_main->Catalogue(),
            [this] { return m_main->SelectedIndex(); }, *m_liveOptions, m_programDirectory);
        m_main->AdoptLauncher(*m_launcher);
    }
    return *m_launcher;
}

OptionsWindow& ProgramWindows::Options() {
    if (!m_options) {
        m_options = std::make_unique<OptionsWindow>(m_language, m_sink, SwitcherIniPath(m_programDirectory),
                                                    &m_startSettings);
        m_options->setAttribute(Qt::WA_QuitOnClose, false);
        QObject::connect(m_options.get(), &OptionsWindow::ImportSaveRequested, m_main.get(),
                         [this] { m_main->ImportSave(); });
    }
    return *m_options;
}

LanguageWindow& ProgramWindows::LanguageSelection() {
    if (!m_languageWindow) {
        m_languageWindow = std::make_unique<LanguageWindow>(m_language, m_sink, m_programDirectory);
        m_languageWindow->setAttribute(Qt::WA_QuitOnClose, false);
        // One place for the program entry to listen for the end of the program.
        QObject::connect(m_languageWindow.get(), &LanguageWindow::ExitRequested, m_main.get(),
                         &MainWindow::ExitRequested);
    }
    return *m_languageWindow;
}

} // namespace switcher
