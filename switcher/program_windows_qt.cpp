#include "switcher/program_windows_qt.h"

#include "common/program_directory.h"
#include "switcher/file_chooser_qt.h"
#include "switcher/lang/language_window.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/options/options_window.h"
#include "switcher/options/switcher_settings.h"
#include "switcher/window_state_qt.h"

namespace switcher {

ProgramWindows::ProgramWindows(common::MessageSink& sink, std::unique_ptr<common::Shell> shell,
                               std::unique_ptr<FileChooser> chooser)
    : m_sink(sink), m_programDirectory(common::ProgramDirectory()),
      m_shell(shell ? std::move(shell) : common::MakeSystemShell()),
      m_chooser(chooser ? std::move(chooser) : MakeFileDialog()) {
    const std::string& programDirectory = m_programDirectory;
    m_language.Load(programDirectory);
    m_main = std::make_unique<MainWindow>(m_language, sink, *m_shell, *m_chooser);
    m_launcher = std::make_unique<LauncherWindow>(m_language);
    m_options = std::make_unique<OptionsWindow>(m_language, sink, SwitcherIniPath(programDirectory));

    // Only the main window's closing ends the program.
    for (QWidget* w : {static_cast<QWidget*>(m_launcher.get()), static_cast<QWidget*>(m_options.get())})
        w->setAttribute(Qt::WA_QuitOnClose, false);

    m_main->Attach(m_launcher.get(), m_options.get());
    m_launcher->Attach(
        sink, *m_shell, m_main->GameLauncher(), m_main->Catalogue(),
        [this] { return m_main->SelectedIndex(); }, *m_options, programDirectory);
    QObject::connect(m_main.get(), &MainWindow::OptionsRequested, m_options.get(),
                     [this] { ShowRestored(*m_options); });
    QObject::connect(m_main.get(), &MainWindow::LanguageRequested, m_main.get(),
                     [this] { LanguageSelection().ShowLanguages(); });
    QObject::connect(m_options.get(), &OptionsWindow::ImportSaveRequested, m_main.get(),
                     [this] { m_main->ImportSave(); });
}

LanguageWindow& ProgramWindows::LanguageSelection() {
    // Made at its first use: most runs never open it, and a start need not
    // pay for it.
    if (!m_languageWindow) {
        m_languageWindow = std::make_unique<LanguageWindow>(m_language, m_sink, m_programDirectory);
        m_languageWindow->setAttribute(Qt::WA_QuitOnClose, false);
        // One place for the program entry to listen for the end of the program.
        QObject::connect(m_languageWindow.get(), &LanguageWindow::ExitRequested, m_main.get(),
                         &MainWindow::ExitRequested);
    }
    return *m_languageWindow;
}

// The helper windows go first; the main window, which they report to, last.
ProgramWindows::~ProgramWindows() {
    m_languageWindow.reset();
    m_options.reset();
    m_launcher.reset();
    m_main.reset();
}

} // namespace switcher
