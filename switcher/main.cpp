// zandrel: the mod switcher and multiplayer launcher.
#include "common/console.h"
#include "common/file_system.h"
#include "common/program_directory.h"
#include "common/qt/program_options_qt.h"
#include "common/qt/termination_qt.h"
#include "common/single_instance.h"
#include "switcher/main_window.h"
#include "switcher/message_box_qt.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/program_windows_qt.h"
#include "switcher/service_address.h"
#include "switcher/window_state_qt.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

constexpr char kUsage[] = "Usage: zandrel [options]\n"
                          "The mod switcher and multiplayer launcher.\n"
                          "\n"
                          "  --root DIR         use DIR as the game's installation root (default:\n"
                          "                     $ZANDREL_ROOT when set, else the directory of this\n"
                          "                     program)\n"
                          "  --service URL      root address of the game list service\n"
                          "  --screenshot FILE  show the main window, save a picture of it to FILE, quit\n"
                          "  --help             show this text\n"
                          "  --version          show the version\n";

struct Options {
    QString root;
    QString service;
    QString screenshot;
};

// Arguments that are not options, such as a file dropped on the program,
// are named on standard error and left out; the program starts as usual.
// Unknown options ("-x", "--x") stay errors: a mistyped --root must not run
// against the wrong installation.
QStringList WithoutStrayArguments(const QStringList& args) {
    QStringList kept;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (i > 0 && !arg.startsWith(QLatin1Char('-'))) {
            std::fprintf(stderr, "zandrel: ignoring the argument %s\n", arg.toLocal8Bit().constData());
            continue;
        }
        kept << arg;
        const bool takesValue = arg == QLatin1String("--root") || arg == QLatin1String("--service") ||
                                arg == QLatin1String("--screenshot");
        if (i > 0 && takesValue && i + 1 < args.size())
            kept << args[++i];
    }
    return kept;
}

} // namespace

int main(int argc, char* argv[]) {
    common::UseParentConsole();
    // Help and version need no display and no lock.
    if (common::AnswerInfoOptions(argc, argv, "zandrel", kUsage))
        return 0;

    // Only one switcher runs; a second start ends silently. Tests and
    // benchmarks name an instance of their own in ZANDREL_INSTANCE, so that a
    // switcher running elsewhere on the machine cannot end theirs.
    const char* instance = std::getenv("ZANDREL_INSTANCE");
    if (!common::AcquireSingleInstance(instance && *instance ? instance : "VQXSwitcher"))
        return 0;

    // The web view shares GL contexts with the window; this must precede the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zandrel"));
    QApplication::setApplicationVersion(QStringLiteral(ZANDREL_VERSION));

    Options options;
    if (!common::ParseValueOptions(WithoutStrayArguments(QApplication::arguments()), "zandrel", kUsage,
                                   {{"--root", &options.root},
                                    {"--service", &options.service},
                                    {"--screenshot", &options.screenshot}}))
        return 2;
    // An installed switcher lives in bin/, away from the game; the player
    // names the game's folder once in the environment instead of every time.
    if (options.root.isEmpty())
        options.root = qEnvironmentVariable("ZANDREL_ROOT");
    switcher::ProgramPlaces places{
        .programDirectory = options.root.isEmpty()
                                ? common::ExecutableDirectory()
                                : common::AbsoluteDirectory(options.root.toLocal8Bit().toStdString()),
        .serviceRoot = switcher::ServiceRootFrom(options.service.toStdString())};
    // Descriptor paths are relative to the installation root, so it is the
    // current directory while the switcher is idle.
    common::ChangeCurrentDirectory(places.programDirectory);

    switcher::MessageBoxSink sink;
    switcher::ProgramWindows windows(std::move(places), sink);
    switcher::MainWindow& mainWindow = windows.Main();

    if (!options.screenshot.isEmpty()) {
        // Give the news page a few seconds to load, then take the picture and end.
        QObject::connect(&mainWindow, &switcher::MainWindow::Started, &app, [&] {
            QTimer::singleShot(3000, &app, [&] {
                common::SaveWindowPicture(mainWindow, options.screenshot, "zandrel");
                QApplication::exit(0);
            });
        });
    }

    // Fix config and a language change end the program with their exit code.
    QObject::connect(&mainWindow, &switcher::MainWindow::ExitRequested, &app,
                     [](int code) { QCoreApplication::exit(code); });

    // Start-up benchmarks time the program up to its first shown window.
    if (qEnvironmentVariableIntValue("ZANDREL_EXIT_ON_FIRST_SHOW") == 1) {
        QObject::connect(&mainWindow, &switcher::MainWindow::Started, &app,
                         [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); });
    }

    // Tests of the program's end open the multiplayer launcher right after
    // start-up (ZANDREL_TEST_OPEN_LAUNCHER=1), so that its host boxes hold
    // what the end must write without a click from outside the process.
    if (qEnvironmentVariableIntValue("ZANDREL_TEST_OPEN_LAUNCHER") == 1) {
        QObject::connect(&mainWindow, &switcher::MainWindow::Started, &app, [&windows] {
            QTimer::singleShot(0, qApp, [&windows] { switcher::ShowRestored(windows.Launcher()); });
        });
    }

    mainWindow.show();
    // The system's request to end (log-out, kill, Ctrl+C) ends the run as the
    // user's close of the main window does: Qt then closes every other window
    // on its way out (QCoreApplication::quit), the launcher's close writes its
    // host boxes, and the exit code is 0. quit() also covers a main window
    // that is not shown.
    const common::TerminationWatch termination([&mainWindow] {
        mainWindow.close();
        QCoreApplication::quit();
    });
    return app.exec();
}
