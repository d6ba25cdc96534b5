// The Qt socket array under the monitor engine, on real loopback sockets.
#include "monitor/peers/socket_array_qt.h"
#include "tests/monitor/engine_fixture.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>
#include <vector>

namespace {

// The engine on a Qt socket array; every other port is a fake. Port 0: the
// server listens on a free port.
struct QtRig : monitortest::FakePorts {
    monitor::QtSocketArray sockets{31};
    monitor::MonitorEngine engine{On(sockets), monitortest::RigConfig(0)};
    QtRig() { sockets.SetEvents(&engine); }
};

} // namespace

class SocketArrayTest : public QObject {
    Q_OBJECT

private slots:
    void framesLeftInTheBufferAreDeliveredAgain() {
        QtRig rig;
        rig.engine.Start(monitor::InspectionSettings{}, true);
        const quint16 port = rig.sockets.ListeningPort();
        QVERIFY(port != 0);

        QTcpSocket joiner;
        joiner.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(joiner.waitForConnected(5000));
        QTRY_COMPARE(rig.sockets.State(1), monitor::SocketState::Connected);
        QCOMPARE(rig.sockets.RemoteAddress(1), std::string("127.0.0.1"));

        // Three frames in one write; the server takes them when it asks for
        // its arrivals (at its tick), one per delivery, and the peer sends
        // nothing more.
        const std::string frames = monitortest::Framed(monitortest::Report("One")) +
                                   monitortest::Framed(monitortest::Report("Two")) +
                                   monitortest::Framed(monitortest::Report("Three"));
        joiner.write(frames.data(), static_cast<qint64>(frames.size()));
        QVERIFY(joiner.waitForBytesWritten(5000));
        QTest::qWait(100);
        QCOMPARE(rig.engine.State().PeerTable[1], monitor::kEmptySlot); // nothing wakes the server
        QTRY_VERIFY(
            (rig.sockets.TakeArrivals(), rig.engine.State().PeerTable[1] == monitortest::Report("Three")));
        QCOMPARE(rig.sockets.BytesAvailable(1), std::size_t(0));

        // The relay reaches the joiner.
        rig.engine.Tick();
        QByteArray received;
        QTRY_VERIFY(
            (received += joiner.readAll(), monitortest::Payloads(received.toStdString()).size() >= 31));
        QCOMPARE(monitortest::Payloads(received.toStdString())[1], std::string("19910238401127.0.0.1 Three"));

        // The joiner leaves: logged, and the socket closes at the next send.
        joiner.disconnectFromHost();
        QTRY_VERIFY((rig.sockets.TakeArrivals(), rig.engine.Display().List2.size() == 1));
        QCOMPARE(rig.engine.Display().List2[0], std::string("Three 127.0.0.1 has disconnected!"));
        QCOMPARE(rig.sockets.State(1), monitor::SocketState::Closing);
        rig.engine.Tick();
        QCOMPARE(rig.sockets.State(1), monitor::SocketState::Closed);
    }

    // Real links: one address gets at most twelve slots, and a joiner that
    // never reads is closed once the bytes queued for it pass the cap.
    void slotsPerAddressAndUnsentBytesAreCapped() {
        QtRig rig;
        rig.engine.Start(monitor::InspectionSettings{}, true);
        const quint16 port = rig.sockets.ListeningPort();
        std::vector<std::unique_ptr<QTcpSocket>> joiners;
        for (int i = 0; i < 13; ++i) {
            joiners.push_back(std::make_unique<QTcpSocket>());
            joiners.back()->connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(joiners.back()->waitForConnected(5000));
        }
        QTRY_COMPARE(joiners.back()->state(), QAbstractSocket::UnconnectedState);
        int held = 0;
        for (int slot = 1; slot < rig.sockets.Count(); ++slot)
            held += rig.sockets.State(slot) == monitor::SocketState::Connected ? 1 : 0;
        QCOMPARE(held, 12);

        // Joiner 1 never reads: its system buffers fill, then the array's.
        joiners[0]->setReadBufferSize(1);
        joiners[0]->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        const std::string report = monitortest::Report(std::string(88, 'x'));
        QElapsedTimer clock;
        clock.start();
        while (rig.sockets.State(1) == monitor::SocketState::Connected && clock.elapsed() < 20000) {
            for (int i = 0; i < 50; ++i)
                rig.engine.BroadcastFrame(report);
            for (int slot = 2; slot <= 12; ++slot)
                joiners[static_cast<std::size_t>(slot - 1)]->readAll();
            QCoreApplication::processEvents();
        }
        QCOMPARE(rig.sockets.State(1), monitor::SocketState::Closed);
        QCOMPARE(rig.sockets.State(2), monitor::SocketState::Connected);
    }

    void joinerConnectsAndReportsFirst() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QtRig rig;
        rig.engine.Start(monitor::InspectionSettings{});
        rig.engine.State().MonitorPort = server.serverPort();
        rig.table.rows = {monitortest::Row({127, 0, 0, 1}, 40001, 2300),
                          monitortest::Row({127, 0, 0, 1}, 40002, 2300)};
        rig.engine.Tick();
        QVERIFY(server.waitForNewConnection(5000));
        QTcpSocket* link = server.nextPendingConnection();
        QTRY_COMPARE(rig.sockets.State(0), monitor::SocketState::Connected);
        QByteArray received;
        QTRY_VERIFY((received += link->readAll(), !monitortest::Payloads(received.toStdString()).empty()));
        QVERIFY(monitor::HasReportShape(monitortest::Payloads(received.toStdString())[0]));

        // Two relays and half of a third in one write: both applied at once.
        const std::string relays = monitortest::Framed("19910238400Srv") +
                                   monitortest::Framed("19910238402198.51.100.2 Dora") + "2819910";
        link->write(relays.data(), static_cast<qint64>(relays.size()));
        QTRY_COMPARE(rig.engine.State().PeerTable[2], std::string("19910238402198.51.100.2 Dora"));
        QCOMPARE(rig.engine.State().PeerTable[0], std::string("19910238400Srv"));
        QCOMPARE(rig.sockets.BytesAvailable(0), std::size_t(7));

        link->close();
        QTRY_VERIFY(!rig.engine.Display().List2.empty());
        QCOMPARE(rig.engine.Display().List2.back(), std::string("Server has disconnected!"));
    }
};

QTEST_MAIN(SocketArrayTest)
#include "socket_array_test.moc"
