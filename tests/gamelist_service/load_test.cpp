// gamelistd under load and trouble: slow connections, a kill in the middle
// of a stream of posts, a full disk, a garbage database file. Short versions
// here; with GAMELISTD_SOAK=1 (`./dev soak`) each runs for about a minute at
// full size and prints its figures.
#include "gamelist/protocol/add_query.h"
#include "gamelist/protocol/game_list_reply.h"
#include "service_client.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>

using gamelist::HostedGame;
using servicetest::Request;
using servicetest::Service;

namespace {

const char* kList = "/vqx/?mode=list&submode=strippedV2";
using Clock = std::chrono::steady_clock;

bool Soak() {
    const char* soak = std::getenv("GAMELISTD_SOAK");
    return soak && std::string(soak) == "1";
}

HostedGame Game(const std::string& name) {
    return {name, "Anymap", "", "v1", "ww2", "2vs2", "load"};
}

// Post number `n`, from one of `addresses` loopback addresses (a later post
// from the same address replaces its game).
int Post(const Service& s, int n, int addresses = 62500) {
    const int a = n % addresses;
    const std::string from = "127.1." + std::to_string(a / 250) + "." + std::to_string(1 + a % 250);
    return Request(s.Port(), "POST", gamelist::BuildAddV2Path(Game("g" + std::to_string(n))), from).status;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    std::string verdict = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
            sqlite3_step(check) == SQLITE_ROW)
            verdict = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    return verdict;
}

} // namespace

// Slow connections (a byte now and then) from one address, and in the soak
// also from many: a normal client from elsewhere still gets its list.
TEST(Load, SlowConnectionsLeaveOtherPlayersServed) {
    struct Scenario {
        int connections;
        int addresses;
        int seconds;
    };
    const std::vector<Scenario> scenarios =
        Soak() ? std::vector<Scenario>{{1000, 1, 60}, {1000, 125, 60}} : std::vector<Scenario>{{200, 1, 2}};
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    for (const Scenario& scenario : scenarios) {
        Service s({"--request-seconds", "10"});
        ASSERT_GT(s.Port(), 0);
        std::vector<int> slow;
        for (int i = 0; i < scenario.connections; ++i)
            slow.push_back(
                servicetest::Connect(s.Port(), "127.2.0." + std::to_string(1 + i % scenario.addresses)));
        std::atomic<bool> done{false};
        // Each connection sends its request head a byte at a time, one byte a second.
        std::thread trickle([&] {
            const std::string head = std::string("GET ") + kList + " HTTP/1.1\r\nHost: x\r\nX-Pad: ";
            for (std::size_t step = 0; !done; ++step) {
                for (int& fd : slow) {
                    if (fd < 0)
                        continue;
                    const char c = step < head.size() ? head[step] : 'x';
                    if (send(fd, &c, 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno != EAGAIN) {
                        close(fd); // the service closed it: reconnect, as an attacker would
                        fd = servicetest::Connect(s.Port(), "127.2.0.1");
                    }
                }
                for (int i = 0; i < 10 && !done; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        double slowest = 0;
        int served = 0, asked = 0;
        const auto end = Clock::now() + std::chrono::seconds(scenario.seconds);
        do {
            const auto start = Clock::now();
            const auto reply = Request(s.Port(), "GET", kList, "127.3.0.1");
            slowest = std::max(slowest, Seconds(Clock::now() - start));
            ++asked;
            served += reply.status == 200 && gamelist::ParseStrippedV2(reply.body).complete ? 1 : 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        } while (Clock::now() < end);
        done = true;
        trickle.join();
        for (const int fd : slow)
            if (fd >= 0)
                close(fd);
        EXPECT_EQ(served, asked);
        std::printf("%d slow connections from %d address(es): %d of %d lists served, the slowest in %.3f s "
                    "(target < 1 s)\n",
                    scenario.connections, scenario.addresses, served, asked, slowest);
    }
}

// A kill while posts stream in loses at most the last posts: the database
// stays sound and the restarted service serves at once.
TEST(Load, AKillUnderPostsLeavesASoundDatabase) {
    Service s({"--posts-per-minute", "0"});
    ASSERT_GT(s.Port(), 0);
    const int seconds = Soak() ? 30 : 1;
    const int rounds = Soak() ? 5 : 1;
    std::atomic<int> stored{0};
    std::atomic<int> next{0};
    for (int round = 0; round < rounds; ++round) {
        std::atomic<bool> stop{false};
        std::vector<std::thread> posters;
        const auto start = Clock::now();
        const int before = stored;
        for (int t = 0; t < 8; ++t) {
            posters.emplace_back([&] {
                // At most 250 posts a second each: 2,000 together.
                for (auto due = Clock::now(); !stop; due += std::chrono::milliseconds(4)) {
                    if (Post(s, next++, 1000) == 200) // a full list of games, each posted again and again
                        ++stored;
                    std::this_thread::sleep_until(due);
                }
            });
        }
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        s.Kill();
        const double rate = (stored - before) / Seconds(Clock::now() - start);
        stop = true;
        for (auto& p : posters)
            p.join();
        EXPECT_EQ(IntegrityCheck(s.Database()), "ok");
        s.Start();
        ASSERT_GT(s.Port(), 0);
        const auto list = gamelist::ParseStrippedV2(Request(s.Port(), "GET", kList).body);
        EXPECT_TRUE(list.complete);
        EXPECT_GT(list.entries.size(), 0u);
        std::printf(
            "round %d: %.0f posts a second stored until the kill; %zu games listed after the restart\n",
            round + 1, rate, list.entries.size());
    }
}

// A full disk: posts get 503, lists go on, nothing crashes; once there is
// space again, posts are stored without a restart. The database lies on a
// small tmpfs mounted in a mount namespace of the service's own.
TEST(Load, AFullDiskRefusesPostsAndKeepsServing) {
    if (geteuid() != 0)
        GTEST_SKIP() << "a tmpfs of its own needs root";
    testsupport::TempDir outside;
    const std::string db = outside / "db";
    std::filesystem::create_directories(db);
    const std::vector<std::string> wrapper = {
        "unshare",
        "--mount",
        "sh",
        "-c",
        "mount --make-rprivate / && mount -t tmpfs -o size=1m tmpfs \"$0\" && exec \"$@\"",
        db};
    Service s({"--posts-per-minute", "0"}, db + "/games.db", wrapper);
    if (s.Port() == 0)
        GTEST_SKIP() << "cannot mount a tmpfs in a mount namespace here: " << s.ErrorLog();
    const std::string inside = "nsenter --mount --target " + std::to_string(s.Pid()) + " ";
    const int rounds = Soak() ? 20 : 1;
    int n = 0;
    for (int round = 0; round < rounds; ++round) {
        ASSERT_EQ(Post(s, n++), 200);
        // Fill the disk; then posts run into it.
        std::system((inside + "dd if=/dev/zero of=" + db + "/filler bs=16k >/dev/null 2>&1").c_str());
        int refused = 0;
        for (int i = 0; i < 2000 && refused == 0; ++i)
            refused += Post(s, n++) == 503 ? 1 : 0;
        EXPECT_EQ(refused, 1) << "posts were stored on a full disk";
        const auto list = Request(s.Port(), "GET", kList);
        EXPECT_EQ(list.status, 200);
        EXPECT_GT(gamelist::ParseStrippedV2(list.body).entries.size(), 0u);
        EXPECT_EQ(Request(s.Port(), "GET", "/").status, 200);
        // Space again: posts are stored, and listed, without a restart.
        ASSERT_EQ(std::system((inside + "rm " + db + "/filler").c_str()), 0);
        const int back = n++;
        EXPECT_EQ(Post(s, back), 200);
        bool listed = false;
        for (int i = 0; i < 30 && !listed; ++i) {
            listed = Request(s.Port(), "GET", kList).body.find("g" + std::to_string(back) + "|") !=
                     std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_TRUE(listed);
        ASSERT_TRUE(s.Running());
    }
    EXPECT_NE(s.ErrorLog().find("cannot store a game"), std::string::npos) << s.ErrorLog();
    EXPECT_EQ(s.Stop(), 0);
}

// A database file replaced by garbage: the service starts, says where the
// file went, and serves.
TEST(Load, AGarbageDatabaseIsMovedAsideAtStart) {
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "games.db", std::string(10000, '\xa5'));
    Service s({}, dir / "games.db");
    ASSERT_GT(s.Port(), 0) << s.ErrorLog();
    EXPECT_EQ(Request(s.Port(), "GET", kList).status, 200);
    EXPECT_EQ(Post(s, 1), 200);
    EXPECT_NE(s.ErrorLog().find("moved " + (dir / "games.db") + " aside to " + (dir / "games.db.bad-")),
              std::string::npos)
        << s.ErrorLog();
    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        aside += entry.path().filename().string().starts_with("games.db.bad-") ? 1 : 0;
    EXPECT_EQ(aside, 1);
}
