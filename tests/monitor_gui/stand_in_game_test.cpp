// The window's local part against a real running stand-in game. Other
// programs on this machine may run stand-ins too, so the scan looks only at
// this test's own children.
#include "monitor/monitor_program_qt.h"
#include "monitor/peers/status_report.h"
#include "tests/support/temp_dir.h"

#include <QLabel>
#include <QProcess>
#include <QtTest>
#include <filesystem>
#include <memory>

using testsupport::TempDir;

namespace {

// The stand-in's file name on this platform (with ".exe" on Windows).
constexpr const char* kStandIn = STAND_IN_NAME;

// DIR/game/bin/ holds the stand-in and its libraries, DIR/sudtest.ini the
// game's settings, two folders up from the libraries.
struct GameInstallation {
    TempDir dir;
    QString bin = QString::fromStdString((dir.path() / "game" / "bin" / "").string());

    GameInstallation() {
        std::filesystem::create_directories(bin.toStdString());
        for (const char* file : {kStandIn, "n2text_dll.dll", "game_main.dll"})
            std::filesystem::copy_file(std::string(STAND_IN_BIN) + file, bin.toStdString() + file);
        testsupport::WriteBytes(dir.path() / "sudtest.ini", "[Game]\r\nPlayer0=Stand-in Player\r\n");
    }
};

// Waits for the stand-in's answer line to a start or a command.
bool Answered(QProcess& game) {
    while (!game.canReadLine())
        if (!game.waitForReadyRead(10000))
            return false;
    return game.readLine().trimmed() == "ok";
}

QString Label(const monitor::MonitorWindow& window, const char* name) {
    return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

} // namespace

class StandInGameTest : public QObject {
    Q_OBJECT

private slots:
    void runningGameShowsInTheWindow() {
        GameInstallation game;
        monitor::MonitorProgram program(monitor::SystemPorts(),
                                        {.StatusFile = {}, .ProgramDirectory = game.dir.str() + '/'});
        monitor::MonitorWindow& window = program.Window();
        QProcess copy;
        window.Scan().SetProcessFilter([&copy](std::uint32_t pid) {
            return copy.state() == QProcess::Running && pid == static_cast<std::uint32_t>(copy.processId());
        });

        window.Start(monitor::InspectionSettings{});
        QCOMPARE(Label(window, "surun"), QStringLiteral("0"));
        QCOMPARE(Label(window, "LocalPlayer"), QStringLiteral("Name not available! ATTENTION!"));

        copy.start(game.bin + QString::fromLatin1(kStandIn), QStringList());
        QVERIFY(copy.waitForStarted());
        QVERIFY(Answered(copy));
        // The timer's ticks pick the game up.
        QTRY_COMPARE_WITH_TIMEOUT(Label(window, "surun"), QStringLiteral("1"), 20000);
        QCOMPARE(Label(window, "LocalPlayer"), QStringLiteral("Stand-in Player"));
        QCOMPARE(Label(window, "StartetLabel"), QStringLiteral("Game not started"));

        // The game DLL loaded: the game counts as started and its file is hashed.
        copy.write("load\n");
        QVERIFY(Answered(copy));
        QTRY_COMPARE_WITH_TIMEOUT(Label(window, "StartetLabel"), QStringLiteral("Game started"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(Label(window, "Correct"), QStringLiteral("Checked !"), 20000);
        QCOMPARE(Label(window, "surun"), QStringLiteral("1"));

        copy.write("quit\n");
        QVERIFY(Answered(copy));
        // It may have ended already while its answer was read.
        QVERIFY(copy.state() == QProcess::NotRunning || copy.waitForFinished(30000));
        QTRY_COMPARE_WITH_TIMEOUT(Label(window, "surun"), QStringLiteral("0"), 20000);
    }

    // Without a genuine digest the DLL is not judged and the window says why;
    // the line that "varnok --digest" prints, pasted into varnok.ini, makes the
    // same DLL genuine.
    void genuineDigestDecidesTheDllCode() {
        GameInstallation game;
        QProcess copy;
        copy.start(game.bin + QString::fromLatin1(kStandIn), {QStringLiteral("--load-game-dll")});
        QVERIFY(copy.waitForStarted());
        QVERIFY(Answered(copy));
        const auto ownChild = [&copy](std::uint32_t pid) {
            return copy.state() == QProcess::Running && pid == static_cast<std::uint32_t>(copy.processId());
        };
        const auto dllDigits = [](monitor::MonitorWindow& window) {
            return QString::fromStdString(monitor::BuildOwnReport(window.State()).substr(6, 3));
        };

        {
            monitor::MonitorProgram program(monitor::SystemPorts(),
                                            {.StatusFile = {}, .ProgramDirectory = game.dir.str() + '/'});
            monitor::MonitorWindow& window = program.Window();
            window.Scan().SetProcessFilter(ownChild);
            window.Start(monitor::InspectionSettings{});
            QCOMPARE(Label(window, "Correct"), QStringLiteral("Checked !"));
            QCOMPARE(dllDigits(window), QStringLiteral("456"));
            QVERIFY(!window.findChild<QLabel*>(QStringLiteral("DllNotice"))->isHidden());
        }

        QProcess digest;
        digest.start(QStringLiteral(VARNOK_EXE),
                     {QStringLiteral("--digest"), game.bin + QStringLiteral("game_main.dll")});
        QVERIFY(digest.waitForFinished(20000));
        QCOMPARE(digest.exitCode(), 0);
        const QByteArray line = digest.readAllStandardOutput();
        QVERIFY2(line.startsWith("Genuine=") && line.trimmed().size() == 8 + 64, line.constData());
        testsupport::WriteBytes(game.dir.path() / "varnok.ini", "[integrity]\r\n" + line.toStdString());
        {
            monitor::MonitorProgram program(monitor::SystemPorts(),
                                            {.StatusFile = {}, .ProgramDirectory = game.dir.str() + '/'});
            monitor::MonitorWindow& window = program.Window();
            window.Scan().SetProcessFilter(ownChild);
            window.Start(monitor::ReadInspectionSettings(game.dir.str() + "varnok.ini"));
            QCOMPARE(dllDigits(window), QStringLiteral("384"));
            QVERIFY(window.findChild<QLabel*>(QStringLiteral("DllNotice"))->isHidden());
        }

        // A file that cannot be read is refused with its name.
        digest.start(QStringLiteral(VARNOK_EXE),
                     {QStringLiteral("--digest"), game.bin + QStringLiteral("missing.dll")});
        QVERIFY(digest.waitForFinished(20000));
        QCOMPARE(digest.exitCode(), 1);
        QVERIFY(digest.readAllStandardError().contains("missing.dll"));
        QVERIFY(digest.readAllStandardOutput().isEmpty());

        copy.write("quit\n");
        QVERIFY(Answered(copy));
        // It may have ended already while its answer was read.
        QVERIFY(copy.state() == QProcess::NotRunning || copy.waitForFinished(30000));
    }
};

QTEST_MAIN(StandInGameTest)
#include "stand_in_game_test.moc"
