// gamelistd against the clients of the open internet: slow and greedy
// connections, other sites' pages, a flood of games, posted addresses,
// a rotated log.
#include "gamelist/protocol/add_query.h"
#include "gamelist/protocol/game_list_reply.h"
#include "service_client.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <poll.h>

using gamelist::GameListEntry;
using gamelist::HostedGame;
using servicetest::Request;
using servicetest::RequestWith;
using servicetest::Service;

namespace {

const char* kList = "/vqx/?mode=list&submode=strippedV2";

HostedGame Game(const std::string& name) {
    return {name, "Anymap", "", "CDV", "ww2", "2vs2", "hi"};
}

gamelist::GameListReply List(const Service& s, const std::string& from = "127.0.0.1") {
    const auto r = Request(s.Port(), "GET", kList, from);
    EXPECT_EQ(r.status, 200);
    return gamelist::ParseStrippedV2(r.body);
}

// True when the server has closed `fd` (its end of the stream, or a reset).
bool ClosedByServer(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0)
        return false;
    char c;
    const ssize_t got = recv(fd, &c, 1, MSG_DONTWAIT | MSG_PEEK);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

} // namespace

// Connections from one address beyond its share are closed at once, and
// another player is served meanwhile.
TEST(SlowClients, OneAddressHoldsAtMostEightConnections) {
    Service s;
    std::vector<int> idle;
    for (int i = 0; i < 30; ++i)
        idle.push_back(servicetest::Connect(s.Port(), "127.0.0.5"));
    EXPECT_EQ(Request(s.Port(), "GET", kList, "127.0.0.6").status, 200);
    // Each idle connection asks now; only those the service kept can answer.
    int answered = 0;
    for (const int fd : idle) {
        if (fd < 0)
            continue;
        servicetest::ReadDeadline(fd, 10);
        const std::string request = std::string("GET ") + kList + " HTTP/1.0\r\n\r\n";
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        answered += servicetest::ReadReply(fd).status == 200 ? 1 : 0;
        close(fd);
    }
    EXPECT_EQ(answered, 8);
}

// One byte now and then never keeps a connection past the deadline of its
// request, in the head or in the body; the library's idle timeout alone
// would keep it for ever.
TEST(SlowClients, ARequestHasADeadlineAsAWhole) {
    Service s({"--request-seconds", "1"});
    const std::string head = std::string("POST ") + kList + " HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    const std::string body =
        std::string("POST ") + kList + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n\r\n";
    const struct {
        const char* where;
        std::string sentAtOnce;
    } cases[] = {{"head", ""}, {"body", body}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        const int fd = servicetest::Connect(s.Port());
        ASSERT_GE(fd, 0);
        send(fd, c.sentAtOnce.data(), c.sentAtOnce.size(), MSG_NOSIGNAL);
        bool closed = false;
        // Well within the idle timeout between bytes, for longer than the deadline.
        for (std::size_t i = 0; i < 40 && !closed; ++i) {
            const char byte = c.sentAtOnce.empty() && i < head.size() ? head[i] : 'x';
            closed = send(fd, &byte, 1, MSG_NOSIGNAL) != 1 || ClosedByServer(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        close(fd);
        EXPECT_TRUE(closed);
    }
    EXPECT_EQ(List(s).ownAddress, "127.0.0.1"); // and the service goes on
}

// A body over the bound is answered at once, without waiting for the rest.
TEST(SlowClients, AnOversizedBodyGets413Unread) {
    Service s;
    const int fd = servicetest::Connect(s.Port());
    ASSERT_GE(fd, 0);
    servicetest::ReadDeadline(fd, 5);
    const std::string head = std::string("POST ") + kList +
                             " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1000000\r\n\r\nabcdefgh";
    send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    EXPECT_EQ(servicetest::ReadReply(fd).status, 413);
    close(fd);
}

// Another site's page can make a browser send an announcement (an <img>, a
// form); the browser then says so, and the game's own client never does.
TEST(Announcements, RefusesWhatABrowserSendsOnAnotherSitesBehalf) {
    Service s({"--posts-per-minute", "0"});
    const std::string post = gamelist::BuildAddV2Path(Game("Browser"));
    const struct {
        std::vector<std::string> headers;
        int status;
    } cases[] = {
        {{}, 200}, // the game's client
        {{"Sec-Fetch-Site: cross-site"}, 403},
        {{"Sec-Fetch-Site: same-site"}, 403},
        {{"Sec-Fetch-Site: Cross-Site"}, 403},
        {{"Sec-Fetch-Site: same-origin"}, 200},
        {{"Sec-Fetch-Site: none"}, 200}, // typed into the address bar
        {{"Origin: http://evil.example"}, 403},
        {{"Origin: http://127.0.0.1.evil.example"}, 403},
        {{"Origin: null"}, 403},
        {{"Origin: http://127.0.0.1"}, 200}, // the service's own page
        {{"Origin: https://127.0.0.1", "Sec-Fetch-Site: same-origin"}, 200},
        {{"Origin: http://127.0.0.1", "Sec-Fetch-Site: cross-site"}, 403},
    };
    int stored = 0;
    for (const auto& c : cases) {
        const std::string from = "127.0.1." + std::to_string(++stored);
        SCOPED_TRACE(c.headers.empty() ? std::string("no header") : c.headers[0]);
        EXPECT_EQ(RequestWith(s.Port(), "GET", post, c.headers, from).status, c.status);
    }
    // Lists are anybody's: a web page may show them.
    EXPECT_EQ(RequestWith(s.Port(), "GET", kList, {"Sec-Fetch-Site: cross-site"}).status, 200);
    EXPECT_EQ(List(s).entries.size(), 5u);
}

// A full list refuses new games (and says so in the log) but takes the
// repost of a listed one.
TEST(GameList, HoldsAtMostItsCapOfGames) {
    Service s({"--max-games", "3"});
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(Request(s.Port(), "POST", gamelist::BuildAddV2Path(Game("g" + std::to_string(i))),
                          "127.0.2." + std::to_string(i))
                      .status,
                  200);
    const auto refused = Request(s.Port(), "POST", gamelist::BuildAddV2Path(Game("g4")), "127.0.2.4");
    EXPECT_EQ(refused.status, 503);
    EXPECT_NE(refused.body.find("full"), std::string::npos);
    EXPECT_EQ(Request(s.Port(), "POST", gamelist::BuildAddV2Path(Game("g1 again")), "127.0.2.1").status, 200);
    const auto list = List(s);
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0][GameListEntry::Username], "g1 again");
    EXPECT_NE(s.ErrorLog().find("the list is full"), std::string::npos);
}

// Whatever ip a post names, the game sends players to the announcer's own machine.
TEST(GameList, ListsTheAnnouncersOwnAddress) {
    Service s;
    const struct { std::string posted; } cases[] = {{"6.6.6.6"}, {""}, {"127.0.0.1"}, {"not an address"}};
    int n = 0;
    for (const auto& c : cases) {
        HostedGame g = Game(std::to_string(++n)); // named after the announcer's address
        g.ip = c.posted;
        EXPECT_EQ(Request(s.Port(), "POST", gamelist::BuildAddV2Path(g), "127.0.3." + g.name).status, 200);
    }
    const auto list = List(s);
    ASSERT_EQ(list.entries.size(), 4u);
    for (const auto& e : list.entries)
        EXPECT_EQ(e[GameListEntry::IP], "127.0.3." + std::string(e[GameListEntry::Username]));
}

// A log rotation renames the access log and sends SIGHUP: the service goes
// on and writes a new file.
TEST(Signals, HangUpReopensTheAccessLog) {
    Service s;
    EXPECT_EQ(Request(s.Port(), "GET", "/vqx/myip.php?before").status, 200);
    const std::string rotated = s.LogPath() + ".1";
    ASSERT_EQ(std::rename(s.LogPath().c_str(), rotated.c_str()), 0);
    kill(s.Pid(), SIGHUP);
    // The signal is taken between requests; the next ones go to the new file.
    for (int i = 0; i < 100 && s.Requests("after") == 0; ++i) {
        Request(s.Port(), "GET", "/vqx/myip.php?after");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(s.Running());
    EXPECT_GE(s.Requests("after"), 1);
    std::ifstream old(rotated);
    const std::string oldText((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    EXPECT_NE(oldText.find("before"), std::string::npos);
    EXPECT_EQ(s.Stop(), 0);
}
