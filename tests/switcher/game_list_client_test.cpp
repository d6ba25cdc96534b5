#include "switcher/multiplayer/game_list_client.h"
#include "tests/support/recording_sink.h"

#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using switcher::GameListClient;
using switcher::GameListReply;
using switcher::HttpResult;

namespace {

// Answers each request at once with the next scripted result (a failed
// request when the script has run out) and records the addresses asked for.
struct ScriptedHttp : switcher::HttpPort {
    std::deque<HttpResult> script;
    std::vector<std::string> gets, posts;
    HttpResult Next() {
        if (script.empty())
            return {};
        HttpResult r = script.front();
        script.pop_front();
        return r;
    }
    void Get(const std::string& url, Done done) override {
        gets.push_back(url);
        done(Next());
    }
    void Post(const std::string& url, Done done) override {
        posts.push_back(url);
        done(Next());
    }
};

struct ClientTest : ::testing::Test {
    ScriptedHttp http;
    testsupport::RecordingSink sink;
    GameListClient client{http, sink, [] { return std::string("http://list.example:8080"); }};

    std::optional<GameListReply> Fetch() {
        std::optional<GameListReply> got;
        client.FetchGameList([&](GameListReply r) { got = std::move(r); });
        return got;
    }
};

const std::string kList = "1.2.3.4\r7\rww2|other\r5.6.7.8|tank|12:00|CDV|map1|2vs2|hi|ww2";

} // namespace

TEST_F(ClientTest, ThreeFailedRequestsShowThreeMessagesAndStop) {
    const auto reply = Fetch();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(http.gets.size(), 3u);
    EXPECT_EQ(http.gets[0], "http://list.example:8080/vqx/?mode=list&submode=strippedV2");
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[0], " problem while refreshing! Trying again upto 3 times. Try: 0");
    EXPECT_EQ(sink.messages[2], " problem while refreshing! Trying again upto 3 times. Try: 2");
    EXPECT_FALSE(reply->complete);
    EXPECT_TRUE(reply->entries.empty());
}

TEST_F(ClientTest, ShortBodiesAreSilentFailuresAndAGoodOneEndsTheAttempts) {
    http.script = {{true, ""}, {true, "123456789"}, {true, ""}};
    auto reply = Fetch();
    EXPECT_EQ(http.gets.size(), 3u);
    // Three empty or short bodies: no retry message, one for the unusable list.
    EXPECT_EQ(sink.messages, std::vector<std::string>{switcher::kIncompleteListMessage});
    EXPECT_FALSE(reply->complete);

    http.gets.clear();
    sink.messages.clear();
    http.script = {{false, ""}, {true, kList}, {true, kList}};
    reply = Fetch();
    EXPECT_EQ(http.gets.size(), 2u);
    EXPECT_EQ(sink.messages.size(), 1u);
    ASSERT_EQ(reply->entries.size(), 1u);
    EXPECT_EQ(reply->entries[0][switcher::GameListEntry::Class], "ww2");
}

TEST_F(ClientTest, ErrorStatusBodiesAreReplies) {
    // The adapter passes an error page as an arrived body: a list of its
    // records, or the whole own address.
    http.script = {{true, "<html>Not Found</html>"}};
    const auto reply = Fetch();
    EXPECT_EQ(http.gets.size(), 1u);
    EXPECT_FALSE(reply->complete);
    EXPECT_EQ(sink.messages, std::vector<std::string>{switcher::kIncompleteListMessage});

    http.script = {{true, "404 page\r\n"}};
    std::optional<std::string> address;
    client.FetchOwnAddress([&](std::optional<std::string> a) { address = a; });
    EXPECT_EQ(http.gets.back(), "http://list.example:8080/vqx/myip.php");
    EXPECT_EQ(address, std::optional<std::string>("404 page\r\n"));

    bool failed = false;
    client.FetchOwnAddress([&](std::optional<std::string> a) { failed = !a; });
    EXPECT_TRUE(failed);
}

TEST_F(ClientTest, PostSendsTheEncodedAnnouncementOnceAndReportsFailure) {
    http.script = {{true, ""}};
    const switcher::HostedGame game{"Red Tank", "map.ssm", "1.2.3.4", "CDV", "cdv", "4vs4", ""};
    bool ok = false;
    client.PostHostedGame(game, [&](bool r) { ok = r; });
    EXPECT_TRUE(ok);
    ASSERT_EQ(http.posts.size(), 1u);
    EXPECT_EQ(http.posts[0],
              "http://list.example:8080/vqx/?mode=addV2&?mode=addV2&name=Red+Tank&map=map%2essm"
              "&ip=1%2e2%2e3%2e4&version=CDV&class=cdv&players=4vs4&note=");
    EXPECT_TRUE(sink.messages.empty());

    client.PostHostedGame(game, [&](bool r) { ok = r; });
    EXPECT_FALSE(ok);
    EXPECT_EQ(http.posts.size(), 2u);
    EXPECT_EQ(sink.messages, std::vector<std::string>{" problem while posting! "});
}
