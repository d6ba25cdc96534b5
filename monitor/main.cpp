// varnok: the multiplayer integrity monitor.
#include "common/file_system.h"
#include "common/program_directory.h"
#include "common/qt/program_options_qt.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/monitor_window.h"
#include "monitor/single_instance_qt.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

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

} // namespace

int main(int argc, char* argv[]) {
    // Help and version need no display and no lock.
    if (common::AnswerInfoOptions(argc, argv, "varnok", kUsage))
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("varnok"));
    QApplication::setApplicationVersion(QStringLiteral(ZANDREL_VERSION));

    Options options;
    if (!common::ParseValueOptions(QApplication::arguments(), "varnok", kUsage,
                                   {{"--root", &options.root}, {"--screenshot", &options.screenshot}}))
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
    QObject::connect(&instance, &monitor::InstanceChannel::ActivationRequested, &window,
                     &monitor::Form1::Activate);
    window.show();
    window.Start(monitor::ReadInspectionSettings(
        common::JoinPath(common::ProgramDirectory(), monitor::kInspectionIniName)));

    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(3000, &app, [&] {
            common::SaveWindowPicture(window, options.screenshot, "varnok");
            QApplication::exit(0);
        });
    }
    return app.exec();
}
