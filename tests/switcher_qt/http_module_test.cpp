// The HTTP client as zandrel gets it: from the zandrel_http module, loaded at
// the first request; a missing module is reported once and fails requests
// without a crash; and zandrel's start-up does not load the network stack.
#include "common/single_instance.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/http_module_qt.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/program_windows_qt.h"
#include "switcher/service_address.h"
#include "tests/gui/demo_fixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <optional>

using switcher::DeferredHttpClient;
using switcher::HttpResult;
using testsupport::RecordingSink;

namespace {

// Answers every request with "hello" and closes.
class HelloServer : public QObject {
public:
    HelloServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [s] {
                    if (!s->peek(1 << 16).contains("\r\n\r\n"))
                        return;
                    s->readAll();
                    s->write("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello");
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_server.serverPort()) + "/vqx/"; }

private:
    QTcpServer m_server;
};

} // namespace

class HttpModuleTest : public QObject {
    Q_OBJECT

    // Starts zandrel on the demo installation (news off) under the instance
    // name `instance` until its first shown window, with the dynamic
    // loader's log of every library on standard error, into `log`.
    static bool StartUntilFirstShow(guitest::DemoInstallation& demo, const QString& instance,
                                    QByteArray& log) {
        const QByteArray settings = demo.ReadFile(QStringLiteral("switcher.ini"));
        if (!settings.contains("ViewNews=0"))
            demo.WriteFile(QStringLiteral("switcher.ini"), settings + "[misc]\r\nViewNews=0\r\n");
        QProcess zandrel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
        env.insert(QStringLiteral("ZANDREL_EXIT_ON_FIRST_SHOW"), QStringLiteral("1"));
        env.insert(QStringLiteral("ZANDREL_SERVICE"), QStringLiteral("http://127.0.0.1:9"));
        env.insert(QStringLiteral("ZANDREL_INSTANCE"), instance);
        zandrel.setProcessEnvironment(env);
        zandrel.start(QStringLiteral(ZANDREL_EXE), {QStringLiteral("--root"), demo.Path()});
        if (!zandrel.waitForFinished(120000) || zandrel.exitCode() != 0)
            return false;
        log = zandrel.readAllStandardError();
        return true;
    }

private slots:
    void theModuleIsLoadedAtTheFirstRequest() {
        HelloServer server;
        RecordingSink sink;
        DeferredHttpClient client(&sink, {QStringLiteral(HTTP_MODULE)});
        QVERIFY(!client.Loaded());
        std::optional<HttpResult> get, post;
        client.Get(server.Url(), [&](HttpResult r) { get = r; });
        QVERIFY(client.Loaded());
        client.Post(server.Url(), [&](HttpResult r) { post = r; });
        QVERIFY(!get && !post); // never inside the call
        QVERIFY(QTest::qWaitFor([&] { return get && post; }, 30000));
        QVERIFY(get->arrived);
        QCOMPARE(get->body, std::string("hello"));
        QVERIFY(post->arrived);
        QVERIFY(sink.messages.empty());

        // The program looks for it beside itself (where nothing is installed).
        QCOMPARE(switcher::HttpModuleLocations(),
                 QStringList{QCoreApplication::applicationDirPath() + QStringLiteral("/zandrel_http.so")});
    }

    void aMissingModuleIsReportedOnceAndRequestsFail() {
        QTemporaryDir dir;
        RecordingSink sink;
        DeferredHttpClient client(&sink, {dir.filePath(QStringLiteral("zandrel_http"))});
        std::vector<HttpResult> results;
        client.Get("http://127.0.0.1:9/vqx/", [&](HttpResult r) { results.push_back(r); });
        client.Post("http://127.0.0.1:9/vqx/", [&](HttpResult r) { results.push_back(r); });
        QVERIFY(results.empty()); // failures too come from the event loop
        QVERIFY(QTest::qWaitFor([&] { return results.size() == 2; }, 30000));
        QVERIFY(!results[0].arrived && !results[1].arrived);
        QVERIFY(!client.Loaded());
        QCOMPARE(sink.messages.size(), std::size_t(1));
        QVERIFY(sink.messages[0].find("zandrel_http") != std::string::npos);

        // Without a sink (the news box) the failure is quiet.
        DeferredHttpClient quiet(nullptr, {dir.filePath(QStringLiteral("zandrel_http"))});
        bool done = false;
        quiet.Get("http://127.0.0.1:9/", [&](HttpResult r) { done = !r.arrived; });
        QVERIFY(QTest::qWaitFor([&] { return done; }, 30000));
    }

    void aForeignOrBrokenLibraryIsNoModule() {
        QTemporaryDir dir;
        QFile junk(dir.filePath(QStringLiteral("zandrel_http.so")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not an ELF file at all");
        junk.close();
        // A library that loads but lacks the module's functions: the C math library.
        const QString foreign = QStringLiteral("libm.so.6");
        RecordingSink sink;
        DeferredHttpClient client(&sink, {junk.fileName(), foreign});
        bool failed = false;
        client.Get("http://127.0.0.1:9/", [&](HttpResult r) { failed = !r.arrived; });
        QVERIFY(QTest::qWaitFor([&] { return failed; }, 30000));
        QCOMPARE(sink.messages.size(), std::size_t(1));
        QVERIFY2(sink.messages[0].find("not an HTTP module") != std::string::npos, sink.messages[0].c_str());
    }

    // This program has no module beside it, as a broken installation: the
    // launcher says why in its message box, and closes as it does when the
    // service cannot be reached, instead of crashing.
    void theLauncherReportsAMissingModule() {
        guitest::DemoInstallation demo;
        QVERIFY(demo.Ok());
        demo.WriteFile(QStringLiteral("switcher.ini"), "[game]\r\nmode=cdv\r\n[misc]\r\nViewNews=0\r\n");
        demo.serviceRoot = "http://127.0.0.1:9";
        RecordingSink sink;
        switcher::ProgramWindows windows(demo.Places(), sink, std::make_unique<guitest::RecordingShell>());
        windows.Main().show();
        QTest::mouseClick(windows.Main().findChild<QPushButton*>(QStringLiteral("Multiplayer")),
                          Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !sink.messages.empty() && !windows.Launcher().isVisible(); },
                                30000));
        QVERIFY2(sink.messages[0].find("zandrel_http") != std::string::npos, sink.messages[0].c_str());
    }

    // Tests and benchmarks give zandrel an instance name of its own, so that
    // a switcher running elsewhere on the machine cannot end their start.
    void anInstanceNameOfItsOwnKeepsOtherSwitchersOut() {
        guitest::DemoInstallation demo;
        QVERIFY(demo.Ok());
        const QString own = QStringLiteral("zandrel-module-test-%1").arg(QCoreApplication::applicationPid());
        QByteArray log;
        QVERIFY(StartUntilFirstShow(demo, own, log));
        QVERIFY2(log.contains("libqoffscreen"), "zandrel did not start");

        // The name is honoured: with it held, a start ends before creating its application.
        const QString held =
            QStringLiteral("zandrel-module-test-held-%1").arg(QCoreApplication::applicationPid());
        QVERIFY(common::AcquireSingleInstance(held.toStdString()));
        QVERIFY(StartUntilFirstShow(demo, held, log));
        QVERIFY(!log.contains("libqoffscreen"));
    }

    // The dynamic loader's own log of a start up to the first shown window
    // (news off) names every library loaded: QtNetwork must not be among them.
    void zandrelStartsWithoutTheNetworkStack() {
        guitest::DemoInstallation demo;
        QVERIFY(demo.Ok());
        QByteArray log;
        QVERIFY(StartUntilFirstShow(
            demo, QStringLiteral("zandrel-module-test-%1").arg(QCoreApplication::applicationPid()), log));
        // The platform plugin is loaded by the application object, after the
        // single-instance check: the program really started.
        QVERIFY2(log.contains("libqoffscreen"), "zandrel ended before creating its application");
        QVERIFY2(!log.contains("libQt6Network"), "zandrel loaded QtNetwork at start-up");
        QVERIFY(!log.contains("zandrel_http"));
    }
};

QTEST_MAIN(HttpModuleTest)
#include "http_module_test.moc"
