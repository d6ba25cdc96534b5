#pragma once

#include "gamelist/protocol/add_query.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

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

// The open games, in SQLite (WAL). One game per posting address: a new post
// replaces the old one. A game expires `expirySeconds` after its last post.
// Every stored field is made list-safe (no CR, LF or "|", bounded, never
// empty). Safe to use from several threads.
class GameStore {
public:
    GameStore(const std::string& path, std::int64_t expirySeconds, FieldLimits limits = {});
    ~GameStore();
    GameStore(const GameStore&) = delete;
    GameStore& operator=(const GameStore&) = delete;

    // An empty text when the store is usable, else what went wrong.
    const std::string& Error() const { return m_error; }

    // Stores the game posted from `address` at `now` (seconds since the epoch).
    // An empty posted ip takes the posting address. False on a database error.
    bool Add(const std::string& address, const HostedGame& game, std::int64_t now);

    // The entry records of the open games at `now`, newest first, each
    // preceded by a carriage return, ready to follow the leading records of
    // a list reply. Built once per change and shared.
    std::shared_ptr<const std::string> EntryRecords(std::int64_t now);

    // Number of open games at `now` (tests and logs).
    std::size_t Count(std::int64_t now);

private:
    bool Exec(const char* sql);
    void Rebuild(std::int64_t now);

    std::mutex m_mutex;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insert = nullptr;
    sqlite3_stmt* m_select = nullptr;
    sqlite3_stmt* m_expire = nullptr;
    std::string m_error;
    std::int64_t m_expirySeconds;
    FieldLimits m_limits;
    std::shared_ptr<const std::string> m_records;
    std::size_t m_count = 0;
    bool m_dirty = true;
    std::int64_t m_validUntil = 0; // the cached list changes by expiry at this time
};

} // namespace gamelist
