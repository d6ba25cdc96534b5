#include "monitor/single_instance_qt.h"
#include "tests/support/program_run_qt.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using testsupport::TempDir;

namespace {

// An instance name of this test's own, so monitors that others run on this
// machine neither disturb the test nor get disturbed.
QString OwnInstance(const char* what) {
    return QStringLiteral("varnok-test-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QLatin1String(what));
}

// Whether some process listens on the local socket `name` (an abstract Unix
// socket, listed with a leading '@').
bool Listening(const QString& name) {
    return testsupport::AbstractSocketListening(name);
}

using Run = testsupport::ProgramRun;

void Prepare(QProcess& p, const QString& instance) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VARNOK_INSTANCE"), instance);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
}

Run RunVarnok(const QStringList& args, const QString& instance) {
    QProcess p;
    Prepare(p, instance);
    return testsupport::RunToEnd(p, QStringLiteral(VARNOK_EXE), args);
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void helpVersionAndBadOptions() {
        const QString instance = OwnInstance("options");
        const Run help = RunVarnok({QStringLiteral("--help")}, instance);
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--root"));
        QVERIFY(help.out.contains("--screenshot"));

        const Run version = RunVarnok({QStringLiteral("--version")}, instance);
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("varnok " ZANDREL_VERSION "\n"));

        const Run bad = RunVarnok({QStringLiteral("--bogus")}, instance);
        QCOMPARE(bad.exitCode, 2);
        QVERIFY(bad.err.contains("--bogus"));
        const Run missing = RunVarnok({QStringLiteral("--root")}, instance);
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(missing.err.contains("needs a value"));
        for (const char* option : {"--server", "--status-file", "--verify-log", "--port"})
            QVERIFY2(help.out.contains(option), option);
        const Run badPort = RunVarnok({QStringLiteral("--port"), QStringLiteral("70000")}, instance);
        QCOMPARE(badPort.exitCode, 2);
    }

    void verifyLogNamesTheLinesThatDoNotMatch() {
        TempDir dir;
        const QString log = QString::fromStdString((dir.path() / "varnok.LOG").string());
        const QString instance = OwnInstance("verify");
        testsupport::WriteBytes(dir.path() / "varnok.LOG", "[abc] Checksum :296\r\n[abd] Checksum :296\r\n");
        const Run forged = RunVarnok({QStringLiteral("--verify-log"), log}, instance);
        QCOMPARE(forged.exitCode, 1);
        QCOMPARE(forged.out, QByteArray("2: [abd] Checksum :296\n"));

        testsupport::WriteBytes(dir.path() / "varnok.LOG", "[abc] Checksum :296\r\n");
        const Run good = RunVarnok({QStringLiteral("--verify-log"), log}, instance);
        QCOMPARE(good.exitCode, 0);
        QVERIFY(good.out.isEmpty());

        const Run missing = RunVarnok({QStringLiteral("--verify-log"), log + "-none"}, instance);
        QCOMPARE(missing.exitCode, 2);
    }

    void secondStartLeavesOnlyTheFirst() {
        TempDir dir;
        const QString instance = OwnInstance("second");
        QProcess first;
        Prepare(first, instance);
        first.start(QStringLiteral(VARNOK_EXE),
                    {QStringLiteral("--root"), QString::fromStdString(dir.str())});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(Listening(instance) || first.state() != QProcess::Running, 30000);
        QCOMPARE(first.state(), QProcess::Running);

        // Were the rule not kept, the second would run and save this picture.
        const QString picture = QString::fromStdString(dir / "second.png");
        const Run second = RunVarnok({QStringLiteral("--root"), QString::fromStdString(dir.str()),
                                      QStringLiteral("--screenshot"), picture},
                                     instance);
        QCOMPARE(second.exitCode, 0);
        QVERIFY(!QFile::exists(picture));
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();

        // The lock goes with the process: the next start runs and shows the
        // whole window.
        const Run next = RunVarnok({QStringLiteral("--root"), QString::fromStdString(dir.str()),
                                    QStringLiteral("--screenshot"), picture},
                                   instance);
        QCOMPARE(next.exitCode, 0);
        QCOMPARE(QImage(picture).size(), QSize(525, 617));
        // Nothing was logged, so no log file appeared.
        QVERIFY(!QFile::exists(QString::fromStdString(dir / "varnok.LOG")));
    }

    // "--server" on a port another program holds: the window must not say
    // "Server" while no joiner can ever connect.
    void aTakenPortKeepsTheJoinerRoleAndSaysSo() {
        TempDir dir;
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::AnyIPv4, 0));
        const QString port = QString::number(holder.serverPort());
        const QString status = QString::fromStdString(dir / "status.json");
        const Run run = RunVarnok({QStringLiteral("--root"), QString::fromStdString(dir.str()),
                                   QStringLiteral("--server"), QStringLiteral("--port"), port,
                                   QStringLiteral("--status-file"), status, QStringLiteral("--screenshot"),
                                   QString::fromStdString(dir / "window.png")},
                                  OwnInstance("taken"));
        QCOMPARE(run.exitCode, 0);
        QFile file(status);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        QCOMPARE(json.value(QStringLiteral("role")).toString(), QStringLiteral("joiner"));
        const QJsonArray log = json.value(QStringLiteral("list2")).toArray();
        QCOMPARE(log.size(), 1);
        QVERIFY2(log[0].toString().contains(port), qPrintable(log[0].toString()));
    }

    void laterStartAsksTheFirstToComeForward() {
        const QString name = OwnInstance("channel");
        QVERIFY(!monitor::InstanceChannel::ActivateFirst(name));

        monitor::InstanceChannel first(name);
        QVERIFY(first.BecomeFirst());
        QSignalSpy activated(&first, &monitor::InstanceChannel::ActivationRequested);
        monitor::InstanceChannel second(name);
        QVERIFY(!second.BecomeFirst());

        QVERIFY(monitor::InstanceChannel::ActivateFirst(name));
        QTRY_COMPARE(activated.count(), 1);
        QVERIFY(monitor::InstanceChannel::ActivateFirst(name));
        QTRY_COMPARE(activated.count(), 2);

        // A connection that says something else raises nothing.
        QLocalSocket stranger;
        stranger.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        stranger.connectToServer(name);
        QVERIFY(stranger.waitForConnected(5000));
        stranger.write("hello");
        stranger.flush();
        QTest::qWait(200);
        QCOMPARE(activated.count(), 2);
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
