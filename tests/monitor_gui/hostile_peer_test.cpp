// A real varnok server on loopback with one honest joiner, attacked by
// hostile peers: garbage, broken prefixes, over-long and malformed frames,
// slot digits out of range, a flood of connections and a peer that stalls
// after a prefix. The server must keep relaying to the honest joiner and
// keep its memory bounded.
#include "monitor/peers/frame.h"
#include "tests/support/fake_sockets.h"
#include "tests/support/temp_dir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>
#include <vector>

namespace {

int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

long ResidentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QJsonObject Status(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// An honest joiner: reports every few seconds and collects what it receives.
class HonestJoiner {
public:
    QTcpSocket socket;
    QByteArray received;

    bool Connect(int port) {
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        return socket.waitForConnected(5000);
    }
    void Report() {
        socket.write(QByteArray::fromStdString(monitor::EncodeFrame("72110245600Honest")));
        socket.flush();
    }
    std::vector<std::string> Frames() const { return monitortest::Payloads(received.toStdString()); }
};

// A real varnok server on a free loopback port, writing its status file.
struct RunningServer {
    testsupport::TempDir dir;
    int port = FreePort();
    QString status = QString::fromStdString((dir.path() / "status.json").string());
    QProcess server;

    bool Start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VARNOK_INSTANCE"), QStringLiteral("varnok-hostile-%1").arg(port));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        server.setProcessEnvironment(env);
        server.start(QStringLiteral(VARNOK_EXE),
                     {QStringLiteral("--server"), QStringLiteral("--port"), QString::number(port),
                      QStringLiteral("--root"), QString::fromStdString(dir.str()),
                      QStringLiteral("--status-file"), status});
        if (!server.waitForStarted())
            return false;
        QElapsedTimer waited;
        waited.start();
        while (Status(status).value(QStringLiteral("role")).toString() != "server") {
            if (waited.elapsed() > 15000)
                return false;
            QTest::qWait(100);
        }
        return true;
    }
};

} // namespace

class HostilePeerTest : public QObject {
    Q_OBJECT

private slots:
    void serverKeepsRelayingUnderAttack() {
        RunningServer run;
        QVERIFY(run.Start());
        const int port = run.port;
        const QString& status = run.status;
        QProcess& server = run.server;

        HonestJoiner honest;
        QVERIFY(honest.Connect(port));
        honest.Report();
        QTRY_VERIFY_WITH_TIMEOUT(honest.Frames().size() >= 31, 20000);
        const long before = ResidentKiB(server.processId());

        // The attack.
        std::vector<std::unique_ptr<QTcpSocket>> hostile;
        const auto attack = [&](const QByteArray& bytes) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
            if (socket->waitForConnected(2000)) {
                socket->write(bytes);
                socket->flush();
            }
            hostile.push_back(std::move(socket));
        };
        QByteArray garbage;
        for (int i = 0; i < 3000; ++i)
            garbage += static_cast<char>((i * 131 + 7) % 256);
        attack(garbage);
        attack("x7" + QByteArray(50, 'y'));
        attack("99" + QByteArray(5000, '1'));
        attack("05Empty16Empty01127.0.0.1 ");
        attack("2019910238499SlotNine");
        attack("9");                    // a prefix, then nothing
        attack("1519910238400Some");    // half a frame, then nothing
        for (int i = 0; i < 500; ++i) { // connection attempts, closed at once
            QTcpSocket quick;
            quick.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
            quick.waitForConnected(2000);
            quick.abort();
        }
        for (int i = 0; i < 60; ++i) // more peers than the server has slots, held open
            attack(QByteArray());

        // The honest joiner still gets two further rounds of relays, and its
        // own entry comes back to it.
        honest.received.clear();
        honest.Report();
        QTRY_VERIFY_WITH_TIMEOUT(honest.Frames().size() >= 62, 30000);
        bool sawSelf = false;
        for (const std::string& frame : honest.Frames())
            sawSelf = sawSelf || frame.find("127.0.0.1 Honest") != std::string::npos;
        QVERIFY(sawSelf);
        for (const std::string& frame : honest.Frames()) {
            QVERIFY(frame.size() <= monitor::kMaxPayload);
            QVERIFY2(frame.rfind("Empty", 0) == 0 || monitor::HasReportShape(frame), frame.c_str());
        }
        const QJsonArray table = Status(status).value(QStringLiteral("peer_table")).toArray();
        QCOMPARE(table.size(), 61);
        for (const auto& entry : table) {
            const std::string text = entry.toString().toStdString();
            QVERIFY2(text == "Empty" || monitor::HasReportShape(text), text.c_str());
        }

        const long after = ResidentKiB(server.processId());
        QVERIFY(before > 0 && after > 0);
        QVERIFY2(after < before + 16 * 1024,
                 qPrintable(QStringLiteral("%1 KiB -> %2 KiB").arg(before).arg(after)));
        QCOMPARE(server.state(), QProcess::Running);
        server.kill();
        server.waitForFinished();
    }

    // One address asking for 40 slots, a peer that never reads, and names
    // with CR, LF, NUL and escape bytes: honest joiners from other addresses
    // still get in, and no control byte reaches a list, the status file or
    // the log, which still verifies.
    void addressFloodNonReaderAndControlBytesInNames() {
        RunningServer run;
        QVERIFY(run.Start());
        const testsupport::TempDir& dir = run.dir;
        const int port = run.port;
        const QString& status = run.status;
        QProcess& server = run.server;

        std::vector<std::unique_ptr<QTcpSocket>> flood;
        for (int i = 0; i < 40; ++i) {
            flood.push_back(std::make_unique<QTcpSocket>());
            QVERIFY(flood.back()->bind(QHostAddress(QStringLiteral("127.0.0.2"))));
            flood.back()->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
            flood.back()->waitForConnected(2000);
        }
        const auto held = [&] {
            int n = 0;
            for (const auto& s : flood)
                n += s->state() == QAbstractSocket::ConnectedState ? 1 : 0;
            return n;
        };
        QTRY_COMPARE_WITH_TIMEOUT(held(), 12, 10000);

        // A peer that reports but never reads what it is sent.
        QTcpSocket deaf;
        deaf.setReadBufferSize(1);
        QVERIFY(deaf.bind(QHostAddress(QStringLiteral("127.0.0.4"))));
        deaf.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        QVERIFY(deaf.waitForConnected(5000));
        deaf.write(QByteArray::fromStdString(monitor::EncodeFrame("72110245600Deaf")));

        const QByteArray evil = QByteArray("19910338400Evil\r\n[forged] Checksum :0", 37) +
                                QByteArray(1, '\0') + QByteArray("\x1b[31m\x7f", 6);
        QTcpSocket liar;
        QVERIFY(liar.bind(QHostAddress(QStringLiteral("127.0.0.5"))));
        liar.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        QVERIFY(liar.waitForConnected(5000));
        liar.write(QByteArray::number(evil.size()) + evil);

        HonestJoiner honest;
        QVERIFY(honest.socket.bind(QHostAddress(QStringLiteral("127.0.0.3"))));
        QVERIFY(honest.Connect(port));
        honest.Report();
        QTRY_VERIFY_WITH_TIMEOUT(honest.Frames().size() >= 47, 20000);
        bool sawSelf = false;
        for (const std::string& frame : honest.Frames()) {
            sawSelf = sawSelf || frame.find("127.0.0.3 Honest") != std::string::npos;
            for (char c : frame)
                QVERIFY2(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, frame.c_str());
        }
        QVERIFY(sawSelf);

        // The liar's copies are warned about, and the warning saved the log.
        QTRY_VERIFY_WITH_TIMEOUT(Status(status).value(QStringLiteral("list2")).toArray().size() >= 1, 20000);
        QFile statusFile(status);
        QVERIFY(statusFile.open(QIODevice::ReadOnly));
        const QByteArray json = statusFile.readAll();
        QVERIFY2(!json.contains("\\r") && !json.contains("\\n") && !json.contains("\\u0000") &&
                     !json.contains("\\u001b"),
                 json.constData());
        const std::string log = (dir.path() / "varnok.LOG").string();
        QTRY_VERIFY_WITH_TIMEOUT(QFile(QString::fromStdString(log)).size() > 0, 10000);
        QFile logFile(QString::fromStdString(log));
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QByteArray saved = logFile.readAll();
        QVERIFY2(!saved.contains("\r\n[forged]") && !saved.contains('\0') && !saved.contains('\x1b'),
                 saved.constData());
        QCOMPARE(QProcess::execute(QStringLiteral(VARNOK_EXE),
                                   {QStringLiteral("--verify-log"), QString::fromStdString(log)}),
                 0);

        QCOMPARE(deaf.state(), QAbstractSocket::ConnectedState); // a few ticks are no reason to close
        QCOMPARE(server.state(), QProcess::Running);
        server.kill();
        server.waitForFinished();
    }
};

QTEST_MAIN(HostilePeerTest)
#include "hostile_peer_test.moc"
