// The store of open games on real SQLite files, with the time handed in.
#include "gamelist/protocol/game_list_reply.h"
#include "gamelist/service/game_store.h"
#include "service_client.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>

using gamelist::GameListEntry;
using gamelist::GameStore;
using gamelist::HostedGame;

namespace {

HostedGame Game(const std::string& name) {
    return {name, "Anymap", "", "CDV", "ww2", "2vs2", "hi"};
}

// The names of the listed games, newest first.
std::vector<std::string> Names(GameStore& store, std::int64_t now) {
    const auto list = gamelist::ParseStrippedV2("me\r1\rww2" + *store.EntryRecords(now));
    std::vector<std::string> names;
    for (const auto& e : list.entries)
        names.emplace_back(e[GameListEntry::Username]);
    return names;
}

struct Logged {
    std::vector<std::string> lines;
    gamelist::StoreLog Sink() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
    bool Has(const std::string& text) const {
        for (const auto& l : lines)
            if (l.find(text) != std::string::npos)
                return true;
        return false;
    }
};

// A second connection to the store's file, as an operator's sqlite3 shell would be.
struct Shell {
    sqlite3* db = nullptr;
    explicit Shell(const std::string& path) { sqlite3_open(path.c_str(), &db); }
    ~Shell() { sqlite3_close(db); }
    int Exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
};

} // namespace

// Under a steady stream of posts the reply is built once per second, not once per post.
TEST(GameStore, RebuildsTheListAtMostOnceASecond) {
    testsupport::TempDir dir;
    Logged log;
    GameStore store(dir / "games.db", 300, 1000, log.Sink());
    EXPECT_TRUE(Names(store, 100).empty());
    EXPECT_EQ(store.Add("10.0.0.1", Game("a"), 100), GameStore::AddResult::Stored);
    EXPECT_EQ(Names(store, 100), std::vector<std::string>{"a"}); // the first change shows at once
    EXPECT_EQ(store.Add("10.0.0.2", Game("b"), 100), GameStore::AddResult::Stored);
    EXPECT_EQ(Names(store, 100), std::vector<std::string>{"a"}); // the second waits for the next second
    EXPECT_EQ(Names(store, 101), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(store.Add("10.0.0.3", Game("c"), 150), GameStore::AddResult::Stored);
    EXPECT_EQ(Names(store, 150), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(Names(store, 400), std::vector<std::string>{"c"}); // "a" and "b" expired at 400
    EXPECT_TRUE(log.lines.empty());
}

// A rebuild that fails half way keeps the last whole list, says so, and is
// tried again in the next second.
TEST(GameStore, AFailedRebuildKeepsTheLastListAndStaysDue) {
    testsupport::TempDir dir;
    Logged log;
    GameStore store(dir / "games.db", 300, 1000, log.Sink());
    store.Add("10.0.0.1", Game("a"), 100);
    store.Add("10.0.0.2", Game("b"), 100);
    ASSERT_EQ(Names(store, 100), (std::vector<std::string>{"b", "a"}));

    // The table becomes a view whose reading fails (abs() of the smallest integer overflows).
    Shell shell(dir / "games.db");
    ASSERT_EQ(
        shell.Exec("ALTER TABLE games RENAME TO kept;"
                   "CREATE VIEW games AS SELECT address, ip, name, posted, version, map, players, note,"
                   " class, posted_at + abs(-9223372036854775807 - (rowid > 1)) AS posted_at FROM kept"),
        SQLITE_OK);
    EXPECT_EQ(Names(store, 400 - 1), (std::vector<std::string>{"b", "a"})); // still valid: no rebuild
    EXPECT_EQ(Names(store, 500), (std::vector<std::string>{"b", "a"}));     // the rebuild fails
    EXPECT_TRUE(log.Has("cannot read the games")) << (log.lines.empty() ? "" : log.lines[0]);

    ASSERT_EQ(shell.Exec("DROP VIEW games; ALTER TABLE kept RENAME TO games"), SQLITE_OK);
    EXPECT_EQ(Names(store, 500), (std::vector<std::string>{"b", "a"})); // tried once in this second
    EXPECT_TRUE(Names(store, 501).empty());                             // both expired at 400
}

// A locked database refuses posts with "busy" and the list is still served.
TEST(GameStore, ALockedDatabaseRefusesPostsAndServesTheLastList) {
    testsupport::TempDir dir;
    Logged log;
    GameStore store(dir / "games.db", 300, 1000, log.Sink());
    store.Add("10.0.0.1", Game("a"), 100);
    ASSERT_EQ(Names(store, 100), std::vector<std::string>{"a"});
    Shell shell(dir / "games.db");
    ASSERT_EQ(
        shell.Exec("BEGIN IMMEDIATE; INSERT INTO games VALUES ('x','x','x','x','x','x','x','x','x',100)"),
        SQLITE_OK);
    EXPECT_EQ(store.Add("10.0.0.2", Game("b"), 101), GameStore::AddResult::Busy);
    EXPECT_EQ(Names(store, 102), std::vector<std::string>{"a"});
    EXPECT_TRUE(log.Has("busy"));
    shell.Exec("ROLLBACK");
    EXPECT_EQ(store.Add("10.0.0.2", Game("b"), 103), GameStore::AddResult::Stored);
    EXPECT_EQ(Names(store, 104), (std::vector<std::string>{"b", "a"}));
}

// A file that is not this service's database is moved aside, named in the
// log, and a new database starts; its bytes stay as they were.
TEST(GameStore, MovesAFileThatIsNotItsDatabaseAside) {
    const struct {
        const char* what;
        const char* sql;   // made with sqlite3, or
        std::string bytes; // written as they are
    } cases[] = {
        {"garbage", nullptr, std::string(5000, '\x5a')},
        {"a text file", nullptr, "[game]\nname=Red Tank\n"},
        {"another program's database",
         "CREATE TABLE contacts (name TEXT); INSERT INTO contacts VALUES ('Tom')",
         {}},
        {"a games table of another shape", "CREATE TABLE games (id INTEGER, title TEXT)", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string path = dir / "games.db";
        if (c.sql) {
            Shell shell(path);
            ASSERT_EQ(shell.Exec(c.sql), SQLITE_OK);
        } else {
            testsupport::WriteBytes(path, c.bytes);
        }
        const std::string before = servicetest::ReadAll(path);
        Logged log;
        GameStore store(path, 300, 1000, log.Sink());
        EXPECT_EQ(store.Error(), "");
        std::vector<std::filesystem::path> aside;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().filename().string().starts_with("games.db.bad-") &&
                !entry.path().filename().string().ends_with("-wal"))
                aside.push_back(entry.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_TRUE(servicetest::ReadAll(aside[0]) == before); // byte for byte
        EXPECT_TRUE(log.Has("moved " + path + " aside to " + aside[0].string() + " at "));
        EXPECT_EQ(store.Add("10.0.0.1", Game("a"), 100), GameStore::AddResult::Stored);
        EXPECT_EQ(Names(store, 100), std::vector<std::string>{"a"});
    }
}

// A database that cannot be opened at all is an error, and nothing is moved.
TEST(GameStore, AnUnopenableDatabaseIsAnErrorAndMovesNothing) {
    testsupport::TempDir dir;
    Logged log;
    GameStore store(dir / "missing/games.db", 300, 1000, log.Sink());
    EXPECT_NE(store.Error(), "");
    EXPECT_TRUE(log.lines.empty());
    // An existing database of this service is kept with its games.
    {
        GameStore first(dir / "games.db", 300, 1000, log.Sink());
        first.Add("10.0.0.1", Game("kept"), 100);
    }
    GameStore again(dir / "games.db", 300, 1000, log.Sink());
    EXPECT_EQ(again.Error(), "");
    EXPECT_EQ(Names(again, 101), std::vector<std::string>{"kept"});
    EXPECT_TRUE(log.lines.empty());
}
