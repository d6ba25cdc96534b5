// The open games as a browser and a web site get them from a running
// gamelistd: Debian's chromium, headless, loads the page (skipped with a
// message where chromium is not installed), and jq reads the JSON feed.
#include "gamelist/protocol/add_query.h"
#include "service_client.h"

#include <filesystem>
#include <gtest/gtest.h>

using gamelist::HostedGame;
using servicetest::ReadAll;
using servicetest::Request;
using servicetest::RunTool;
using servicetest::Service;

namespace {

const char* kChromium = "/usr/bin/chromium";

// Headless chromium as root (no sandbox, no GPU, a profile of its own), then `args`.
std::vector<std::string> Chromium(const std::string& profile, const std::vector<std::string>& args) {
    std::vector<std::string> command = {kChromium, "--headless", "--no-sandbox", "--disable-gpu",
                                        "--user-data-dir=" + profile};
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

// The games that the tests announce: one plain, one hostile, one in Windows-1252.
void AnnounceGames(const Service& s) {
    const HostedGame games[] = {
        {"Red Tank", "Bridge at Remagen", "", "v1", "ww2", "2vs2", "all welcome"},
        {"<script>alert(1)</script>", "Anymap", "", "v1", "ww2", "1vs1",
         "<script>document.title='pwned'</script><img src=x onerror=\"document.title='pwned'\">"},
        {"Caf\xe9 \x80", "Winter Valley", "", "v2", "winter", "4vs4", ""},
    };
    int n = 0;
    for (const auto& g : games)
        ASSERT_EQ(
            Request(s.Port(), "POST", gamelist::BuildAddV2Path(g), "127.0.4." + std::to_string(++n)).status,
            200);
}

} // namespace

// Chromium's DOM of the page holds the games; the hostile name is text and no script runs.
TEST(Browser, ShowsTheGamesAndRunsNoScript) {
    if (access(kChromium, X_OK) != 0)
        GTEST_SKIP()
            << "chromium is not installed (apt-get install chromium): the page is not tried in a browser";
    Service s;
    AnnounceGames(s);
    const std::string dom = s.Directory() + "dom.html";
    ASSERT_EQ(RunTool(Chromium(s.Directory() + "profile", {"--dump-dom", s.Root() + "/"}), "/dev/null", dom),
              0);
    const std::string text = ReadAll(dom);
    EXPECT_NE(text.find("Red Tank"), std::string::npos) << text.substr(0, 2000);
    EXPECT_NE(text.find("Caf\xc3\xa9 \xe2\x82\xac"), std::string::npos); // decoded from Windows-1252
    // The DOM holds the names as text: no element came from a game.
    EXPECT_NE(text.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_EQ(text.find("<script"), std::string::npos);
    EXPECT_EQ(text.find("<img"), std::string::npos);
    EXPECT_NE(text.find("<title>Open games</title>"), std::string::npos); // no script changed it
}

// Pictures of the page at a desktop's and a phone's width, for a person to look at.
TEST(Browser, TakesScreenshotsAtDesktopAndPhoneWidth) {
    if (access(kChromium, X_OK) != 0)
        GTEST_SKIP() << "chromium is not installed (apt-get install chromium): no screenshots of the page";
    Service s({"--example-games", "12"});
    AnnounceGames(s);
    const struct {
        const char* name;
        const char* size;
    } shots[] = {{"gamelistd-page-desktop.png", "1280,900"}, {"gamelistd-page-phone.png", "390,844"}};
    for (const auto& shot : shots) {
        const std::string file = std::string(SCREENSHOT_DIR) + "/" + shot.name;
        std::filesystem::remove(file);
        const auto command = Chromium(s.Directory() + "profile",
                                      {"--hide-scrollbars", std::string("--window-size=") + shot.size,
                                       "--screenshot=" + file, s.Root() + "/"});
        EXPECT_EQ(RunTool(command, "/dev/null", "/dev/null"), 0);
        const std::string png = ReadAll(file);
        EXPECT_EQ(png.substr(0, 4), "\x89PNG") << file;
        std::printf("screenshot: %s\n", file.c_str());
    }
}

// jq, as a web site's script would, reads the feed: valid JSON in UTF-8, every field decoded.
TEST(Browser, TheJsonFeedIsValidForAParser) {
    if (access("/usr/bin/jq", X_OK) != 0)
        GTEST_SKIP() << "jq is not installed";
    Service s({"--classes", "ww2,winter"});
    AnnounceGames(s);
    const auto feed = Request(s.Port(), "GET", "/api/games.json");
    ASSERT_EQ(feed.status, 200);
    EXPECT_NE(feed.head.find("Content-Type: application/json; charset=utf-8"), std::string::npos);
    EXPECT_NE(feed.head.find("Access-Control-Allow-Origin: *"), std::string::npos);
    const std::string in = s.Directory() + "feed.json", out = s.Directory() + "jq.out";
    std::ofstream(in, std::ios::binary) << feed.body;
    ASSERT_EQ(RunTool({"jq", "-r", "-e",
                       "[.classes[], (.games | sort_by(.name)[] | .name, .comment, .ip, .class, .players)] | "
                       "join(\"|\")"},
                      in, out),
              0);
    EXPECT_EQ(ReadAll(out), "ww2|winter|"
                            "<script>alert(1)</script>|<script>document.title='pwned'</script><img src=x "
                            "onerror=\"document.title='pwned'\">|127.0.4.2|ww2|1vs1|"
                            "Caf\xc3\xa9 \xe2\x82\xac||127.0.4.3|winter|4vs4|"
                            "Red Tank|all welcome|127.0.4.1|ww2|2vs2\n");
}
