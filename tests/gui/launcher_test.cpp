// The multiplayer launcher end to end: the real windows against a real
// gamelistd on loopback, and against a hostile service in this process.
#include "demo_fixture.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/launcher_flows.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/options/options_window.h"
#include "switcher/program_windows_qt.h"
#include "switcher/service_address.h"
#include "tests/common/stand_in_record.h"
#include "tests/gamelist_service/service_client.h"
#include "tests/support/widget_access_qt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#if defined(__SANITIZE_ADDRESS__)
// The AddressSanitizer runtime's count of live heap bytes.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

using gamelist::GameListEntry;
using guitest::DemoInstallation;
using guitest::RecordingShell;
using guitest::RecordingSink;

namespace {

using testsupport::Child;
using testsupport::Click;

QString Cell(QWidget& launcher, int row, int column) {
    const QAbstractItemModel* model = Child<QTableView>(launcher, "gameslist3")->model();
    return model->index(row, column).data().toString();
}

// Bytes the program holds on its heap now (the sanitizer's count in a
// sanitizer build, whose freed memory waits in quarantine).
std::size_t LiveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

QStringList Nodes(QWidget& launcher) {
    QStringList nodes;
    auto* tree = Child<QTreeWidget>(launcher, "filter");
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        nodes << tree->topLevelItem(i)->text(0);
    return nodes;
}

int Post(const servicetest::Service& s, const std::string& name, const std::string& gameClass,
         const std::string& from) {
    return servicetest::Request(s.Port(), "POST",
                                gamelist::BuildAddV2Path({name, "Anymap", "", "v1", gameClass, "2vs2", ""}),
                                from)
        .status;
}

// A service that answers every request with a fixed reply, for hostile bodies.
class CannedService : public QObject {
public:
    explicit CannedService(QByteArray listBody) : m_list(std::move(listBody)) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n"))
                        return;
                    const QByteArray body = m_request.contains("myip") ? QByteArray("127.0.0.1") : m_list;
                    m_request.clear();
                    socket->write("HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                                  "\r\n\r\n");
                    socket->write(body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    std::string Root() const { return "http://127.0.0.1:" + std::to_string(m_server.serverPort()); }
    void SetList(QByteArray listBody) { m_list = std::move(listBody); }

private:
    QTcpServer m_server;
    QByteArray m_list;
    QByteArray m_request;
};

} // namespace

class LauncherTest : public QObject {
    Q_OBJECT

    // A demo installation with cdv (class "other") installed and news off,
    // its switcher windows, and the launcher opened and filled.
    struct Program {
        explicit Program(const DemoInstallation& dir, RecordingShell* shell = nullptr)
            : windows(dir.Places(), sink, std::unique_ptr<common::Shell>(shell)) {
            windows.Main().show();
        }
        switcher::LauncherWindow& Launcher() { return windows.Launcher(); }
        const switcher::LauncherFlows& Flows() { return *windows.Launcher().Flows(); }
        bool Open() {
            Click(windows.Main(), "Multiplayer");
            return QTest::qWaitFor(
                [&] {
                    return !Child<QLineEdit>(Launcher(), "ip")->text().isEmpty() && !Flows().Busy() &&
                           !Flows().Classes().empty();
                },
                30000);
        }
        void SetOption(const char* name, bool on) {
            Child<QCheckBox>(windows.Options(), name)->setChecked(on);
        }
        RecordingSink sink;
        switcher::ProgramWindows windows;
    };

    static void PrepareInstallation(DemoInstallation& dir) {
        dir.WriteFile("switcher.ini", "[game]\r\nmode=cdv\r\n[misc]\r\nViewNews=0\r\n");
    }

private slots:
    void hostedGameAppearsUnderItsClassInAnotherLauncher() {
        DemoInstallation dir;
        QVERIFY(dir.Ok());
        PrepareInstallation(dir);
        servicetest::Service service;
        QVERIFY(service.Port() > 0);
        dir.serviceRoot = service.Root();

        Program first(dir);
        QVERIFY(first.Open());
        // A first start shows the defaults of the host boxes.
        QCOMPARE(Child<QLineEdit>(first.Launcher(), "username")->text(), QStringLiteral("moduser"));
        QCOMPARE(Child<QLineEdit>(first.Launcher(), "map")->text(), QStringLiteral("Anymap"));
        QCOMPARE(Child<QComboBox>(first.Launcher(), "players")->currentText(), QStringLiteral("1vs1"));
        QCOMPARE(Child<QLineEdit>(first.Launcher(), "comment")->text(), QString());
        QCOMPARE(Child<QLineEdit>(first.Launcher(), "ip")->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(Nodes(first.Launcher()).value(0), QStringLiteral("Any Mod (0)"));

        Child<QLineEdit>(first.Launcher(), "username")->setText(QStringLiteral("Red Tank"));
        Child<QLineEdit>(first.Launcher(), "comment")->setText(QStringLiteral("<b>bold?</b>"));
        Click(first.Launcher(), "Host");
        QVERIFY(QTest::qWaitFor([&] { return first.Flows().Entries().size() == 1; }, 30000));
        first.Launcher().close();

        Program second(dir);
        QVERIFY(second.Open());
        QCOMPARE(second.Flows().Entries().size(), size_t(1));
        QVERIFY(Nodes(second.Launcher()).contains(QStringLiteral("OTHER (1)")));
        QCOMPARE(Child<QTreeWidget>(second.Launcher(), "filter")->currentItem()->text(0),
                 QStringLiteral("OTHER (1)"));
        QCOMPARE(Cell(second.Launcher(), 0, 1), QStringLiteral("Red Tank"));
        QCOMPARE(Cell(second.Launcher(), 0, 6), QStringLiteral("<b>bold?</b>"));
        QCOMPARE(Cell(second.Launcher(), 0, 3), QStringLiteral("cdv"));
        // The host boxes came back through switcher.ini.
        QCOMPARE(Child<QLineEdit>(second.Launcher(), "username")->text(), QStringLiteral("Red Tank"));
        QVERIFY(dir.ReadFile("switcher.ini").contains("Author="));
        QVERIFY(first.sink.messages.empty());
        QVERIFY(second.sink.messages.empty());
    }

    // Closing the main window with the launcher open ends the program, and on
    // its way out (through the event loop, as zandrel runs it) the launcher's
    // close writes what was typed into the host boxes.
    void closingTheMainWindowWritesTheTypedHostBoxes() {
        DemoInstallation dir;
        QVERIFY(dir.Ok());
        PrepareInstallation(dir);
        servicetest::Service service;
        QVERIFY(service.Port() > 0);
        dir.serviceRoot = service.Root();
        Program p(dir);
        QVERIFY(p.Open());
        const auto type = [&](QWidget* box, const char* text) {
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClicks(box, QString::fromLatin1(text));
        };
        type(Child<QLineEdit>(p.Launcher(), "username"), "Blue Rider");
        type(Child<QLineEdit>(p.Launcher(), "map"), "Coast");
        type(Child<QLineEdit>(p.Launcher(), "comment"), "no rush");
        type(Child<QComboBox>(p.Launcher(), "players"), "2vs2");

        QTimer guard; // a program that does not end fails here instead of hanging
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(60000);
        QTimer::singleShot(0, &p.windows.Main(), [&] { p.windows.Main().close(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!p.Launcher().isVisible());
        const QByteArray written = dir.ReadFile("switcher.ini");
        for (const char* line : {"username=Blue Rider\r\n", "map=Coast\r\n", "comment=no rush\r\n",
                                 "players=2vs2\r\n", "Author=zandrel team\r\n"})
            QVERIFY2(written.contains(line), written.constData());
        QVERIFY(p.sink.messages.empty());
    }

    void joinUsesTheSelectedShownRow() {
        DemoInstallation dir;
        QVERIFY(dir.Ok());
        PrepareInstallation(dir);
        servicetest::Service service;
        QVERIFY(service.Port() > 0);
        dir.serviceRoot = service.Root();
        // Newest first: C (other), B (winter), A (other).
        QCOMPARE(Post(service, "A", "other", "127.0.0.2"), 200);
        QCOMPARE(Post(service, "B", "winter", "127.0.0.3"), 200);
        QCOMPARE(Post(service, "C", "OTHER", "127.0.0.4"), 200);
        dir.WriteFile("game/sudtest.ini",
                      "[Game]\r\nHostNamesUpb=5\r\nHostName4=9.9.9.9\r\nHostName7=keep\r\n");

        Program p(dir);
        p.SetOption("optionsFetchAll", true);
        p.SetOption("optionsFetchSelectedIp", true);
        QVERIFY(p.Open());
        QCOMPARE(p.Flows().Entries().size(), size_t(3));
        QVERIFY(Nodes(p.Launcher()).contains(QStringLiteral("OTHER (2)")));
        QCOMPARE(p.Flows().Shown().size(), size_t(2));

        auto* games = Child<QTableView>(p.Launcher(), "gameslist3");
        games->setCurrentIndex(games->model()->index(1, 0));
        const QString record = dir.File("join-record.txt");
        qputenv("ZANDREL_STAND_IN_RECORD", record.toLocal8Bit());
        Click(p.Launcher(), "Join");
        const auto started = testsupport::WaitForRecords(record.toStdString(), std::chrono::seconds(30));
        QCOMPARE(started.size(), size_t(1));
        QCOMPARE(started[0].role, std::string("game"));
        QVERIFY(!started[0].arguments.empty());
        QCOMPARE(started[0].arguments.back(), std::string("IP=127.0.0.2"));

        const QByteArray settings = dir.ReadFile("game/sudtest.ini");
        QVERIFY(settings.contains("HostNamesUpb=2\r\n"));
        QVERIFY(settings.contains("HostName0=127.0.0.4\r\n"));
        QVERIFY(settings.contains("HostName1=127.0.0.2\r\n"));
        QVERIFY(settings.contains("HostName2=\r\n"));
        QVERIFY(!settings.contains("HostName4"));
        QVERIFY(settings.contains("HostName7=keep")); // beyond the old bound: not the list's
        QVERIFY(p.sink.messages.empty());

        // A game of another class is refused with the class message.
        Child<QTreeWidget>(p.Launcher(), "filter")
            ->setCurrentItem(Child<QTreeWidget>(p.Launcher(), "filter")->topLevelItem(0));
        QTest::mouseClick(Child<QTreeWidget>(p.Launcher(), "filter")->viewport(), Qt::LeftButton, {},
                          Child<QTreeWidget>(p.Launcher(), "filter")
                              ->visualItemRect(Child<QTreeWidget>(p.Launcher(), "filter")->topLevelItem(0))
                              .center());
        QCOMPARE(p.Flows().Shown().size(), size_t(3));
        games->setCurrentIndex(games->model()->index(1, 0));
        Click(p.Launcher(), "Join");
        QCOMPARE(p.sink.messages.size(), size_t(1));
        QVERIFY(QString::fromStdString(p.sink.messages[0]).contains(QStringLiteral("WINTER mod to confirm")));
    }

    void refreshesAndHostsWithinOneTickMakeOneRequestEach() {
        DemoInstallation dir;
        QVERIFY(dir.Ok());
        PrepareInstallation(dir);
        servicetest::Service service;
        QVERIFY(service.Port() > 0);
        dir.serviceRoot = service.Root();
        auto* shell = new RecordingShell;
        Program p(dir, shell);
        p.SetOption("optionsLaunchWhenHost", true);
        QVERIFY(p.Open());
        QCOMPARE(service.Requests("mode=list"), 1);
        QCOMPARE(Child<QPushButton>(p.Launcher(), "Refresh")->styleSheet().contains("192"), false);

        Click(p.Launcher(), "Refresh");
        QVERIFY(QTest::qWaitFor([&] { return !p.Flows().Busy() && p.Flows().RefreshLocked(); }, 30000));
        Click(p.Launcher(), "Refresh");
        QVERIFY(Child<QPushButton>(p.Launcher(), "Refresh")->styleSheet().contains("255,0,0"));
        Click(p.Launcher(), "Host");
        Click(p.Launcher(), "Host");
        QTest::qWait(500);
        QCOMPARE(service.Requests("mode=list"), 2);
        QCOMPARE(service.Requests("mode=addV2"), 0); // the first refresh locked Host as well

        // The tick frees both; now one host posts and launches the game.
        auto* timer = p.Launcher().findChild<QTimer*>(QStringLiteral("refreshtimer"));
        timer->setInterval(1);
        QVERIFY(QTest::qWaitFor([&] { return !p.Flows().HostLocked(); }, 30000));
        timer->setInterval(60000);
        Click(p.Launcher(), "Host");
        Click(p.Launcher(), "Host");
        QVERIFY(QTest::qWaitFor([&] { return service.Requests("mode=list") == 3; }, 30000));
        QTest::qWait(300);
        QCOMPARE(service.Requests("mode=addV2"), 1);
        QCOMPARE(service.Requests("mode=list"), 3);
        const auto launches = [&] {
            int n = 0;
            for (const auto& call : shell->calls)
                n += call.target.find("game") != std::string::npos ? 1 : 0;
            return n;
        };
        QCOMPARE(launches(), 1);

        // After the next tick a second host posts again but starts no game.
        timer->setInterval(1);
        QVERIFY(QTest::qWaitFor([&] { return !p.Flows().HostLocked(); }, 30000));
        timer->setInterval(60000);
        Click(p.Launcher(), "Host");
        QVERIFY(QTest::qWaitFor([&] { return service.Requests("mode=addV2") == 2; }, 30000));
        QVERIFY(QTest::qWaitFor([&] { return !p.Flows().Busy(); }, 30000));
        QCOMPARE(launches(), 1);
        QVERIFY(p.sink.messages.empty());
    }

    void waitAndChatAnnouncesTheChatOfTheServiceHost() {
        DemoInstallation dir;
        QVERIFY(dir.Ok());
        PrepareInstallation(dir);
        servicetest::Service service;
        dir.serviceRoot = service.Root();
        auto* shell = new RecordingShell;
        Program p(dir, shell);
        QVERIFY(p.Open());
        Click(p.Launcher(), "WaitAndChat");
        QCOMPARE(p.sink.messages, std::vector<std::string>{"Stay in chat!!! :)"});
        QCOMPARE(Child<QLineEdit>(p.Launcher(), "map")->text(), QStringLiteral("(No game)"));
        QCOMPARE(Child<QLineEdit>(p.Launcher(), "comment")->text(),
                 QStringLiteral("Looking for game, waiting in 127.0.0.1/chat/"));
        // The chat opens once the game is announced and the list refreshed.
        QVERIFY(QTest::qWaitFor(
            [&] { return !shell->calls.empty() && shell->calls.back().target == service.Root() + "/chat"; },
            30000));
        QCOMPARE(service.Requests("mode=addV2"), 1);
        QCOMPARE(service.Requests("mode=list"), 2);

        // Get The Mod opens the download page of the selected class, and nothing for Any Mod.
        const size_t calls = shell->calls.size();
        Click(p.Launcher(), "GetTheMod");
        QCOMPARE(shell->calls.size(), calls + 1);
        QCOMPARE(shell->calls.back().target, service.Root() + "/vqx/mod_download.php?class=other");
        auto* filter = Child<QTreeWidget>(p.Launcher(), "filter");
        filter->setCurrentItem(filter->topLevelItem(0));
        Click(p.Launcher(), "GetTheMod");
        QCOMPARE(shell->calls.size(), calls + 1);
    }

    void ownAddressFailureClosesTheWindow() {
        DemoInstallation dir;
        QVERIFY(dir.Ok());
        PrepareInstallation(dir);
        // A port that was free a moment ago: nothing listens there.
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        dir.serviceRoot = "http://127.0.0.1:" + std::to_string(port);
        Program p(dir);
        Click(p.windows.Main(), "Multiplayer");
        QVERIFY(QTest::qWaitFor([&] { return !p.Launcher().isVisible(); }, 30000));
        QCOMPARE(p.sink.messages.size(), size_t(1));
    }

    void hostileRepliesLeaveTheLauncherUsable_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("cut");
        QTest::newRow("50 MB") << QByteArray(50 << 20, 'x') << 0 << false;
        QTest::newRow("separators only")
            << QByteArray(100000, '\r').append(QByteArray(1000, '|')) << 0 << false;
        QByteArray many = "127.0.0.1\r1\rother|winter";
        for (int i = 0; i < 100000; ++i)
            many += "\r10.0." + QByteArray::number(i / 256 % 256) + "." + QByteArray::number(i % 256) +
                    "|n|t|v|m|2vs2|c|other";
        QTest::newRow("100,000 entries") << many << 100000 << false;
        // At both caps: every entry counts under one of 1,000 classes.
        QByteArray capped = "127.0.0.1\r1\r";
        for (int c = 0; c < 1000; ++c)
            capped += "c" + QByteArray::number(c) + "|";
        for (int i = 0; i < 100000; ++i)
            capped +=
                "\r1.2.3.4|n" + QByteArray::number(i) + "|t|v|m|2vs2|c|C" + QByteArray::number(i % 1000);
        QTest::newRow("1,000 classes and 100,000 entries") << capped << 100000 << false;
        // The largest body the client takes, of the smallest records there are.
        QByteArray tiny = "127.0.0.1\r1\rother";
        tiny.reserve(16 << 20);
        while (tiny.size() < (16 << 20) - 2)
            tiny += "\rx";
        QTest::newRow("16 MiB of tiny records") << tiny << 100000 << true;
        // The largest body again, in 100,000 entries of long fields.
        QByteArray wide = "127.0.0.1\r1\rother";
        const QByteArray field(20, 'w');
        for (int i = 0; i < 100000; ++i)
            wide += "\r1.2.3.4|" + field + "|" + field + "|" + field + "|" + field + "|" + field + "|" +
                    field + "|other";
        QTest::newRow("100,000 entries of long fields") << wide << 100000 << false;
        QByteArray junk(200000, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = static_cast<char>((i * 7919 + 13) % 256);
        QTest::newRow("binary junk") << junk << -1 << false;
        QTest::newRow("line feeds in fields")
            << QByteArray("127.0.0.1\r1\rother\r\n[Evil]\nx=1|a\nHostName0=6.6.6.6|t|v|m|p|c|other\r"
                          "1.2.3.4|b|t|v|m|p|c|other")
            << 2 << false;
    }

    void hostileRepliesLeaveTheLauncherUsable() {
        QFETCH(QByteArray, body);
        QFETCH(int, entries);
        QFETCH(bool, cut);
        DemoInstallation dir;
        QVERIFY(dir.Ok());
        PrepareInstallation(dir);
        CannedService hostile(body);
        dir.serviceRoot = hostile.Root();
        Program p(dir);
        p.SetOption("optionsFetchAll", true);
        p.SetOption("optionsFetchSelectedIp", false);
        const std::size_t heapBefore = LiveHeapBytes();
        Click(p.windows.Main(), "Multiplayer");
        QVERIFY(QTest::qWaitFor(
            [&] { return !p.Flows().Busy() && !Child<QLineEdit>(p.Launcher(), "ip")->text().isEmpty(); },
            60000));
        QTest::qWait(200);
        QVERIFY(!p.Flows().Busy());
        if (entries >= 0)
            QCOMPARE(p.Flows().Entries().size(), size_t(entries));
        QCOMPARE(!Child<QLabel>(p.Launcher(), "listcut")->isHidden(), cut);
        // Every shown entry is a row of the table, down to the last; the
        // rows and the list they show fit in 100 MB.
        auto* games = Child<QTableView>(p.Launcher(), "gameslist3");
        const int rows = games->model()->rowCount();
        QCOMPARE(std::size_t(rows), std::max<std::size_t>(p.Flows().Shown().size(), 1));
        games->scrollToBottom();
        games->grab();
        if (entries > 0)
            QVERIFY(!Cell(p.Launcher(), rows - 1, 0).isEmpty());
        const std::size_t heapAfter = LiveHeapBytes();
        QVERIFY2(heapAfter < heapBefore + (100u << 20),
                 QByteArray::number(qulonglong(heapAfter - heapBefore)));

        // Joining writes nothing but checked addresses into the game's settings.
        games->setCurrentIndex(games->model()->index(0, 0));
        Click(p.Launcher(), "Join");
        const QByteArray settings = dir.ReadFile("game/sudtest.ini");
        QVERIFY(!settings.contains("[Evil]"));
        QVERIFY(!settings.contains("6.6.6.6"));
        QVERIFY(!settings.contains("x=1"));
        if (entries == 2)
            QVERIFY(settings.contains("HostName0=\r\nHostName1=1.2.3.4\r\nHostName2=\r\n"));

        // A later refresh, once the service answers soundly, works.
        hostile.SetList("127.0.0.1\r1\rother\r127.0.0.2|Sound|t|v|m|p|c|other");
        auto* timer = p.Launcher().findChild<QTimer*>(QStringLiteral("refreshtimer"));
        timer->setInterval(1);
        QVERIFY(QTest::qWaitFor([&] { return !p.Flows().RefreshLocked(); }, 30000));
        timer->setInterval(60000);
        Click(p.Launcher(), "Refresh");
        QVERIFY(QTest::qWaitFor([&] { return p.Flows().Entries().size() == 1 && !p.Flows().Busy(); }, 30000));
        QCOMPARE(Cell(p.Launcher(), 0, 1), QStringLiteral("Sound"));
    }
};

QTEST_MAIN(LauncherTest)
#include "launcher_test.moc"
