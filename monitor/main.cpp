// varnok: the multiplayer integrity monitor.
#include "common/file_system.h"
#include "common/program_directory.h"
#include "common/qt/program_options_qt.h"
#include "monitor/digest_command.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/monitor_window.h"
#include "monitor/single_instance_qt.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstring>
#include <iostream>

namespace {

constexpr char kUsage[] = "Usage: varnok [options]\n"
                          "The multiplayer integrity monitor.\n"
                          "\n"
                          "  --root DIR         use DIR as the program directory (varnok.ini and\n"
                          "                     varnok.LOG live there; default: the directory of\n"
                          "                     this program)\n"
                          "  --digest FILE      print the line that names FILE the genuine game DLL;\n"
                          "                     paste it under [integrity] in varnok.ini\n"
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
    // So does the digest of a game DLL.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--digest") != 0)
            continue;
        if (i + 1 >= argc) {
            std::cerr << "varnok: --digest needs a file\n" << kUsage;
            return 2;
        }
        return monitor::PrintGenuineDigest(argv[i + 1], std::cout, std::cerr);
    }

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
