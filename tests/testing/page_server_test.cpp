// The loopback page server, run as a program and spoken to over real sockets.
#include "tests/support/temp_dir.h"
#include "tests/testing/program_runner.h"

#include <arpa/inet.h>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <utility>

namespace {

using testsupport::TempDir;

// One page server for a test, stopped when the object goes.
class PageServer {
public:
    explicit PageServer(const TempDir& dir, std::vector<std::string> extra = {}) {
        const std::string portFile = dir / "port";
        extra.insert(extra.end(), {"--port-file", portFile});
        m_pid = testsupport::StartProgram(PAGE_SERVER, extra);
        for (int i = 0; i < 100 && m_pid > 0 && m_port == 0; ++i) {
            std::ifstream in(portFile);
            if (!(in >> m_port))
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~PageServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    int Port() const { return m_port; }
    // True while the process has not ended.
    bool Running() const { return m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == 0; }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

int Connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string ReadToEnd(int fd) {
    std::string reply;
    char buffer[4096];
    for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(got));
    return reply;
}

// Sends `request` and returns everything the server answers before closing.
std::string Exchange(int port, const std::string& request) {
    const int fd = Connect(port);
    if (fd < 0)
        return "(no connection)";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string reply = ReadToEnd(fd);
    close(fd);
    return reply;
}

std::string Get(int port, const std::string& target) {
    return Exchange(port, "GET " + target + " HTTP/1.0\r\n\r\n");
}

std::string StatusLine(const std::string& reply) {
    return reply.substr(0, reply.find("\r\n"));
}

std::string Body(const std::string& reply) {
    const auto end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

} // namespace

// Pictures of each kind by their address, whole (Content-Length matches), and
// a page that names as many as asked for, within its bound.
TEST(PageServer, ServesPicturesAndPagesOfPictures) {
    TempDir tmp;
    PageServer server(tmp);
    ASSERT_GT(server.Port(), 0);
    const std::pair<const char*, std::string> kinds[] = {
        {"png", "\x89PNG"}, {"jpg", "\xFF\xD8\xFF"}, {"gif", "GIF89a"}, {"bmp", "BM"}};
    for (const auto& [kind, magic] : kinds) {
        const std::string reply =
            Get(server.Port(), std::string("/picture.") + kind + "?colour=20A040&width=30&height=20");
        EXPECT_EQ(StatusLine(reply), "HTTP/1.0 200 OK") << kind;
        EXPECT_EQ(Body(reply).substr(0, magic.size()), magic) << kind;
        EXPECT_NE(reply.find("Content-Length: " + std::to_string(Body(reply).size()) + "\r\n"),
                  std::string::npos);
    }
    const auto count = [](const std::string& text, const std::string& what) {
        int n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const std::string page = Body(Get(server.Port(), "/news/pictures.html?count=20"));
    EXPECT_EQ(count(page, "<img src=\"/picture."), 20);
    EXPECT_EQ(count(page, "<img src=\"/picture.gif"), 6);
    EXPECT_EQ(count(Body(Get(server.Port(), "/news/pictures.html?count=100000")), "<img "), 100);
    EXPECT_EQ(count(Body(Get(server.Port(), "/vqx/anymodnews.php?class=ww2")), "<img "), 3);
}

TEST(PageServer, ServesTheNewsPageWithEscapedQuery) {
    TempDir tmp;
    PageServer server(tmp);
    ASSERT_GT(server.Port(), 0);

    std::string reply = Get(server.Port(), "/vqx/anymodnews.php?version=v1.05&class=winter");
    EXPECT_EQ(StatusLine(reply), "HTTP/1.0 200 OK");
    EXPECT_NE(reply.find("Content-Type: text/html"), std::string::npos);
    EXPECT_NE(reply.find("Content-Length: " + std::to_string(Body(reply).size()) + "\r\n"),
              std::string::npos);
    EXPECT_NE(Body(reply).find(">winter<"), std::string::npos);
    EXPECT_NE(Body(reply).find(">v1.05<"), std::string::npos);

    // Query values are decoded, then escaped for HTML.
    reply = Get(server.Port(),
                "/vqx/anymodnews.php?class=%3Cscript%3Ealert(1)%3C/script%3E&version=a%22b+%26c%27");
    const std::string body = Body(reply);
    EXPECT_EQ(body.find("<script>"), std::string::npos);
    EXPECT_NE(body.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(body.find("a&quot;b &amp;c&#39;"), std::string::npos);
    // Absent and malformed values do not break the page.
    EXPECT_EQ(StatusLine(Get(server.Port(), "/vqx/anymodnews.php")), "HTTP/1.0 200 OK");
    EXPECT_NE(Body(Get(server.Port(), "/vqx/anymodnews.php?class=%zz%4")).find(">%zz%4<"), std::string::npos);

    reply = Get(server.Port(), "/");
    EXPECT_EQ(StatusLine(reply), "HTTP/1.0 200 OK");
    EXPECT_NE(reply.find("Content-Type: text/plain"), std::string::npos);
    EXPECT_EQ(StatusLine(Get(server.Port(), "/vqx/other.php")), "HTTP/1.0 404 Not Found");
    EXPECT_EQ(StatusLine(Get(server.Port(), "/favicon.ico")), "HTTP/1.0 404 Not Found");
    // HEAD gets the headers only; a bare LF request is understood too.
    reply = Exchange(server.Port(), "HEAD / HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(StatusLine(reply), "HTTP/1.0 200 OK");
    EXPECT_TRUE(Body(reply).empty());
    EXPECT_EQ(StatusLine(Exchange(server.Port(), "GET / HTTP/1.0\n\n")), "HTTP/1.0 200 OK");
}

TEST(PageServer, SurvivesJunkAndStalledClients) {
    TempDir tmp;
    PageServer server(tmp, {"--timeout-ms", "300"});
    ASSERT_GT(server.Port(), 0);

    EXPECT_EQ(StatusLine(Exchange(server.Port(), std::string("\x01\x02\xFFgarbage\r\n\r\n", 14))),
              "HTTP/1.0 400 Bad Request");
    EXPECT_EQ(StatusLine(Exchange(server.Port(), "GET\r\n\r\n")), "HTTP/1.0 400 Bad Request");
    EXPECT_EQ(StatusLine(Exchange(server.Port(), "GET relative HTTP/1.0\r\n\r\n")),
              "HTTP/1.0 400 Bad Request");
    EXPECT_EQ(StatusLine(Exchange(server.Port(), "POST / HTTP/1.0\r\n\r\n")),
              "HTTP/1.0 405 Method Not Allowed");
    // A request that never ends is cut off at the size limit and answered.
    EXPECT_EQ(StatusLine(Exchange(server.Port(), std::string(100000, 'A'))), "HTTP/1.0 400 Bad Request");
    // A client that closes mid-request gets nothing, and the server goes on.
    Exchange(server.Port(), "GET /vqx/anymod");

    // A client that connects and says nothing holds the single-threaded
    // server only until the connection's time limit.
    const int idle = Connect(server.Port());
    ASSERT_GE(idle, 0);
    EXPECT_EQ(StatusLine(Get(server.Port(), "/")), "HTTP/1.0 200 OK");
    EXPECT_EQ(ReadToEnd(idle), "");
    close(idle);

    EXPECT_TRUE(server.Running());
    EXPECT_EQ(StatusLine(Get(server.Port(), "/")), "HTTP/1.0 200 OK");
}

TEST(PageServer, CommandLine) {
    TempDir tmp;
    EXPECT_EQ(testsupport::RunProgram(PAGE_SERVER, {"--help"}), 0);
    EXPECT_EQ(testsupport::RunProgram(PAGE_SERVER, {"--version"}), 0);
    for (const char* bad : {"-1", "65536", "http", ""}) {
        EXPECT_EQ(testsupport::RunProgram(PAGE_SERVER, {"--port", bad}), 2) << bad;
    }
    EXPECT_EQ(testsupport::RunProgram(PAGE_SERVER, {"--port"}), 2);
    EXPECT_EQ(testsupport::RunProgram(PAGE_SERVER, {"--timeout-ms", "0"}), 2);
    EXPECT_EQ(testsupport::RunProgram(PAGE_SERVER, {"--bogus"}), 2);

    // A given free port is used; a port already taken is a failure, not a hang.
    int freePort = 0;
    {
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        freePort = ntohs(address.sin_port);
        close(probe);
    }
    PageServer server(tmp, {"--port", std::to_string(freePort)});
    EXPECT_EQ(server.Port(), freePort);
    EXPECT_EQ(StatusLine(Get(freePort, "/")), "HTTP/1.0 200 OK");
    EXPECT_EQ(testsupport::RunProgram(PAGE_SERVER, {"--port", std::to_string(freePort)}), 1);
    EXPECT_EQ(testsupport::RunProgram(PAGE_SERVER, {"--port-file", tmp / "no/such/dir/port"}), 1);
}
