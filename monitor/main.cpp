// varnok: the multiplayer integrity monitor.
#include "common/console.h"
#include "common/file_system.h"
#include "common/installed_layout.h"
#include "common/program_directory.h"
#include "common/qt/program_options_qt.h"
#include "monitor/digest_command.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/log/log_verify.h"
#include "monitor/monitor_program_qt.h"
#include "monitor/single_instance_qt.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

constexpr char kUsage[] = "Usage: varnok [options]\n"
                          "The multiplayer integrity monitor.\n"
                          "\n"
                          "  --root DIR         use DIR as the program directory (varnok.ini and\n"
                          "                     varnok.LOG live there; default: the directory of\n"
                          "                     this program, or ~/.local/share/varnok when it is\n"
                          "                     installed in a bin/ folder)\n"
                          "  --server           start in the server role, as if \"I am Server\" were\n"
                          "                     pressed after start-up\n"
                          "  --status-file PATH after every evaluation, replace PATH atomically with a\n"
                          "                     UTF-8 JSON object: role, state_text, label3, label6,\n"
                          "                     surun, started, checked, peer_table (61 entries),\n"
                          "                     list1 (status lines), list2 (log lines), ...\n"
                          "  --port N           TCP port of the monitors' links (default 12125; every\n"
                          "                     monitor of a game must use the same)\n"
                          "  --verify-log FILE  check every line of a varnok.LOG against its checksum:\n"
                          "                     print each line that does not match with its line\n"
                          "                     number; exit 0 when all match, 1 otherwise\n"
                          "  --digest FILE      print the line that names FILE the genuine game DLL;\n"
                          "                     paste it under [integrity] in varnok.ini\n"
                          "  --screenshot FILE  show the window, save a picture of it to FILE after\n"
                          "                     about 3 seconds, quit\n"
                          "  --help             show this text\n"
                          "  --version          show the version\n";

struct Options {
    QString root;
    QString screenshot;
    QString statusFile;
    QString port;
};

// --verify-log FILE: answered without a window. Returns -1 when not asked.
int VerifyLogOption(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verify-log") != 0)
            continue;
        if (i + 1 >= argc) {
            std::cerr << "varnok: --verify-log needs a file\n";
            return 2;
        }
        std::ifstream file(argv[i + 1], std::ios::binary);
        if (!file) {
            std::cerr << "varnok: cannot read " << argv[i + 1] << "\n";
            return 2;
        }
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const auto mismatches = monitor::VerifyLog(bytes);
        for (const auto& m : mismatches)
            std::cout << m.LineNumber << ": " << m.Line << "\n";
        return mismatches.empty() ? 0 : 1;
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    common::UseParentConsole();
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

    if (const int verified = VerifyLogOption(argc, argv); verified >= 0)
        return verified;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("varnok"));
    QApplication::setApplicationVersion(QStringLiteral(ZANDREL_VERSION));

    Options options;
    QStringList args = QApplication::arguments();
    const bool asServer = args.removeAll(QStringLiteral("--server")) > 0;
    if (!common::ParseValueOptions(args, "varnok", kUsage,
                                   {{"--root", &options.root},
                                    {"--screenshot", &options.screenshot},
                                    {"--status-file", &options.statusFile},
                                    {"--port", &options.port}}))
        return 2;
    monitor::MonitorOptions monitorOptions;
    if (!options.port.isEmpty()) {
        bool ok = false;
        const int port = options.port.toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            std::cerr << "varnok: --port needs a number from 1 to 65535\n";
            return 2;
        }
        monitorOptions.MonitorPort = port;
    }
    monitorOptions.StatusFile = options.statusFile.toLocal8Bit().toStdString();
    monitorOptions.ProgramDirectory = common::ExecutableDirectory();
    if (!options.root.isEmpty()) {
        monitorOptions.ProgramDirectory = common::AbsoluteDirectory(options.root.toLocal8Bit().toStdString());
    } else if (common::RunsInstalled("varnok")) {
        // An installed monitor cannot write beside itself: its settings and
        // log live in the player's own data folder.
        const std::string data = common::UserDataDirectory("varnok");
        std::error_code error;
        if (!data.empty()) {
            std::filesystem::create_directories(data, error);
            if (!error)
                monitorOptions.ProgramDirectory = common::AbsoluteDirectory(data);
        }
    }

    // A second monitor brings the first one forward and ends without a window.
    monitor::InstanceChannel instance(monitor::InstanceName());
    if (!instance.BecomeFirst()) {
        monitor::InstanceChannel::ActivateFirst(monitor::InstanceName());
        return 0;
    }

    const std::string inspectionIni =
        common::JoinPath(monitorOptions.ProgramDirectory, monitor::kInspectionIniName);
    monitor::MonitorProgram program(monitor::SystemPorts(), std::move(monitorOptions));
    monitor::MonitorWindow& window = program.Window();
    QObject::connect(&instance, &monitor::InstanceChannel::ActivationRequested, &window,
                     &monitor::MonitorWindow::Activate);
    window.show();
    window.Start(monitor::ReadInspectionSettings(inspectionIni), asServer);

    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(3000, &app, [&] {
            common::SaveWindowPicture(window, options.screenshot, "varnok");
            QApplication::exit(0);
        });
    }
    return app.exec();
}
