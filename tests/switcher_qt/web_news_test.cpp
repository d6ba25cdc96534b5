// The news box's web engine module, loaded from the build tree as zandrel
// loads it, on a hostile page from the real gamelistd: it stays among web
// pages, reads no local file and hands nothing to the desktop. And zandrel run
// as root never loads it: the news box is the plain view there.
//
// The web engine's sandbox does not run as root, and these tests run as root:
// this program runs the engine in-process with --no-sandbox (set by CMake for
// this test alone), which is what zandrel itself no longer does.
#include "tests/gamelist_service/service_client.h"
#include "tests/gui/demo_fixture.h"

#include <QLibrary>
#include <QProcess>
#include <QWebEngineView>
#include <QtTest>
#include <optional>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// Notes every open and read of the files directly inside one directory.
class FileWatch {
public:
    explicit FileWatch(const QString& dir) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(m_fd, QFile::encodeName(dir).constData(), IN_OPEN | IN_ACCESS);
    }
    ~FileWatch() { close(m_fd); }
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

// The module's two entry points.
struct WebModule {
    QWidget* (*create)(QWidget*) = nullptr;
    void (*load)(QWidget*, const QUrl*) = nullptr;
};

// The centre of the element with `id` in the view, from the page itself.
std::optional<QPoint> CentreOf(QWebEngineView& view, const QString& id) {
    std::optional<QPoint> centre;
    bool answered = false;
    view.page()->runJavaScript(
        QStringLiteral("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                       "return [r.left+r.width/2, r.top+r.height/2];})()")
            .arg(id),
        [&](const QVariant& result) {
            const QVariantList xy = result.toList();
            if (xy.size() == 2)
                centre = QPoint(xy[0].toInt(), xy[1].toInt());
            answered = true;
        });
    for (int i = 0; i < 400 && !answered; ++i)
        QTest::qWait(50);
    return centre;
}

// A player's click: the pointer moves there, presses and lets go. The
// engine takes input through the view's focus proxy.
void ClickAt(QWebEngineView& view, QPoint at) {
    QWidget* target = view.focusProxy();
    QTest::mouseMove(target, at);
    QTest::qWait(50);
    QTest::mousePress(target, Qt::LeftButton, {}, at);
    QTest::qWait(50);
    QTest::mouseRelease(target, Qt::LeftButton, {}, at);
    QTest::qWait(200);
}

} // namespace

class WebNewsTest : public QObject {
    Q_OBJECT

private slots:
    void theWebViewStaysAmongWebPages() {
        QLibrary library(QStringLiteral(WEB_NEWS_MODULE));
        QVERIFY2(library.load(), qPrintable(library.errorString()));
        WebModule module;
        module.create = reinterpret_cast<QWidget* (*)(QWidget*)>(library.resolve("ZandrelCreateWebView"));
        module.load =
            reinterpret_cast<void (*)(QWidget*, const QUrl*)>(library.resolve("ZandrelLoadWebPage"));
        QVERIFY(module.create && module.load);

        QTemporaryDir baitDir;
        for (const char* name : {"bait.png", "bait.txt", "bait.html"}) {
            QFile f(baitDir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<p>local</p>");
        }
        // A stand-in desktop handler that notes what it is given.
        QTemporaryDir bin;
        const QString record = bin.filePath(QStringLiteral("opened"));
        QFile handler(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(handler.open(QIODevice::WriteOnly));
        handler.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + QFile::encodeName(record) + "'\n");
        handler.close();
        handler.setPermissions(handler.permissions() | QFileDevice::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + qgetenv("PATH"));

        const QByteArray file = "file://" + QFile::encodeName(baitDir.path());
        const QByteArray page =
            "<html><head><link rel=\"stylesheet\" href=\"" + file +
            "/bait.txt\"></head>"
            "<body style=\"margin:0;font:14px sans-serif\">"
            "<img src=\"" +
            file + "/bait.png\"><iframe src=\"" + file +
            "/bait.html\"></iframe>"
            "<script>fetch('" +
            file +
            "/bait.txt').catch(function(){});</script>"
            "<a id=\"file\" href=\"" +
            file +
            "/bait.html\" style=\"display:block;height:24px\">file</a>"
            "<a id=\"custom\" href=\"zandrel-test://open\" style=\"display:block;height:24px\">custom</a>"
            "<a id=\"mail\" href=\"mailto:player@example.invalid\" "
            "style=\"display:block;height:24px\">mail</a>"
            "<a id=\"smb\" href=\"smb://127.0.0.1/share/bait.txt\" "
            "style=\"display:block;height:24px\">smb</a>"
            "<a id=\"script\" href=\"javascript:void(location='" +
            file +
            "/bait.html')\" "
            "style=\"display:block;height:24px\">script</a>"
            "<a id=\"web\" href=\"/vqx/anymodnews.php?class=clicked\" "
            "style=\"display:block;height:24px\">web</a>"
            "</body></html>";
        QTemporaryDir newsDir;
        QFile index(newsDir.filePath(QStringLiteral("index.html")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write(page);
        index.close();
        servicetest::Service service({"--news-dir", newsDir.path().toStdString()});
        QVERIFY(service.Port() > 0);

        FileWatch watch(baitDir.path());
        QWidget window;
        window.resize(300, 400);
        QWidget* widget = module.create(&window);
        widget->resize(300, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* view = qobject_cast<QWebEngineView*>(widget);
        QVERIFY(view);
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);

        // An address that is not a web page is not even loaded.
        const QUrl local(QString::fromLatin1(file + "/bait.html"));
        module.load(view, &local);
        const QUrl news(QString::fromStdString(service.Root() + "/vqx/anymodnews.php?class=ww2"));
        module.load(view, &news);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 60000);
        QCOMPARE(loaded.last().at(0).toBool(), true);
        QCOMPARE(view->url(), news);

        for (const char* id : {"file", "custom", "mail", "smb", "script"}) {
            const std::optional<QPoint> at = CentreOf(*view, QString::fromLatin1(id));
            QVERIFY2(at, id);
            ClickAt(*view, *at);
            QCOMPARE(view->url(), news);
        }
        // The web link, clicked last, is followed within the view.
        const std::optional<QPoint> web = CentreOf(*view, QStringLiteral("web"));
        QVERIFY(web);
        ClickAt(*view, *web);
        QTRY_VERIFY_WITH_TIMEOUT(view->url().toString().contains(QStringLiteral("class=clicked")), 30000);
        QCOMPARE(service.Requests("class=clicked"), 1);
        // Before the web link every other click stayed on the page: the news
        // page was asked for twice in all, never anything else.
        QCOMPARE(service.Requests("anymodnews.php"), 2);

        // A handler started for an unknown scheme would have written by now.
        QTest::qWait(1000);
        QVERIFY2(!QFile::exists(record), "a link was handed to the desktop");
        const QStringList touched = watch.Touched();
        QVERIFY2(touched.isEmpty(), qPrintable(QStringLiteral("the page read ") + touched.join(u' ')));
    }

    // Run as root, zandrel shows the news in the plain view: the dynamic
    // loader's log names neither the module nor the web engine, and the news
    // page came through zandrel's own HTTP client.
    void asRootZandrelKeepsTheWebEngineUnloaded() {
        if (geteuid() != 0)
            QSKIP("needs root");
        guitest::DemoInstallation demo;
        QVERIFY(demo.Ok());
        demo.WriteFile(QStringLiteral("switcher.ini"), "[game]\r\nmode=RWM\r\n[misc]\r\nViewNews=1\r\n");
        servicetest::Service service;
        QVERIFY(service.Port() > 0);
        QProcess zandrel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
        env.insert(QStringLiteral("ZANDREL_SERVICE"), QString::fromStdString(service.Root()));
        env.insert(QStringLiteral("ZANDREL_INSTANCE"),
                   QStringLiteral("zandrel-web-news-test-%1").arg(QCoreApplication::applicationPid()));
        zandrel.setProcessEnvironment(env);
        zandrel.start(QStringLiteral(ZANDREL_EXE), {QStringLiteral("--root"), demo.Path(),
                                                    QStringLiteral("--screenshot"), demo.File("shot.png")});
        QVERIFY(zandrel.waitForFinished(120000));
        QCOMPARE(zandrel.exitCode(), 0);
        const QByteArray log = zandrel.readAllStandardError();
        QVERIFY2(log.contains("zandrel_http"), "the news page was not fetched by the plain view");
        QVERIFY2(!log.contains("zandrel_webnews"), "zandrel loaded the web engine module as root");
        QVERIFY2(!log.contains("libQt6WebEngineCore"), "zandrel loaded the web engine as root");
        QCOMPARE(service.Requests("anymodnews.php?version=v1.05&class=winter"), 1);
    }
};

QTEST_MAIN(WebNewsTest)
#include "web_news_test.moc"
