#include "monitor/log/log_file.h"
#include "monitor/window/background_qt.h"
#include "monitor_fixture.h"
#include "tests/support/temp_dir.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <filesystem>

using monitorgui::FakeMonitor;
using testsupport::TempDir;

namespace {

// A game copy as the fake process walk shows it: its n2text module in
// DIR/game/bin/, and optionally the game DLL beside it.
std::vector<monitor::ModuleEntry> GameModules(const TempDir& dir, std::uint32_t pid, bool started) {
    const std::string bin = (dir.path() / "game" / "bin" / "").string();
    std::vector<monitor::ModuleEntry> modules{
        inspecttest::Module("n2text_dll.dll", bin + "n2text_dll.dll", pid)};
    if (started)
        modules.push_back(inspecttest::Module("game_main.dll", bin + "game_main.dll", pid));
    return modules;
}

void WriteGameFiles(const TempDir& dir) {
    testsupport::WriteBytes(dir.path() / "sudtest.ini", "[Game]\r\nPlayer0=Tester\r\n");
    testsupport::WriteBytes(dir.path() / "game" / "bin" / "game_main.dll", "MZ not really a DLL");
}

} // namespace

class MonitorWindowTest : public QObject {
    Q_OBJECT

private slots:
    // A label that changes exposes a strip of the background; that strip
    // must look exactly as it does in the whole picture.
    void theBackgroundPaintedInPartsMatchesTheWhole() {
        const QSize size(530, 620);
        const auto paint = [&](const QRect& area) {
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter p(&image);
            monitor::PaintMonitorBackground(p, size, area);
            return image;
        };
        const QImage whole = paint(QRect(QPoint(0, 0), size));
        for (const QRect& part : {QRect(354, 441, 166, 17), QRect(0, 0, 17, 17), QRect(100, 300, 50, 33),
                                  QRect(400, 360, 90, 60), QRect(512, 600, 30, 30)}) {
            const QRect inside = part.intersected(QRect(QPoint(0, 0), size));
            const QImage piece = paint(part);
            QCOMPARE(piece.copy(inside), whole.copy(inside));
            // Nothing is drawn outside the part.
            QImage outside = piece;
            QPainter erase(&outside);
            erase.setCompositionMode(QPainter::CompositionMode_Clear);
            erase.fillRect(inside, Qt::transparent);
            erase.end();
            QImage blank(size, QImage::Format_ARGB32_Premultiplied);
            blank.fill(Qt::transparent);
            QCOMPARE(outside, blank);
        }
    }

    void controlsKeepTheirNamesCaptionsAndPlaces() {
        FakeMonitor m;
        QCOMPARE(m.window->objectName(), QStringLiteral("Form1"));
        QCOMPARE(m.window->size(), QSize(525, 617));

        // A selection: places are the designed twips / 15.
        struct Expected {
            const char* name;
            const char* caption;
            QRect place;
        };
        const Expected buttons[] = {
            {"Command5", "Sub", QRect(474, 231, 29, 20)},
            {"Command3", "Save Log", QRect(407, 569, 97, 25)},
            {"Command1", "I am Server", QRect(37, 62, 97, 25)},
        };
        for (const auto& b : buttons) {
            auto* button = m.Find<QPushButton>(b.name);
            QVERIFY2(button, b.name);
            QCOMPARE(button->text(), QString::fromLatin1(b.caption));
            QCOMPARE(button->geometry(), b.place);
        }
        const Expected labels[] = {
            {"Label7", "Website : Trevano", QRect(175, 576, 200, 15)},
            {"Label3", "Trying to connect to:", QRect(162, 6, 357, 15)},
            {"Correct", "Not checked", QRect(354, 424, 81, 17)},
            {"StartetLabel", "Game not started", QRect(354, 382, 89, 17)},
            {"Label4", "Active SUSTs :", QRect(354, 361, 81, 17)},
            {"surun", "", QRect(430, 361, 25, 17)},
            {"StateText", "Joiner", QRect(146, 38, 57, 17)},
        };
        for (const auto& l : labels) {
            auto* label = m.Find<QLabel>(l.name);
            QVERIFY2(label, l.name);
            QCOMPARE(label->text(), QString::fromLatin1(l.caption));
            QCOMPARE(label->geometry(), l.place);
        }
        QCOMPARE(m.Find<QLineEdit>("Text1")->text(), QStringLiteral("0"));
        QCOMPARE(m.Find<QLineEdit>("Text1")->geometry(), QRect(448, 218, 24, 20));
        QCOMPARE(m.Find<QListWidget>("List1")->geometry(), QRect(33, 107, 313, 355));
        QCOMPARE(m.Find<QTimer>("Timer1")->interval(), 8000);

        // The background picture covers the whole client area, under all else.
        auto* image1 = m.Find<QLabel>("Image1");
        QVERIFY(image1);
        // The radar is drawn: its screen is green at its centre.
        const QRgb radar = image1->grab().toImage().pixel(434, 384);
        QVERIFY(qGreen(radar) > qRed(radar) + 10);
        QCOMPARE(image1->geometry(), QRect(-7, -1, 530, 620));
        const QImage drawn = m.window->grab().toImage();
        for (const QPoint& corner : {QPoint(0, 0), QPoint(524, 0), QPoint(0, 616), QPoint(524, 616)})
            QVERIFY(qGray(drawn.pixel(corner)) < 60);
        QCOMPARE(m.window->children().indexOf(image1), 0);

        auto* link = m.Find<QLabel>("Label7");
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(image1->cursor().shape(), Qt::ArrowCursor);

        // The look: a disabled button's caption is dimmer, notices are reddish.
        const auto brightest = [](QWidget* widget) {
            const QImage image = widget->grab().toImage();
            int most = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    most = std::max(most, qGray(image.pixel(x, y)));
            return most;
        };
        auto* server = m.Find<QPushButton>("Command1");
        server->setEnabled(true);
        const int enabledText = brightest(server);
        server->setEnabled(false);
        QVERIFY2(brightest(server) + 40 < enabledText, "a disabled button looks disabled");
        const QImage notice = m.Find<QLabel>("DllNotice")->grab().toImage();
        int reddest = 0;
        for (int y = 0; y < notice.height(); ++y)
            for (int x = 0; x < notice.width(); ++x)
                reddest = std::max(reddest, qRed(notice.pixel(x, y)) - qGreen(notice.pixel(x, y)));
        QVERIFY(reddest > 60);
    }

    void playerCountAcceptsOnlyZeroToTwelve() {
        FakeMonitor m;
        auto* text1 = m.Find<QLineEdit>("Text1");
        auto* add = m.Find<QPushButton>("Command4");
        auto* sub = m.Find<QPushButton>("Command5");

        text1->selectAll();
        QTest::keyClicks(text1, QStringLiteral("1a"));
        QCOMPARE(text1->text(), QStringLiteral("0"));
        text1->selectAll();
        QTest::keyClicks(text1, QStringLiteral("15"));
        QCOMPARE(text1->text(), QStringLiteral("12"));
        text1->selectAll();
        QTest::keyClick(text1, Qt::Key_Backspace);
        QCOMPARE(text1->text(), QStringLiteral("0"));
        text1->setText(QStringLiteral("-3"));
        QCOMPARE(text1->text(), QStringLiteral("0"));

        text1->setText(QStringLiteral("11"));
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(text1->text(), QStringLiteral("12"));
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(text1->text(), QStringLiteral("12"));
        text1->setText(QStringLiteral("1"));
        QTest::mouseClick(sub, Qt::LeftButton);
        QCOMPARE(text1->text(), QStringLiteral("0"));
        QTest::mouseClick(sub, Qt::LeftButton);
        QCOMPARE(text1->text(), QStringLiteral("0"));
        QCOMPARE(m.window->Engine().PlayerCountText(), std::string("0"));
    }

    void websiteLinkOpensTheCommunityPage() {
        FakeMonitor m;
        auto* link = m.Find<QLabel>("Label7");
        QTest::mouseClick(link, Qt::RightButton);
        QVERIFY(m.shell->calls.empty());
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(m.shell->calls.size(), std::size_t(1));
        QCOMPARE(m.shell->calls[0].target, std::string(monitor::kWebsiteUrl));
        QVERIFY(m.shell->calls[0].target.rfind("http://", 0) == 0);
        QCOMPARE(m.shell->calls[0].parameters, std::string("0"));
        QCOMPARE(static_cast<int>(m.shell->calls[0].mode), 9);
    }

    void saveLogAppendsEveryLineAndSelectsTheLast() {
        TempDir dir;
        FakeMonitor m(dir.str() + '/');
        m.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m.window));
        auto* list2 = m.Find<QListWidget>("List2");
        auto* save = m.Find<QPushButton>("Command3");

        // An empty list still creates the file.
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY(std::filesystem::is_regular_file(dir.path() / "varnok.LOG"));
        QCOMPARE(testsupport::ReadBytes(dir.path() / "varnok.LOG"), std::string());
        QCOMPARE(list2->currentRow(), -1);

        std::string expected;
        for (int i = 0; i < 30; ++i) {
            const std::string line = "line " + std::to_string(i) + " \xE9t\xE9";
            m.window->Engine().AddLogLine(line);
            expected += "[" + line + "] Checksum :" + std::to_string(monitor::LogChecksum(line)) + "\r\n";
            // Each new line is scrolled into view.
            const QRect shown = list2->visualItemRect(list2->item(list2->count() - 1));
            QVERIFY(list2->viewport()->rect().contains(shown));
        }
        QCOMPARE(list2->item(0)->text(), QStringLiteral("line 0 \u00E9t\u00E9"));
        list2->scrollToTop();
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(testsupport::ReadBytes(dir.path() / "varnok.LOG"), expected);
        QCOMPARE(list2->currentRow(), 29);
        QVERIFY(list2->viewport()->rect().intersects(list2->visualItemRect(list2->item(29))));
        QCOMPARE(list2->count(), 30);

        // A later save appends only the lines added since.
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(testsupport::ReadBytes(dir.path() / "varnok.LOG"), expected);
        m.window->Engine().AddLogLine("abc");
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(testsupport::ReadBytes(dir.path() / "varnok.LOG"), expected + "[abc] Checksum :296\r\n");
        QCOMPARE(list2->currentRow(), 30);
        QVERIFY(m.Find<QLabel>("SaveLogNotice")->isHidden());
    }

    void saveLogFailureKeepsTheListAndShowsANotice() {
        TempDir dir;
        FakeMonitor m(dir.str() + '/');
        for (const char* line : {"first", "second"})
            m.window->Engine().AddLogLine(line);
        auto* save = m.Find<QPushButton>("Command3");
        auto* notice = m.Find<QLabel>("SaveLogNotice");
        const QStringList before = m.Lines("List2");

        // The log file's place is taken by a directory.
        std::filesystem::create_directories(dir.path() / "varnok.LOG");
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(m.Lines("List2"), before);
        QVERIFY(!notice->isHidden());
        QVERIFY(!notice->text().isEmpty());
        QVERIFY(notice->toolTip().contains(QStringLiteral("varnok.LOG")));

        // Once the file can be written again the notice goes.
        std::filesystem::remove(dir.path() / "varnok.LOG");
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY(notice->isHidden());
        QCOMPARE(testsupport::ReadBytes(dir.path() / "varnok.LOG").substr(0, 8), std::string("[first] "));

        // The program directory lies under a regular file.
        testsupport::WriteBytes(dir.path() / "plain", "x");
        FakeMonitor under((dir.path() / "plain" / "sub").string() + '/');
        under.window->Engine().AddLogLine("first");
        QTest::mouseClick(under.Find<QPushButton>("Command3"), Qt::LeftButton);
        QCOMPARE(under.Lines("List2"), QStringList{QStringLiteral("first")});
        QVERIFY(!under.Find<QLabel>("SaveLogNotice")->isHidden());
        QVERIFY(!std::filesystem::exists(dir.path() / "plain" / "sub"));
    }

    void startUpAndTicksShowTheLocalGame() {
        TempDir dir;
        WriteGameFiles(dir);
        FakeMonitor m(dir.str() + '/');
        m.inspector->walks = {{10}};
        m.inspector->modules[10] = GameModules(dir, 10, false);

        m.window->Start(monitor::InspectionSettings{});
        QCOMPARE(m.window->State().MonitorPort, 12125);
        QCOMPARE(m.window->State().IsServer, 0);
        QCOMPARE(m.Text("StateText"), QStringLiteral("Joiner"));
        auto* timer = m.Find<QTimer>("Timer1");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 2500);
        QCOMPARE(m.Text("surun"), QStringLiteral("1"));
        QCOMPARE(m.Text("LocalPlayer"), QStringLiteral("Tester"));
        QCOMPARE(m.Text("StartetLabel"), QStringLiteral("Game not started"));
        QCOMPARE(m.Text("Correct"), QStringLiteral("Not Checked"));
        QCOMPARE(m.Text("Label6"), QStringLiteral("Games started : 0, Connected : 0"));
        QVERIFY(m.Lines("List1").isEmpty());

        // The game starts in a second copy: the tick shows the new count at
        // once, the game state from the checks before (as the tick's order has it).
        m.inspector->walks = {{10, 11}};
        m.inspector->modules[11] = GameModules(dir, 11, true);
        m.window->Tick();
        QCOMPARE(m.Text("surun"), QStringLiteral("2"));
        QCOMPARE(m.Text("StartetLabel"), QStringLiteral("Game not started"));
        QCOMPARE(m.Text("Correct"), QStringLiteral("Not Checked"));
        QVERIFY(timer->isActive());
        QVERIFY(m.Find<QLabel>("MemoryNotice")->isHidden());
        m.memoryNotice = "Memory check blocked (ptrace_scope 1)";
        m.window->Tick();
        QCOMPARE(m.Text("StartetLabel"), QStringLiteral("Game started"));
        QCOMPARE(m.Text("Correct"), QStringLiteral("Checked !"));
        // Under the DLL state, why kessit has no answer.
        QVERIFY(!m.Find<QLabel>("MemoryNotice")->isHidden());
        QCOMPARE(m.Text("MemoryNotice"), QStringLiteral("Memory check blocked (ptrace_scope 1)"));

        // All copies gone.
        m.inspector->walks = {{}};
        m.window->Tick();
        m.window->Tick();
        QCOMPARE(m.Text("surun"), QStringLiteral("0"));
        QCOMPARE(m.Text("StartetLabel"), QStringLiteral("Game not started"));
        QCOMPARE(m.Text("Correct"), QStringLiteral("Not Checked"));
        QCOMPARE(m.Text("LocalPlayer"), QStringLiteral("Name not available! ATTENTION!"));
        QVERIFY(m.Lines("List2").isEmpty());
    }

    void rolesAndWarningsOfTheEvaluation() {
        TempDir dir;
        FakeMonitor m(dir.str() + '/');
        m.window->Start(monitor::InspectionSettings{});
        auto* timer = m.Find<QTimer>("Timer1");

        // A peer entry (as the server's report would arrive) with two copies
        // of the game running.
        m.window->State().PeerTable[0] = "19910338400Peer";
        m.window->Tick();
        QCOMPARE(m.Lines("List1"),
                 QStringList({QStringLiteral("Peer"), QStringLiteral("     Game Started, Sust running")}));
        QCOMPARE(m.Text("Label6"), QStringLiteral("Games started : 1, Connected : 1"));
        const QStringList log = m.Lines("List2");
        QCOMPARE(log.size(), 1);
        QVERIFY(log[0].startsWith(QStringLiteral("Multiple Sudden Strikes running on Peer")));
        QCOMPARE(m.sound->plays, 1);
        // The warning saved the log at once.
        QCOMPARE(testsupport::ReadBytes(dir.path() / "varnok.LOG"),
                 monitor::FormatLogLine(log[0].toStdString()) + "\r\n");

        // Taking a role empties the tables.
        QTest::mouseClick(m.Find<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(m.window->State().IsServer, 1);
        QCOMPARE(m.Text("StateText"), QStringLiteral("Server"));
        QVERIFY(!m.Find<QPushButton>("Command1")->isEnabled());
        QVERIFY(m.Find<QPushButton>("Command2")->isEnabled());
        QCOMPARE(m.sockets->listenPort, 12125);
        QCOMPARE(timer->interval(), 8000);
        QCOMPARE(m.window->State().PeerTable[0], std::string("Empty"));
        m.window->Tick();
        QVERIFY(m.Lines("List1").isEmpty());
        QCOMPARE(m.sound->plays, 1);

        QTest::mouseClick(m.Find<QPushButton>("Command2"), Qt::LeftButton);
        QCOMPARE(m.window->State().IsServer, 0);
        QCOMPARE(m.Text("StateText"), QStringLiteral("Joiner"));
        QCOMPARE(timer->interval(), 2500);
        QVERIFY(!m.Find<QPushButton>("Command2")->isEnabled());
        QVERIFY(m.Find<QPushButton>("Command1")->isEnabled());
    }
};

QTEST_MAIN(MonitorWindowTest)
#include "monitor_window_test.moc"
