#pragma once

#include "gamelist/protocol/add_query.h"
#include "gamelist/protocol/game_list_reply.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace gamelist {

// Bounds of the stored fields, in bytes.
struct FieldLimits {
    std::size_t name = 32;
    std::size_t map = 64;
    std::size_t ip = 64;
    std::size_t version = 16;
    std::size_t gameClass = 32;
    std::size_t players = 16;
    std::size_t note = 128;
};

// One open game as the store lists it.
struct ListedGame {
    GameListEntry entry;
    std::int64_t postedAt = 0; // seconds since the epoch
};

// The open games at one moment, built once and shared by every reader.
struct GameSnapshot {
    std::string records;           // the strippedV2 entry records, each preceded by a CR
    std::vector<ListedGame> games; // the same games, newest first
    std::uint64_t serial = 0;      // another value for every rebuild
};

// Receives the store's messages for the operator (one line each, no newline).
using StoreLog = std::function<void(const std::string&)>;

// The open games, in SQLite (WAL). One game per posting address: a new post
// replaces the old one, and the game is listed under the address it came
// from. A game expires `expirySeconds` after its last post; at most
// `maxGames` are open at once. Every stored field is made list-safe (no CR,
// LF or "|", bounded, never empty). Safe to use from several threads.
//
// The list is served from a cached reply that no reader waits for: while one
// thread rebuilds it (or the database is busy), the others serve the last
// one. It is rebuilt after a change at most once per second of `now`, and
// when its oldest game expires; a failed rebuild keeps the last reply, stays
// due and is tried again in the next second.
class GameStore {
public:
    enum class AddResult { Stored, Full, Busy, Failed };

    // A file at `path` that is not a database of this service (not SQLite,
    // damaged, or holding other tables) is renamed to
    // "<path>.bad-<UTC time>" and a new database is started.
    GameStore(const std::string& path, std::int64_t expirySeconds, std::size_t maxGames, StoreLog log,
              FieldLimits limits = {});
    ~GameStore();
    GameStore(const GameStore&) = delete;
    GameStore& operator=(const GameStore&) = delete;

    // An empty text when the store is usable, else what went wrong.
    const std::string& Error() const { return m_error; }

    // Stores the game posted from `address` at `now` (seconds since the
    // epoch), listed with `address` as its ip whatever the game says. Full
    // when `maxGames` other games are open; Busy when the database stays
    // locked; Failed on any other database error (a full disk, say).
    AddResult Add(const std::string& address, const HostedGame& game, std::int64_t now);

    // The entry records of the open games at `now`, newest first, each
    // preceded by a carriage return, ready to follow the leading records of
    // a list reply. Shared, never waited for.
    std::shared_ptr<const std::string> EntryRecords(std::int64_t now);

    // The open games at `now`, newest first; as EntryRecords, never waited for.
    std::shared_ptr<const GameSnapshot> Snapshot(std::int64_t now);

    // Number of games in the current reply (tests and logs).
    std::size_t Count(std::int64_t now);

private:
    enum class OpenResult { Ok, NotOurs, Failed };
    OpenResult Open(const std::string& path);
    void Close();
    void MoveAside(const std::string& path);
    bool Exec(const char* sql);
    bool RebuildDue(std::int64_t now) const;
    void Rebuild(std::int64_t now);
    // Logs `text` under `kind`, at most once a minute per kind.
    void Report(const std::string& kind, const std::string& text, std::int64_t now);

    // Guards the database and its statements.
    std::timed_mutex m_dbMutex;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insert = nullptr;
    sqlite3_stmt* m_select = nullptr;
    sqlite3_stmt* m_expire = nullptr;
    sqlite3_stmt* m_full = nullptr;
    std::string m_error;
    std::int64_t m_expirySeconds;
    std::size_t m_maxGames;
    StoreLog m_log;
    FieldLimits m_limits;

    // Guards the cached reply and when it is due.
    mutable std::mutex m_cacheMutex;
    std::shared_ptr<const GameSnapshot> m_snapshot;
    bool m_changed = false;                   // a post was stored after the last rebuild
    bool m_failed = false;                    // the last rebuild failed
    std::int64_t m_changeBuiltAt = INT64_MIN; // the second of the last rebuild that took in posts
    std::int64_t m_attemptAt = INT64_MIN;     // the second of the last rebuild
    std::int64_t m_validUntil = 0;            // the cached list changes by expiry at this time

    std::mutex m_reportMutex;
    std::map<std::string, std::int64_t> m_reportedAt;
};

} // namespace gamelist
