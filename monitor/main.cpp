// varnok: the multiplayer integrity monitor.
#include "common/file_system.h"
#include "common/program_directory.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/monitor_window.h"
#include "monitor/single_instance_qt.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kUsage[] = "Usage: varnok [options]\n"
                          "The multiplayer integrity monitor.\n"
                          "\n"
                          "  --root DIR         use DIR as the program directory (varnok.ini and\n"
                          "                     varnok.LOG live there; default: the directory of\n"
                          "                     this program)\n"
                          "  --screenshot FILE  show the window, save a picture of it to FILE after\n"
                          "                     about 3 seconds, quit\n"
                          "  --help             show this text\n"
                          "  --version          show the version\n";

struct Options {
    QString root;
    QString screenshot;
};

// Reads our options from the arguments that Qt left. False after printing
// the reason for a bad command line.
bool ParseOptions(const QStringList& args, Options& options) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = a == QLatin1String("--root")         ? &options.root
                          : a == QLatin1String("--screenshot") ? &options.screenshot
                                                               : nullptr;
        if (!target) {
            std::fprintf(stderr, "varnok: unknown option %s\n%s", a.toLocal8Bit().constData(), kUsage);
            return false;
        }
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "varnok: %s needs a value\n", a.toLocal8Bit().constData());
            return false;
        }
        *target = args[++i];
    }
    return true;
}

// A picture of the window as the screen shows it, else the widget's own rendering.
void SaveScreenshot(QWidget& window, const QString& file) {
    QPixmap picture;
    if (QScreen* screen = window.screen())
        picture = screen->grabWindow(window.winId());
    if (picture.isNull())
        picture = window.grab();
    if (!picture.save(file))
        std::fprintf(stderr, "varnok: cannot write %s\n", file.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char* argv[]) {
    // Help and version need no display and no lock.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("varnok %s\n", ZANDREL_VERSION);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("varnok"));
    QApplication::setApplicationVersion(QStringLiteral(ZANDREL_VERSION));

    Options options;
    if (!ParseOptions(QApplication::arguments(), options))
        return 2;
    if (!options.root.isEmpty())
        common::SetProgramDirectory(options.root.toLocal8Bit().toStdString());

    // A second monitor brings the first one forward and ends without a window.
    monitor::InstanceChannel instance(monitor::InstanceName());
    if (!instance.BecomeFirst()) {
        monitor::InstanceChannel::ActivateFirst(monitor::InstanceName());
        return 0;
    }

    monitor::Form1 window(monitor::SystemPorts());
    QObject::connect(&instance, &monitor::InstanceChannel::ActivationRequested, &window, &monitor::Form1::Activate);
    window.show();
    window.Start(monitor::ReadInspectionSettings(
        common::JoinPath(common::ProgramDirectory(), monitor::kInspectionIniName)));

    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(3000, &app, [&] {
            SaveScreenshot(window, options.screenshot);
            QApplication::exit(0);
        });
    }
    return app.exec();
}
