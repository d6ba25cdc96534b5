// The plain news view as the main window shows it, on pages from the loopback
// page server and the real gamelistd: pictures in PNG, JPEG and GIF over HTTP
// show (and a picture of the window is saved to look at), and a hostile page
// reads no local file and hands nothing to the desktop. Under Wine the
// picture case runs against the page server's pages served from inside the
// test, and the hostile case is skipped (it needs gamelistd and inotify).
#include "demo_fixture.h"
#include "switcher/main_window.h"
#include "switcher/news/plain_news_view_qt.h"
#include "switcher/news_view_qt.h"
#include "switcher/program_windows_qt.h"
#include "switcher/service_address.h"
#include "testing/demo_pictures.h"
#include "testing/news_page.h"
#include "tests/support/widget_access_qt.h"

#include <QPainter>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>
#include <cstdlib>
#include <memory>

#ifndef _WIN32
#include "tests/gamelist_service/service_client.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#endif

using guitest::DemoInstallation;
using guitest::RecordingShell;
using guitest::RecordingSink;
using testsupport::Child;

namespace {

// The page server's pages: the program on Linux, served from inside the
// test where there is none (the Windows build).
class PageSite {
public:
    PageSite() {
        if (QByteArray(PAGE_SERVER).isEmpty()) {
            m_server.listen(QHostAddress::LocalHost, 0);
            QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { Answer(); });
            m_port = m_server.serverPort();
            return;
        }
        const QString portFile = m_dir.filePath(QStringLiteral("port"));
        m_process.start(QStringLiteral(PAGE_SERVER), {QStringLiteral("--port-file"), portFile});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(portFile) || m_process.state() == QProcess::NotRunning, 20000);
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly))
            m_port = file.readAll().trimmed().toInt();
    }
    ~PageSite() {
        m_process.terminate();
        m_process.waitForFinished();
    }
    QString Root() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    bool Ok() const { return m_port > 0; }

private:
    void Answer() {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::readyRead, s, [s] {
                if (!s->peek(1 << 16).contains("\r\n\r\n"))
                    return;
                s->write(QByteArray::fromStdString(demo::PageResponse(s->readAll().toStdString())));
                s->disconnectFromHost();
            });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QTcpServer m_server;
    int m_port = 0;
};

QTextBrowser* Browser(switcher::MainWindow& main) {
    return Child<switcher::NewsView>(main, "webbrowser1")->findChild<QTextBrowser*>();
}

// The whole page as the view draws it, scrolled or not.
QImage RenderedPage(QTextBrowser& view) {
    QTextDocument* document = view.document();
    document->setTextWidth(view.viewport()->width());
    QImage image(document->size().toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    document->drawContents(&painter);
    return image;
}

bool Shows(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= 6 && std::abs(qGreen(p) - qGreen(colour)) <= 6 &&
                std::abs(qBlue(p) - qBlue(colour)) <= 6)
                return true;
        }
    return false;
}

// The windows over a recording shell: what the news box opens lands there.
struct Program {
    Program(const DemoInstallation& dir, RecordingSink& sink)
        : shell(new RecordingShell), windows(dir.Places(), sink, std::unique_ptr<common::Shell>(shell)) {}
    RecordingShell* shell;
    switcher::ProgramWindows windows;
};

#ifndef _WIN32
// Notes every open and read of the files directly inside one directory.
class FileWatch {
public:
    explicit FileWatch(const QString& dir) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(m_fd, QFile::encodeName(dir).constData(), IN_OPEN | IN_ACCESS);
    }
    ~FileWatch() { close(m_fd); }
    // The names of the files touched so far.
    QStringList Touched() {
        QStringList names;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t got; (got = read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0)
                    names << QFile::decodeName(event->name);
                p += sizeof(inotify_event) + event->len;
            }
        }
        return names;
    }

private:
    int m_fd;
};

// After a minute, or when the test ends, opens the FIFO for writing once, so
// that a reader blocked on it returns.
class FifoRelease {
public:
    explicit FifoRelease(QByteArray fifo)
        : m_thread([this, fifo] {
              for (int i = 0; i < 600 && !m_done; ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              const int writer = open(fifo.constData(), O_WRONLY | O_NONBLOCK);
              if (writer >= 0)
                  close(writer);
          }) {}
    ~FifoRelease() {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};
#endif

} // namespace

class NewsViewTest : public QObject {
    Q_OBJECT

private slots:
    // The page server's news page holds a PNG, a JPEG and a GIF picture,
    // addressed relative to the page. Each shows in its colour.
    void picturesOverHttpShowInThePlainView() {
        PageSite site;
        QVERIFY(site.Ok());
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=RWM\r\n[misc]\r\nViewNews=1\r\n");
        demoDir.serviceRoot = site.Root().toStdString();
        RecordingSink sink;
        Program program(demoDir, sink);
        switcher::MainWindow& main = program.windows.Main();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto* news = Child<switcher::NewsView>(main, "webbrowser1");
        QTRY_COMPARE_WITH_TIMEOUT(news->PicturesShown(), 3, 30000);
        QCOMPARE(news->PicturesPending(), 0);
        QTextBrowser* view = Browser(main);
        QVERIFY(view);
        QVERIFY(view->toPlainText().contains(QStringLiteral("Demo news")));

        const QImage page = RenderedPage(*view);
        QVERIFY2(Shows(page, qRgb(0xD0, 0x20, 0x20)), "the PNG picture is not shown");
        QVERIFY2(Shows(page, qRgb(0x20, 0xA0, 0x40)), "the JPEG picture is not shown");
        QVERIFY2(Shows(page, qRgb(0x20, 0x50, 0xE0)), "the GIF picture is not shown");
        // A picture to look at: the window as the player sees it.
        const QString shot =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("news-pictures.png"));
        QVERIFY(main.grab().save(shot));
        qInfo("window picture: %s", qPrintable(shot));
        QVERIFY(program.shell->calls.empty());
    }

    // A page of 40 pictures: the first 32 are fetched and shown, no more.
    void picturesAreBoundedInNumber() {
        PageSite site;
        QVERIFY(site.Ok());
        RecordingShell shell;
        switcher::PlainNewsView view(nullptr, shell);
        view.Navigate(QUrl(site.Root() + QStringLiteral("/news/pictures.html?count=40")));
        QTRY_VERIFY_WITH_TIMEOUT(view.PicturesShown() > 0 && view.PicturesPending() == 0, 30000);
        QCOMPARE(view.PicturesShown(), switcher::kMaxNewsPictures);
    }

    // A news page from gamelistd whose pictures, style sheet and links name
    // files, a share, a script and other schemes, beside one web picture and
    // one web link. Bait files lie in the current directory (where a relative
    // or share path would lead): a FIFO that never ends a read, and files
    // under every name the page uses. Only the web picture is fetched, only
    // the web link opens (through the shell), and nothing reaches the
    // desktop's handler.
    void aHostilePageReadsNoFileAndOpensOnlyWebLinks() {
#ifdef _WIN32
        QSKIP("needs gamelistd and inotify (Linux)");
#else
        if (!DESKTOP_HANDLER_SCRIPT || QByteArray(GAMELISTD).isEmpty())
            QSKIP("needs gamelistd and the recording desktop handler");
        PageSite site;
        QVERIFY(site.Ok());
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=RWM\r\n[misc]\r\nViewNews=1\r\n");
        const QByteArray png = QByteArray::fromStdString(demo::EncodePng(demo::MakeBanner(0xFF00FF, 40, 20)));
        const QStringList baits = {QStringLiteral("bait.png"), QStringLiteral("bait.txt"),
                                   QStringLiteral("\\\\127.0.0.1\\share\\bait.png"),
                                   QStringLiteral("\\\\127.0.0.1\\share\\bait.txt")};
        for (const QString& name : baits)
            demoDir.WriteFile(name, png);
        const QByteArray fifo = QFile::encodeName(demoDir.File(QStringLiteral("bait.fifo")));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);

        // A stand-in desktop handler that notes what it is given.
        QTemporaryDir bin;
        const QString record = bin.filePath(QStringLiteral("opened"));
        QFile handler(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(handler.open(QIODevice::WriteOnly));
        handler.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + QFile::encodeName(record) + "'\n");
        handler.close();
        handler.setPermissions(handler.permissions() | QFileDevice::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path);

        const QByteArray dir = QFile::encodeName(demoDir.Path());
        const QByteArray web = site.Root().toLatin1() + "/picture.png?colour=20A040";
        const QByteArray page =
            "<html><head><link rel=\"stylesheet\" href=\"file://" + dir +
            "/bait.txt\"></head><body>"
            "<p>Hostile news</p>"
            "<img src=\"file://" +
            dir + "/bait.png\"><img src=\"file://" + dir +
            "/bait.fifo\">"
            "<img src=\"bait.png\"><img src=\"bait.fifo\">"
            "<img src=\"\\\\127.0.0.1\\share\\bait.png\"><img src=\"//127.0.0.1/share/bait.png\">"
            "<img src=\"javascript:alert(1)\"><img src=\"zandrel-test:bait.png\"><img src=\"qrc:/bait.png\">"
            "<table><tr><td background=\"file://" +
            dir +
            "/bait.png\">cell</td></tr></table>"
            "<p><img src=\"" +
            web +
            "\"></p>"
            "<p><a href=\"file://" +
            dir +
            "/bait.txt\">file link</a></p>"
            "<p><a href=\"bait.txt\">relative link</a></p>"
            "<p><a href=\"\\\\127.0.0.1\\share\\bait.txt\">share link</a></p>"
            "<p><a href=\"javascript:alert(1)\">script link</a></p>"
            "<p><a href=\"zandrel-test://open\">custom link</a></p>"
            "<p><a href=\"mailto:player@example.invalid\">mail link</a></p>"
            "<p><a href=\"http://127.0.0.1:9/web\">web link</a></p></body></html>";
        QTemporaryDir newsDir;
        QFile index(newsDir.filePath(QStringLiteral("index.html")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write(page);
        index.close();
        servicetest::Service service({"--news-dir", newsDir.path().toStdString()});
        QVERIFY(service.Port() > 0);

        // Should the view block on the FIFO, a writer set free after a while
        // lets the test end (and fail) instead of hanging.
        FifoRelease release(fifo);

        FileWatch watch(demoDir.Path());
        demoDir.serviceRoot = service.Root();
        RecordingSink sink;
        Program program(demoDir, sink);
        switcher::MainWindow& main = program.windows.Main();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto* news = Child<switcher::NewsView>(main, "webbrowser1");
        QTRY_VERIFY_WITH_TIMEOUT(news->PicturesShown() == 1 && news->PicturesPending() == 0, 30000);
        QTextBrowser* view = Browser(main);
        QVERIFY(view);
        QVERIFY(view->toPlainText().contains(QStringLiteral("Hostile news")));

        // Every link clicked with the mouse, as a player would.
        int links = 0;
        for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (!it.fragment().charFormat().isAnchor())
                    continue;
                QTextCursor cursor(view->document());
                cursor.setPosition(it.fragment().position() + 1);
                view->setTextCursor(cursor);
                view->ensureCursorVisible();
                const QPoint at = view->cursorRect(cursor).center() - QPoint(2, 0);
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
                ++links;
            }
        }
        QCOMPARE(links, 7);
        // Web links, and relative ones (web links on the service's host, a
        // share's path among them), went to the shell, which hands them to the
        // desktop's browser; nothing else did.
        QTRY_COMPARE(program.shell->calls.size(), std::size_t(3));
        const std::string root = service.Root() + "/vqx/";
        QCOMPARE(program.shell->calls[0].target, root + "bait.txt");
        QCOMPARE(program.shell->calls[1].target, root + "%5C%5C127.0.0.1%5Cshare%5Cbait.txt");
        QCOMPARE(program.shell->calls[2].target, std::string("http://127.0.0.1:9/web"));
        // A handler started behind the shell's back would have written by now.
        QTest::qWait(1000);
        QVERIFY2(!QFile::exists(record), "a link or picture was handed to the desktop");

        const QStringList touched = watch.Touched();
        for (const QString& name : touched)
            QVERIFY2(!name.startsWith(QStringLiteral("bait")) && !name.startsWith(QLatin1Char('\\')),
                     qPrintable(QStringLiteral("the news box opened ") + name));
        // Nobody holds the FIFO open for reading.
        const int writer = open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        QCOMPARE(writer, -1);
        QCOMPARE(errno, ENXIO);
        QCOMPARE(service.Requests("anymodnews.php"), 1);
        qputenv("PATH", path);
#endif
    }
};

QTEST_MAIN(NewsViewTest)
#include "news_view_test.moc"
