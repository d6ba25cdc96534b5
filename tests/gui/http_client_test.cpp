// The HTTP adapter against a real server on loopback: one request at a time,
// each caller its own reply, error pages as replies, redirects, failures.
#include "switcher/multiplayer/http_client_qt.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <optional>

using switcher::HttpResult;

namespace {

// Answers GET /a with "A", /b with "B" (after a delay), /missing with a 404
// page, /move with a redirect to /a, /drip with its headers and then one
// byte of a long body every 200 ms. Counts connections open at once.
class SmallServer : public QObject {
public:
    SmallServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                ++open;
                maxOpen = std::max(maxOpen, open);
                connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    --open;
                    s->deleteLater();
                });
                connect(s, &QTcpSocket::readyRead, s, [this, s] { Serve(s); });
            }
        });
    }
    QString Url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(QLatin1String(path));
    }
    int open = 0, maxOpen = 0;
    QList<QByteArray> paths;

private:
    void Serve(QTcpSocket* s) {
        QByteArray& request = m_requests[s];
        request += s->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        paths << path;
        if (path == "/drip") {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
            auto* drip = new QTimer(s);
            connect(drip, &QTimer::timeout, s, [s] { s->write("x"); });
            drip->start(200);
            return;
        }
        QByteArray head = "HTTP/1.1 200 OK", body;
        QByteArray extra;
        int delay = 0;
        if (path == "/a")
            body = "A";
        else if (path == "/b")
            body = "B", delay = 300;
        else if (path == "/missing")
            head = "HTTP/1.1 404 Not Found", body = "no such page";
        else if (path == "/move")
            head = "HTTP/1.1 302 Found", extra = "Location: /a\r\n";
        const QByteArray reply = head + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                 "\r\nConnection: close\r\n" + extra + "\r\n" + body;
        QTimer::singleShot(delay, s, [s, reply] {
            s->write(reply);
            s->disconnectFromHost();
        });
    }
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_requests;
};

} // namespace

class HttpClientTest : public QObject {
    Q_OBJECT

private slots:
    void requestsRunOneAtATimeAndEachCallerGetsItsReply() {
        SmallServer server;
        switcher::QtHttpClient client;
        std::vector<std::string> order;
        std::optional<HttpResult> b, a;
        client.Get(server.Url("/b").toStdString(), [&](HttpResult r) {
            order.push_back("b");
            b = r;
        });
        client.Post(server.Url("/a").toStdString(), [&](HttpResult r) {
            order.push_back("a");
            a = r;
        });
        QVERIFY(!a && !b); // never inside the call
        QVERIFY(QTest::qWaitFor([&] { return a && b; }, 30000));
        QCOMPARE(order, (std::vector<std::string>{"b", "a"}));
        QCOMPARE(b->body, std::string("B"));
        QCOMPARE(a->body, std::string("A"));
        QCOMPARE(server.maxOpen, 1);
    }

    void errorPagesAreRepliesRedirectsAreFollowedAndRefusalsFail() {
        SmallServer server;
        switcher::QtHttpClient client;
        std::optional<HttpResult> missing, moved, refused;
        client.Get(server.Url("/missing").toStdString(), [&](HttpResult r) { missing = r; });
        client.Get(server.Url("/move").toStdString(), [&](HttpResult r) { moved = r; });
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        client.Get("http://127.0.0.1:" + std::to_string(port) + "/", [&](HttpResult r) { refused = r; });
        QVERIFY(QTest::qWaitFor([&] { return missing && moved && refused; }, 30000));
        QVERIFY(missing->arrived);
        QCOMPARE(missing->body, std::string("no such page"));
        QVERIFY(moved->arrived);
        QCOMPARE(moved->body, std::string("A"));
        QVERIFY(!refused->arrived);
        QCOMPARE(client.Pending(), 0);
    }

    void aStalledReplyTimesOut() {
        QTcpServer silent; // accepts and never answers
        silent.listen(QHostAddress::LocalHost, 0);
        switcher::QtHttpClient client(nullptr, 200);
        std::optional<HttpResult> result;
        client.Get("http://127.0.0.1:" + std::to_string(silent.serverPort()) + "/",
                   [&](HttpResult r) { result = r; });
        QVERIFY(QTest::qWaitFor([&] { return result.has_value(); }, 30000));
        QVERIFY(!result->arrived);
    }

    void aDripFedReplyEndsAtItsDeadlineAndTheQueueGoesOn() {
        SmallServer server;
        // Each byte comes well within the limit; only the whole request is late.
        switcher::QtHttpClient client(nullptr, 2000);
        std::optional<HttpResult> drip, next;
        client.Get(server.Url("/drip").toStdString(), [&](HttpResult r) { drip = r; });
        client.Get(server.Url("/a").toStdString(), [&](HttpResult r) { next = r; });
        QVERIFY(QTest::qWaitFor([&] { return drip.has_value(); }, 60000));
        QVERIFY(!drip->arrived);
        QVERIFY(drip->body.empty());
        QVERIFY(QTest::qWaitFor([&] { return next.has_value(); }, 30000));
        QVERIFY(next->arrived);
        QCOMPARE(next->body, std::string("A"));
    }
};

QTEST_MAIN(HttpClientTest)
#include "http_client_test.moc"
