#include "common/file_system.h"
#include "common/shell.h"
#include "switcher/multiplayer/launcher_flows.h"
#include "switcher/options/options_view.h"
#include "tests/support/recording_shell.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

#include <deque>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace switcher;
using gamelist::GameListEntry;

namespace {

// Holds each request until the test answers it.
struct HeldHttp : HttpPort {
    struct Pending {
        bool post;
        std::string url;
        Done done;
    };
    std::deque<Pending> pending;
    int gets = 0, posts = 0;
    void Get(const std::string& url, Done done) override {
        ++gets;
        pending.push_back({false, url, std::move(done)});
    }
    void Post(const std::string& url, Done done) override {
        ++posts;
        pending.push_back({true, url, std::move(done)});
    }
    void Answer(const std::string& body, bool arrived = true) {
        ASSERT_FALSE(pending.empty());
        Pending p = std::move(pending.front());
        pending.pop_front();
        p.done({arrived, body});
    }
};

struct FakeView : LauncherView {
    std::string boxes[4];
    std::string players, watchers;
    std::vector<std::string> nodes;
    int node = 0, row = 0;
    std::vector<GameListEntry> rows;
    bool cut = false;
    bool locked = false, busyCursor = false, closed = false;
    std::string BoxText(Box b) const override { return boxes[static_cast<int>(b)]; }
    void SetBoxText(Box b, const std::string& t) override { boxes[static_cast<int>(b)] = t; }
    std::string PlayersText() const override { return players; }
    std::string PlayersSelection() const override { return players; }
    void SetPlayersText(const std::string& t) override { players = t; }
    void SetWatcherCount(const std::string& c) override { watchers = c; }
    void ShowClassNodes(const std::vector<std::string>& n) override { nodes = n; }
    void SelectClassNode(int n) override { node = n; }
    int SelectedClassNode() const override { return node; }
    void ShowRows(std::shared_ptr<const ShownGames> shown) override {
        rows.clear();
        for (const std::uint32_t i : shown->rows)
            rows.push_back((*shown->list)[i]);
    }
    void ShowListCut(bool c) override { cut = c; }
    int SelectedRow() const override { return row; }
    void ShowLocked(bool l) override { locked = l; }
    void ShowBusyCursor(bool b) override { busyCursor = b; }
    void EnsureTimerRuns() override {}
    void CloseSoon() override { closed = true; }
};

struct Options : OptionsView {
    bool launchWhenHost = false, fetchAll = false;
    bool ViewNews() const override { return false; }
    bool LaunchWhenHost() const override { return launchWhenHost; }
    bool FetchSelectedIp() const override { return false; }
    bool FetchAll() const override { return fetchAll; }
};

struct FlowsTest : ::testing::Test {
    testsupport::TempDir dir;
    std::string root = dir.str();
    LanguageTable language;
    testsupport::RecordingSink sink;
    testsupport::RecordingShell shell;
    Options options;
    ModCatalogue catalogue;
    HeldHttp http;
    GameListClient client{http, sink, [] { return std::string("http://h"); }};
    Launcher launcher{catalogue, language, sink, shell, root, [] { return 0; }};
    FakeView view;
    std::unique_ptr<LauncherFlows> flows;

    // SetUp enters the program directory, as the idle switcher stands in it
    // (the descriptor's paths are relative); each case ends back here.
    std::string before = common::CurrentDirectory();
    // The descriptor's default game program, the chat page "http://h/chat".
    const std::string gameExe = root + "game\\code\\release\\game_exe.exe";

    void SetUp() override {
        std::filesystem::create_directories(root + "zandrel/m");
        std::ofstream(root + "zandrel/m/ss2plugin.ini") << "[mod]\r\nAcronym=m\r\nClass=WW2\r\n";
        testsupport::WriteBytes(root + "game/code/release/game_exe.exe", "MZ");
        ASSERT_TRUE(common::ChangeCurrentDirectory(root));
        catalogue.LoadCatalogue(root, "http://h");
        ASSERT_EQ(catalogue.Size(), 1);
        flows = std::make_unique<LauncherFlows>(LauncherContext{language, sink, client, launcher, catalogue,
                                                                [] { return 0; }, options, root,
                                                                [] { return std::string("http://h:81"); }},
                                                view);
    }
    void TearDown() override { common::ChangeCurrentDirectory(before); }
};

const std::string kReply = "1.1.1.1\r3\rother|ww2\r"
                           "2.2.2.2|a|t|v|m|p|c|WW2\r3.3.3.3|b|t|v|m|p|c|other\r4.4.4.4|c|t|v|m|p|c|ww2";

} // namespace

TEST(LauncherNodes, CountClassesWithoutCaseAndShowThemInCapitals) {
    gamelist::GameList entries;
    for (const char* c : {"WW2", "ww2", "x", "Other"}) {
        GameListEntry e;
        e[GameListEntry::Class] = c;
        entries.Add(e);
    }
    // A class listed twice counts its entries at each of its nodes.
    EXPECT_EQ(LauncherFlows::ClassNodes({"ww2", "other", "WW2"}, entries),
              (std::vector<std::string>{"Any Mod (4)", "WW2 (2)", "OTHER (1)", "WW2 (2)"}));
    EXPECT_EQ(LauncherFlows::ServiceHostName("http://list.example:8080/x"), "list.example");
    EXPECT_EQ(LauncherFlows::ServiceHostName("list.example"), "list.example");
}

TEST(LauncherNodes, OnlyAPlainClassNameMakesADownloadAddress) {
    const std::string page = "http://h:81/vqx/mod_download.php?class=";
    const struct {
        std::string modClass;
        std::string address;
    } cases[] = {
        {"ww2mod", page + "ww2mod"},
        {"WW2_Mod-3", page + "ww2_mod-3"},
        {std::string(300, 'a'), page + std::string(300, 'a')},
        {"", ""},
        {"a b", ""},
        {"../x", ""},
        {"x?y=1", ""},
        {"%2e", ""},
        {"ww2\r\n", ""},
        {std::string("ww2\0x", 5), ""},
        {"w\xe9", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LauncherFlows::ModDownloadAddress("http://h:81", c.modClass), c.address) << c.modClass;
}

TEST_F(FlowsTest, ARefreshDuringARefreshMakesNoRequestAndTheFilterFollowsTheModClass) {
    flows->Refresh();
    EXPECT_TRUE(flows->Busy());
    EXPECT_TRUE(view.locked);
    flows->Refresh(); // waits for the first: locks and filters only
    EXPECT_EQ(http.gets, 1);
    http.Answer(kReply);
    EXPECT_FALSE(flows->Busy());
    EXPECT_EQ(view.nodes, (std::vector<std::string>{"Any Mod (3)", "OTHER (1)", "WW2 (2)"}));
    EXPECT_EQ(view.node, 2); // the mod's class, without regard to case
    ASSERT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(view.rows[1][GameListEntry::IP], "4.4.4.4");
    EXPECT_EQ(view.boxes[0], "1.1.1.1");
    EXPECT_EQ(view.watchers, "3");

    // Locked until the tick: the same data again, no request.
    flows->Refresh();
    EXPECT_EQ(http.gets, 1);
    EXPECT_EQ(view.rows.size(), 2u);
    flows->Tick();
    EXPECT_FALSE(view.locked);

    // A reply without entries leaves nothing of the earlier one.
    flows->Refresh();
    http.Answer("1.1.1.1\r0\rother|ww2");
    EXPECT_EQ(view.nodes, (std::vector<std::string>{"Any Mod (0)", "OTHER (0)", "WW2 (0)"}));
    EXPECT_TRUE(view.rows.empty()); // the window shows its blank row
    EXPECT_EQ(flows->ShownEntry(0)[GameListEntry::Class], " ");
}

TEST_F(FlowsTest, AReplyBeyondTheCapIsCutAndSaysSoUntilAWholeReplyComes) {
    std::string big = "1.1.1.1\r3\rww2";
    for (std::size_t i = 0; i <= gamelist::kMaxListEntries; ++i)
        big += i % 2 ? "\rx|a|t|v|m|p|c|WW2" : "\rx|a|t|v|m|p|c|other";
    flows->Refresh();
    http.Answer(big);
    EXPECT_TRUE(view.cut);
    EXPECT_EQ(flows->Entries().size(), gamelist::kMaxListEntries);
    // The mod's class is preselected: every kept entry of it shows.
    EXPECT_EQ(view.nodes[1], "WW2 (" + std::to_string(gamelist::kMaxListEntries / 2) + ")");
    EXPECT_EQ(flows->Shown().size(), gamelist::kMaxListEntries / 2);
    flows->Tick();
    flows->Refresh();
    http.Answer(kReply);
    EXPECT_FALSE(view.cut);
}

TEST_F(FlowsTest, AnUnusableReplyEndsTheBusyStateAndTheNextRefreshWorks) {
    flows->Refresh();
    http.Answer("<html>nothing here</html>");
    EXPECT_FALSE(flows->Busy());
    EXPECT_TRUE(flows->Entries().empty());
    EXPECT_EQ(view.nodes, std::vector<std::string>{"Any Mod (0)"});
    EXPECT_EQ(sink.messages, std::vector<std::string>{kIncompleteListMessage});
    flows->Tick();
    flows->Refresh();
    http.Answer(kReply);
    EXPECT_EQ(http.gets, 2);
    EXPECT_EQ(flows->Entries().size(), 3u);
}

TEST_F(FlowsTest, HostPostsOncePerTickAndRefreshesEachTime) {
    view.boxes[1] = "Red Tank";
    view.players = "2vs2";
    flows->Host();
    ASSERT_EQ(http.posts, 1);
    EXPECT_NE(http.pending.front().url.find("name=Red+Tank"), std::string::npos);
    EXPECT_NE(http.pending.front().url.find("class=ww2"), std::string::npos);
    http.Answer("", false);
    EXPECT_EQ(sink.messages, std::vector<std::string>{" problem while posting! "});
    EXPECT_EQ(http.gets, 1); // the failed post still refreshes
    http.Answer(kReply);

    // Locked until the tick: no post and no list request.
    flows->Host();
    EXPECT_EQ(http.posts, 1);
    EXPECT_EQ(http.gets, 1);
    flows->WaitAndChat();
    EXPECT_EQ(view.boxes[2], "(No game)");
    EXPECT_EQ(view.boxes[3], "Looking for game, waiting in h/chat/");
    EXPECT_EQ(http.posts, 1); // still locked
}

TEST_F(FlowsTest, OwnAddressFailureClosesAndBoxesComeFromTheSettings) {
    std::ofstream(root + "switcher.ini") << "[launcher]\r\nusername=Me\r\nplayers=3vs3\r\n";
    flows->Open();
    EXPECT_EQ(view.boxes[1], "Me");
    EXPECT_EQ(view.boxes[2], "Anymap");
    EXPECT_EQ(view.players, "3vs3");
    http.Answer("", false);
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(http.gets, 1); // no list request after the failure
}

TEST_F(FlowsTest, JoinStartsNoGameWhenTheHostListCannotBeWritten) {
    options.fetchAll = true;
    flows->Refresh();
    http.Answer(kReply);
    // A directory in the file's place fails the write, for root too.
    std::filesystem::create_directories(root + "game/sudtest.ini");
    flows->Join();
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Unable to write to " +
                                                      common::ResolvePath(root + "game\\sudtest.ini")});
    EXPECT_TRUE(shell.calls.empty());

    // With the place free again the same join writes the list and starts the game.
    std::filesystem::remove(root + "game/sudtest.ini");
    flows->Join();
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].target, gameExe);
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(FlowsTest, WaitAndChatOpensTheChatAfterThePostTheLaunchAndTheRefresh) {
    options.launchWhenHost = true;
    flows->WaitAndChat();
    ASSERT_EQ(http.posts, 1);
    EXPECT_TRUE(shell.calls.empty()); // the post is not answered yet
    http.Answer("");
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].target, gameExe);
    ASSERT_EQ(http.pending.size(), 1u);
    EXPECT_FALSE(http.pending.front().post); // the refresh, not answered yet
    http.Answer(kReply);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].target, "http://h/chat");
}
