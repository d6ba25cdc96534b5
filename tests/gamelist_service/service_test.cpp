// gamelistd as a real process on loopback, asked over real sockets.
#include "gamelist/protocol/add_query.h"
#include "gamelist/protocol/game_list_reply.h"
#include "gamelist/service/service_options.h"
#include "service_client.h"

#include <gtest/gtest.h>

using gamelist::GameListEntry;
using gamelist::HostedGame;
using servicetest::Request;
using servicetest::Service;

namespace {

const char* kList = "/vqx/?mode=list&submode=strippedV2";

HostedGame Game(const std::string& name, const std::string& gameClass = "ww2") {
    return {name, "Anymap", "", "CDV", gameClass, "2vs2", "hi"};
}

int Post(const Service& s, const HostedGame& g, const std::string& from = "127.0.0.1") {
    return Request(s.Port(), "POST", gamelist::BuildAddV2Path(g), from).status;
}

gamelist::GameListReply List(const Service& s, const std::string& from = "127.0.0.1") {
    const auto r = Request(s.Port(), "GET", kList, from);
    EXPECT_EQ(r.status, 200);
    return gamelist::ParseStrippedV2(r.body);
}

} // namespace

TEST(GameListService, AddsListsAndReplacesByAddress) {
    Service s({"--classes", "ww2,winter"});
    ASSERT_GT(s.Port(), 0);
    auto list = List(s, "127.0.0.9");
    EXPECT_TRUE(list.complete);
    EXPECT_EQ(list.ownAddress, "127.0.0.9");
    EXPECT_EQ(list.classes, (std::vector<std::string>{"ww2", "winter"}));
    EXPECT_TRUE(list.entries.empty());

    EXPECT_EQ(Post(s, Game("First"), "127.0.0.2"), 200);
    EXPECT_EQ(Post(s, Game("Second", "winter"), "127.0.0.3"), 200);
    EXPECT_EQ(Post(s, Game("Again"), "127.0.0.2"), 200);
    list = List(s, "127.0.0.4");
    ASSERT_EQ(list.entries.size(), 2u);
    // Newest first; the second post from .2 replaced its first.
    EXPECT_EQ(list.entries[0][GameListEntry::Username], "Again");
    EXPECT_EQ(list.entries[0][GameListEntry::IP], "127.0.0.2"); // no posted ip: the poster's address
    EXPECT_EQ(list.entries[0][GameListEntry::Class], "ww2");
    EXPECT_EQ(list.entries[1][GameListEntry::Username], "Second");
    EXPECT_EQ(list.entries[1][GameListEntry::Players], "2vs2");
    // Two addresses listed within the watch time.
    EXPECT_EQ(list.watchers, "2");

    // HTTP/1.1 and the own-address page.
    const auto me = Request(s.Port(), "GET", "/vqx/myip.php", "127.0.0.7", "HTTP/1.1");
    EXPECT_EQ(me.status, 200);
    EXPECT_EQ(me.body, "127.0.0.7");
    EXPECT_EQ(Request(s.Port(), "GET", "/vqx/?mode=other").status, 400);
    EXPECT_EQ(s.Stop(), 0); // SIGTERM ends it cleanly
}

TEST(GameListService, StripsSeparatorsBoundsFieldsAndKeepsEmptyFieldsInPlace) {
    Service s;
    HostedGame hostile{"evil\r1.1.1.1|x|\n",  "", "6.6.6.6\nHostName9=1.2.3.4", "V", "ww2", "4vs4",
                       std::string(5000, 'n')};
    EXPECT_EQ(Post(s, hostile, "127.0.0.2"), 414); // the request is over the bound
    hostile.note = std::string(1000, 'n');
    hostile.name += std::string(100, 'a');
    EXPECT_EQ(Post(s, hostile, "127.0.0.2"), 200);
    const auto list = List(s);
    ASSERT_EQ(list.entries.size(), 1u);
    const GameListEntry& e = list.entries[0];
    EXPECT_EQ(e[GameListEntry::Username].substr(0, 16), "evil1.1.1.1xaaaa");
    EXPECT_EQ(e[GameListEntry::Username].size(), 32u);
    EXPECT_EQ(e[GameListEntry::IP], "127.0.0.2"); // the announcer's own address, never the posted one
    EXPECT_EQ(e[GameListEntry::Map], " ");        // empty: one blank, nothing shifts
    EXPECT_EQ(e[GameListEntry::Players], "4vs4");
    EXPECT_EQ(e[GameListEntry::Comment].size(), 128u);
    EXPECT_EQ(e[GameListEntry::Class], "ww2");
}

TEST(GameListService, LimitsPostsPerAddress) {
    Service s({"--posts-per-minute", "3"});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Post(s, Game("p" + std::to_string(i)), "127.0.0.2"), 200);
    EXPECT_EQ(Post(s, Game("p3"), "127.0.0.2"), 429);
    EXPECT_EQ(Post(s, Game("other"), "127.0.0.3"), 200);
    const auto list = List(s);
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[1][GameListEntry::Username], "p2");
}

TEST(GameListService, GamesExpireAfterTheirLastPost) {
    Service s({"--expiry-seconds", "1"});
    EXPECT_EQ(Post(s, Game("soon gone"), "127.0.0.2"), 200);
    EXPECT_EQ(List(s).entries.size(), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(2200));
    EXPECT_TRUE(List(s).entries.empty());
}

TEST(GameListService, ServesThePagesOfTheLauncher) {
    Service s;
    const auto news = Request(s.Port(), "GET", "/vqx/anymodnews.php?version=v1.05&class=ww2");
    EXPECT_EQ(news.status, 200);
    EXPECT_NE(news.body.find("v1.05"), std::string::npos);
    const auto download = Request(s.Port(), "GET", "/vqx/mod_download.php?class=%3cscript%3e");
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body.find("<script>"), std::string::npos);
    EXPECT_NE(download.body.find("&lt;script&gt;"), std::string::npos);
    EXPECT_EQ(Request(s.Port(), "GET", "/vqx/chat/").status, 200);
    EXPECT_EQ(Request(s.Port(), "GET", "/chat/").status, 200);
}

// A visitor of the page sees the players who list, and is not counted as one.
TEST(GameListService, ServesThePageWithItsWatchersAndNoScript) {
    Service s;
    EXPECT_EQ(Post(s, Game("Open"), "127.0.0.2"), 200);
    List(s, "127.0.0.3");
    List(s, "127.0.0.4");
    for (int visit = 0; visit < 2; ++visit) {
        const auto page = Request(s.Port(), "GET", "/", "127.0.0." + std::to_string(5 + visit));
        EXPECT_EQ(page.status, 200);
        EXPECT_NE(page.head.find("Content-Type: text/html; charset=utf-8"), std::string::npos);
        EXPECT_NE(page.head.find("Content-Security-Policy: default-src 'none'"), std::string::npos);
        EXPECT_NE(page.body.find("1 open game, 2 players watching"), std::string::npos) << page.body;
        EXPECT_NE(page.body.find("<td>Open</td>"), std::string::npos);
    }
    EXPECT_EQ(Request(s.Port(), "POST", "/").status, 405);
    EXPECT_EQ(Request(s.Port(), "GET", "/index.html").status, 404);
}

// An operator learns of the page and the feed from --help.
TEST(GameListService, HelpNamesThePageAndTheFeed) {
    testsupport::TempDir dir;
    ASSERT_EQ(servicetest::RunTool({GAMELISTD, "--help"}, "/dev/null", dir / "help.txt"), 0);
    const std::string help = servicetest::ReadAll(dir / "help.txt");
    EXPECT_NE(help.find(" at /,"), std::string::npos);
    EXPECT_NE(help.find("/api/games.json"), std::string::npos);
}

TEST(GameListService, AnswersHelpAndRefusesBadOptions) {
    EXPECT_EQ(testsupport::RunProgram(GAMELISTD, {"--help"}), 0);
    EXPECT_EQ(testsupport::RunProgram(GAMELISTD, {"--port", "70000"}), 2);
    EXPECT_EQ(testsupport::RunProgram(GAMELISTD, {"--classes", ""}), 2);
    EXPECT_EQ(testsupport::RunProgram(GAMELISTD, {"--bogus"}), 2);
}

// An operator's typo is named as what it is, also when it is the last word.
TEST(GameListService, NamesTheFaultOfABadCommandLine) {
    const auto error = [](std::vector<std::string> args) {
        gamelist::ServiceOptions options;
        bool help = false;
        std::string message;
        EXPECT_FALSE(gamelist::ParseServiceOptions(args, options, help, message));
        return message;
    };
    EXPECT_EQ(error({"--bogus"}), "unknown argument --bogus");
    EXPECT_EQ(error({"--bogus", "1"}), "unknown argument --bogus");
    EXPECT_EQ(error({"--port", "8080", "--database"}), "missing value for --database");
    EXPECT_EQ(error({"--threads", "0"}), "bad value for --threads: 0");
    EXPECT_EQ(testsupport::RunProgram(GAMELISTD, {"--version"}), 0);
}
