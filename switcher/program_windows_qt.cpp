#include "switcher/program_windows_qt.h"

#include "common/program_directory.h"
#include "switcher/lang/language_window.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/options/options_window.h"
#include "switcher/options/switcher_settings.h"

namespace switcher {

namespace {

// Brings a window up in its normal size, also from minimised.
void ShowRestored(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

ProgramWindows::ProgramWindows(common::MessageSink& sink) {
    m_language.Load(common::ProgramDirectory());
    m_main = std::make_unique<MainWindow>(m_language, sink);
    m_launcher = std::make_unique<LauncherWindow>(m_language);
    m_options =
        std::make_unique<OptionsWindow>(m_language, sink, SwitcherIniPath(common::ProgramDirectory()));
    m_languageWindow = std::make_unique<LanguageWindow>(m_language);

    // Only the main window's closing ends the program.
    for (QWidget* w : {static_cast<QWidget*>(m_launcher.get()), static_cast<QWidget*>(m_options.get()),
                       static_cast<QWidget*>(m_languageWindow.get())})
        w->setAttribute(Qt::WA_QuitOnClose, false);

    m_main->Attach(m_launcher.get(), m_options.get());
    QObject::connect(m_main.get(), &MainWindow::OptionsRequested, m_options.get(),
                     [this] { ShowRestored(*m_options); });
    QObject::connect(m_main.get(), &MainWindow::LanguageRequested, m_languageWindow.get(),
                     [this] { ShowRestored(*m_languageWindow); });
}

// The helper windows go first; the main window, which they report to, last.
ProgramWindows::~ProgramWindows() {
    m_languageWindow.reset();
    m_options.reset();
    m_launcher.reset();
    m_main.reset();
}

} // namespace switcher
