#include "demo_fixture.h"
#include "tests/gamelist_service/service_client.h"
#include "tests/support/program_run_qt.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QtTest>
#include <csignal>

using guitest::DemoInstallation;

namespace {

// Whether some process holds the switcher's single-instance name.
bool InstanceLockHeld() {
    return testsupport::AbstractSocketListening(QStringLiteral("VQXSwitcher"));
}

using Run = testsupport::ProgramRun;

Run RunZandrel(const QStringList& args, int timeoutMs = 60000) {
    QProcess p;
    return testsupport::RunToEnd(p, QStringLiteral(ZANDREL_EXE), args, timeoutMs);
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void helpVersionAndBadOptions() {
        const Run help = RunZandrel({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--root"));
        QVERIFY(help.out.contains("--version"));

        const Run version = RunZandrel({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("zandrel " ZANDREL_VERSION "\n"));

        if (InstanceLockHeld())
            QSKIP("another zandrel is running on this machine");
        const Run bad = RunZandrel({QStringLiteral("--bogus")});
        QVERIFY(bad.exitCode != 0 && bad.exitCode != -1);
        QVERIFY(bad.err.contains("--bogus"));
        const Run missing = RunZandrel({QStringLiteral("--root")});
        QVERIFY(missing.exitCode != 0 && missing.exitCode != -1);
    }

    void startsOnTheDemoAndEndsWithZero() {
        if (InstanceLockHeld())
            QSKIP("another zandrel is running on this machine");
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=rwm\r\n[misc]\r\nViewNews=0\r\n");
        const QString picture = demoDir.File("shot.png");
        const Run run =
            RunZandrel({QStringLiteral("--root"), demoDir.Path(), QStringLiteral("--screenshot"), picture});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.isEmpty(), run.out.constData());
        const QImage shot(picture);
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.size(), QSize(794, 433));
        // Showing the installed mod wrote nothing.
        QCOMPARE(demoDir.ReadFile("switcher.ini"),
                 QByteArray("[game]\r\nmode=rwm\r\n[misc]\r\nViewNews=0\r\n"));
    }

    void strayArgumentsAreNamedAndIgnored() {
        if (InstanceLockHeld())
            QSKIP("another zandrel is running on this machine");
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=rwm\r\n[misc]\r\nViewNews=0\r\n");
        const QString picture = demoDir.File("shot.png");
        const Run run =
            RunZandrel({QStringLiteral("dropped save.sav"), QStringLiteral("--root"), demoDir.Path(),
                        QStringLiteral("--screenshot"), picture, QStringLiteral("other.txt")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("dropped save.sav"));
        QVERIFY(run.err.contains("other.txt"));
        QVERIFY(!QImage(picture).isNull());
    }

    void secondInstanceEndsSilently() {
        if (InstanceLockHeld())
            QSKIP("another zandrel is running on this machine");
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[misc]\r\nViewNews=0\r\n");

        QProcess first;
        first.start(QStringLiteral(ZANDREL_EXE), {QStringLiteral("--root"), demoDir.Path()});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(InstanceLockHeld() || first.state() != QProcess::Running, 30000);
        QCOMPARE(first.state(), QProcess::Running);

        // Were the lock not honoured, the second would run and save this picture.
        const QString picture = demoDir.File("second.png");
        const Run second =
            RunZandrel({QStringLiteral("--root"), demoDir.Path(), QStringLiteral("--screenshot"), picture});
        QCOMPARE(second.exitCode, 0);
        QVERIFY(second.out.isEmpty());
        QVERIFY(second.err.isEmpty());
        QVERIFY(!QFile::exists(picture));
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        first.waitForFinished();
    }

    // The system's request to end (SIGTERM at log-out or from kill, SIGINT
    // from a terminal, SIGHUP after SIGTERM at log-out) ends zandrel as the
    // close of its main window does. The launcher is open, and its host boxes
    // hold values that switcher.ini no longer has: only the launcher's close
    // can bring them back.
    void aSignalEndsAsACloseDoes_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void aSignalEndsAsACloseDoes() {
        QFETCH(int, signal);
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        const QByteArray settings = "[game]\r\nmode=cdv\r\n[misc]\r\nViewNews=0\r\n";
        demoDir.WriteFile("switcher.ini", settings + "[launcher]\r\nusername=Red Tank\r\nmap=Dunes\r\n"
                                                     "comment=gg\r\nplayers=3vs3\r\n");
        servicetest::Service service;
        QVERIFY(service.Port() > 0);

        QProcess zandrel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZANDREL_INSTANCE"),
                   QStringLiteral("zandrel-program-test-%1").arg(QCoreApplication::applicationPid()));
        env.insert(QStringLiteral("ZANDREL_SERVICE"), QString::fromStdString(service.Root()));
        env.insert(QStringLiteral("ZANDREL_TEST_OPEN_LAUNCHER"), QStringLiteral("1"));
        zandrel.setProcessEnvironment(env);
        // As a shell starts a program in the foreground: a test run in the
        // background may have SIGINT ignored, and ignored signals stay ignored.
        zandrel.setChildProcessModifier([] {
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGHUP, SIG_DFL);
        });
        zandrel.start(QStringLiteral(ZANDREL_EXE), {QStringLiteral("--root"), demoDir.Path()});
        // The launcher fills its boxes from the file before it asks for the list.
        QTRY_VERIFY_WITH_TIMEOUT(
            service.Requests("strippedV2") > 0 || zandrel.state() == QProcess::NotRunning, 60000);
        QCOMPARE(zandrel.state(), QProcess::Running);
        demoDir.WriteFile("switcher.ini", settings);

        QCOMPARE(kill(static_cast<pid_t>(zandrel.processId()), signal), 0);
        QVERIFY(zandrel.waitForFinished(60000));
        QCOMPARE(zandrel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(zandrel.exitCode(), 0);
        const QByteArray written = demoDir.ReadFile("switcher.ini");
        for (const char* line : {"username=Red Tank\r\n", "map=Dunes\r\n", "comment=gg\r\n",
                                 "players=3vs3\r\n", "Author=zandrel team\r\n"})
            QVERIFY2(written.contains(line), written.constData());
        QVERIFY(written.startsWith(settings));
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
