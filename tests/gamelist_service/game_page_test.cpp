// The web page and the JSON feed of the open games, built from hostile fields.
#include "gamelist/service/game_page.h"
#include "gamelist/service/games_json.h"
#include "gamelist/service/web_text.h"

#include <gtest/gtest.h>

using gamelist::GameListEntry;
using gamelist::ListedGame;

namespace {

ListedGame Listed(const std::string& name, const std::string& gameClass, std::int64_t postedAt,
                  const std::string& note = "hi") {
    ListedGame g;
    g.entry.fields = {"192.0.2.1", name, "12:00", "v1", "Anymap", "2vs2", note, gameClass};
    g.postedAt = postedAt;
    return g;
}

std::string Html(std::string_view text) {
    std::string out;
    gamelist::AppendHtml(out, text);
    return out;
}

std::string Json(std::string_view text) {
    std::string out;
    gamelist::AppendJsonString(out, text);
    return out;
}

} // namespace

// Every byte a game can send, as HTML text and as a JSON string, in UTF-8.
TEST(WebText, EscapesAndDecodesWindows1252) {
    const struct {
        std::string bytes;
        std::string html;
        std::string json;
    } cases[] = {
        {"Red Tank", "Red Tank", "\"Red Tank\""},
        {"<script>x</script>", "&lt;script&gt;x&lt;/script&gt;",
         "\"\\u003cscript\\u003ex\\u003c/script\\u003e\""},
        {"a&b \"q\" 'r'", "a&amp;b &quot;q&quot; &#39;r&#39;", "\"a\\u0026b \\\"q\\\" 'r'\""},
        {"back\\slash", "back\\slash", "\"back\\\\slash\""},
        {"Caf\xe9 \x80 \x9f", "Caf\xc3\xa9 \xe2\x82\xac \xc5\xb8", "\"Caf\xc3\xa9 \xe2\x82\xac \xc5\xb8\""},
        // A byte the code page leaves undefined: its own character, a control on the page.
        {"x\x81y", "x\xef\xbf\xbdy", "\"x\xc2\x81y\""},
        {std::string("n\0ul\x1b\t", 6), "n\xef\xbf\xbdul\xef\xbf\xbd\t", "\"n\\u0000ul\\u001b\\u0009\""},
        {"\x7f", "\xef\xbf\xbd", "\"\\u007f\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(Html(c.bytes), c.html);
        EXPECT_EQ(Json(c.bytes), c.json);
    }
    EXPECT_EQ(gamelist::Windows1252ToUtf8("\xe9\x80"), "\xc3\xa9\xe2\x82\xac");
}

TEST(GamePage, GroupsByClassLinksTheNewsAndEscapesEveryField) {
    const std::vector<ListedGame> games = {
        Listed("<b>bold</b>", "WW2", 1000 - 30, "<img src=x onerror=alert(1)>"),
        Listed("Frost", "winter", 1000 - 125),
        Listed("Stray", "tanks&more", 1000 - 3700),
        Listed("Tiger", "ww2", 1000 - 61, " "),
    };
    const std::vector<std::string> classes = {"ww2", "winter", "desert"};
    const std::string page = gamelist::RenderGamePage({games, classes, 7, 1000});
    // Groups in the order of the classes, a class matched without regard to case; others last.
    const std::size_t ww2 = page.find("<h2>ww2<a href=\"/vqx/anymodnews.php?class=ww2\">news</a></h2>");
    const std::size_t winter =
        page.find("<h2>winter<a href=\"/vqx/anymodnews.php?class=winter\">news</a></h2>");
    const std::size_t desert = page.find("<h2>desert<a");
    const std::size_t others = page.find("<h2>Other classes</h2>");
    ASSERT_NE(ww2, std::string::npos);
    ASSERT_NE(others, std::string::npos);
    EXPECT_LT(ww2, page.find("&lt;b&gt;bold&lt;/b&gt;"));
    EXPECT_LT(page.find("Tiger"), winter);
    EXPECT_LT(winter, page.find("Frost"));
    EXPECT_LT(page.find("Frost"), desert);
    EXPECT_NE(page.find("No open games.", desert), std::string::npos);
    EXPECT_LT(others, page.find("Stray"));
    // Nothing of a field is markup.
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_NE(page.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    // Ages, counts, the refresh, a phone's width, and no script at all.
    EXPECT_NE(page.find("<td>just now</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>1 min</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>2 min</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>1 h 1 min</td>"), std::string::npos);
    EXPECT_NE(page.find("4 open games, 7 players watching"), std::string::npos);
    EXPECT_NE(page.find("<meta http-equiv=\"refresh\" content=\"60\">"), std::string::npos);
    EXPECT_NE(page.find("name=\"viewport\""), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    // An empty comment is empty, not a blank.
    EXPECT_NE(page.find("<td>2vs2</td><td></td><td>v1</td>"), std::string::npos);
}

// A class name from the command line cannot break out of the news link.
TEST(GamePage, AClassNameIsEncodedInItsNewsLink) {
    const std::vector<ListedGame> none;
    const std::vector<std::string> classes = {"a\"b<c> d"};
    const std::string page = gamelist::RenderGamePage({none, classes, 0, 0});
    EXPECT_NE(page.find("<h2>a&quot;b&lt;c&gt; d<a href=\"/vqx/anymodnews.php?class=a%22b%3Cc%3E%20d\">"),
              std::string::npos);
}

// A hundred games of the usual kind fit in 20 KB.
TEST(GamePage, AHundredGamesStayUnder20KB) {
    std::vector<ListedGame> games;
    for (int i = 0; i < 100; ++i)
        games.push_back(Listed("Panzerfaust " + std::to_string(i), i % 2 ? "ww2" : "winter", 1000 - 10 * i,
                               "all welcome, no rush"));
    const std::vector<std::string> classes = {"ww2", "winter", "desert", "other"};
    EXPECT_LT(gamelist::RenderGamePage({games, classes, 42, 1000}).size(), 20u * 1024);
}

TEST(GamesJson, ListsEveryFieldOfEveryGame) {
    const std::vector<ListedGame> games = {Listed("Caf\xe9", "ww2", 990, " ")};
    const std::vector<std::string> classes = {"ww2", "winter"};
    EXPECT_EQ(gamelist::RenderGamesJson({games, classes, 3, 1000}),
              "{\"time\":1000,\"watchers\":3,\"classes\":[\"ww2\",\"winter\"],\"games\":[\n"
              "{\"name\":\"Caf\xc3\xa9\",\"map\":\"Anymap\",\"players\":\"2vs2\",\"comment\":\"\","
              "\"version\":\"v1\","
              "\"class\":\"ww2\",\"ip\":\"192.0.2.1\",\"posted\":\"12:00\",\"posted_at\":990,\"age_seconds\":"
              "10}]}\n");
    EXPECT_EQ(gamelist::RenderGamesJson({{}, classes, 0, 5}),
              "{\"time\":5,\"watchers\":0,\"classes\":[\"ww2\",\"winter\"],\"games\":[]}\n");
}
