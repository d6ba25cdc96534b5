#include "gamelist/service/game_store.h"

#include "gamelist/protocol/game_list_reply.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <sqlite3.h>
#include <unistd.h>

namespace gamelist {
namespace {

std::string TimeText(std::int64_t when, const char* format) {
    const std::time_t t = static_cast<std::time_t>(when);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

void Bind(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string Column(sqlite3_stmt* statement, int index) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, index)))
                : std::string(" ");
}

// Codes that say the file itself is not a sound database.
bool IsNotOurs(int code) {
    code &= 0xff;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT || code == SQLITE_ERROR || code == SQLITE_FORMAT;
}

} // namespace

GameStore::GameStore(const std::string& path, std::int64_t expirySeconds, std::size_t maxGames, StoreLog log,
                     FieldLimits limits)
    : m_expirySeconds(expirySeconds), m_maxGames(maxGames), m_log(std::move(log)), m_limits(limits),
      m_snapshot(std::make_shared<GameSnapshot>()) {
    if (Open(path) != OpenResult::NotOurs)
        return;
    // Its games would be gone in a few minutes anyway: a new file is better than no service.
    const std::string reason = m_error;
    Close();
    if (path == ":memory:" || path.empty())
        return;
    m_error.clear();
    m_log("the database " + path + " is not a database of this service (" + reason + ")");
    MoveAside(path);
    if (m_error.empty() && Open(path) != OpenResult::Ok && m_error.empty())
        m_error = "cannot start a new database at " + path;
}

GameStore::~GameStore() {
    Close();
}

void GameStore::Close() {
    sqlite3_finalize(m_insert);
    sqlite3_finalize(m_select);
    sqlite3_finalize(m_expire);
    sqlite3_finalize(m_full);
    sqlite3_close(m_db);
    m_insert = m_select = m_expire = m_full = nullptr;
    m_db = nullptr;
}

GameStore::OpenResult GameStore::Open(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        m_error = std::string("cannot open the database ") + path + ": " + sqlite3_errmsg(m_db);
        return OpenResult::Failed;
    }
    sqlite3_extended_result_codes(m_db, 1);
    // A worker waits this long for a lock; then the post is answered "busy".
    sqlite3_busy_timeout(m_db, 250);
    const auto failure = [&](const std::string& what) {
        const int code = sqlite3_errcode(m_db);
        m_error = what + ": " + sqlite3_errmsg(m_db);
        return IsNotOurs(code) ? OpenResult::NotOurs : OpenResult::Failed;
    };
    // The file is read and judged before anything is written to it, so a file
    // that is moved aside keeps its bytes.
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA quick_check", -1, &check, nullptr) != SQLITE_OK)
        return failure("cannot check the database");
    const int checked = sqlite3_step(check);
    const std::string verdict = checked == SQLITE_ROW ? Column(check, 0) : std::string();
    sqlite3_finalize(check);
    if (checked != SQLITE_ROW)
        return failure("cannot check the database");
    if (verdict != "ok") {
        m_error = "damaged: " + verdict.substr(0, 200);
        return OpenResult::NotOurs;
    }
    sqlite3_stmt* others = nullptr;
    if (sqlite3_prepare_v2(m_db,
                           "SELECT count(*) FROM sqlite_schema WHERE name NOT IN ('games', 'games_posted_at')"
                           " AND name NOT LIKE 'sqlite_%'",
                           -1, &others, nullptr) != SQLITE_OK)
        return failure("cannot read the schema");
    const bool foreign = sqlite3_step(others) == SQLITE_ROW && sqlite3_column_int64(others, 0) > 0;
    sqlite3_finalize(others);
    if (foreign) {
        m_error = "it holds tables of another program";
        return OpenResult::NotOurs;
    }
    sqlite3_stmt* columns = nullptr;
    const int shaped =
        sqlite3_prepare_v2(m_db,
                           "SELECT address, ip, name, posted, version, map, players, note, class,"
                           " posted_at FROM games LIMIT 0",
                           -1, &columns, nullptr);
    sqlite3_finalize(columns);
    if (shaped != SQLITE_OK && std::string(sqlite3_errmsg(m_db)).find("no such table") == std::string::npos) {
        m_error = std::string("its table of games has other columns: ") + sqlite3_errmsg(m_db);
        return OpenResult::NotOurs;
    }
    // WAL with NORMAL sync: a crash loses at most the last posts, never the file.
    if (!Exec("PRAGMA journal_mode=WAL"))
        return failure("cannot use the database");
    if (!Exec("PRAGMA synchronous=NORMAL") ||
        !Exec("CREATE TABLE IF NOT EXISTS games (address TEXT PRIMARY KEY, ip TEXT, name TEXT, posted TEXT,"
              " version TEXT, map TEXT, players TEXT, note TEXT, class TEXT, posted_at INTEGER)") ||
        !Exec("CREATE INDEX IF NOT EXISTS games_posted_at ON games(posted_at)"))
        return failure("cannot make the table of games");
    const auto prepare = [&](const char* sql, sqlite3_stmt** statement) {
        return sqlite3_prepare_v2(m_db, sql, -1, statement, nullptr) == SQLITE_OK;
    };
    if (!prepare("INSERT OR REPLACE INTO games VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
                 &m_insert) ||
        !prepare("SELECT ip, name, posted, version, map, players, note, class, posted_at FROM games"
                 " WHERE posted_at > ?1 ORDER BY posted_at DESC, rowid DESC",
                 &m_select) ||
        !prepare("DELETE FROM games WHERE posted_at <= ?1", &m_expire) ||
        !prepare("SELECT (SELECT count(*) FROM games WHERE posted_at > ?1) >= ?2 AND NOT EXISTS"
                 " (SELECT 1 FROM games WHERE address = ?3 AND posted_at > ?1)",
                 &m_full))
        return failure("the table of games is not this service's");
    m_error.clear();
    return OpenResult::Ok;
}

void GameStore::MoveAside(const std::string& path) {
    const std::int64_t now = std::time(nullptr);
    const std::string aside = path + ".bad-" + TimeText(now, "%Y%m%dT%H%M%SZ");
    if (std::rename(path.c_str(), aside.c_str()) != 0) {
        m_error = "cannot move " + path + " aside: " + std::strerror(errno);
        return;
    }
    // Its write-ahead log belongs to it and must never be applied to the new file.
    std::rename((path + "-wal").c_str(), (aside + "-wal").c_str());
    unlink((path + "-shm").c_str());
    m_log("moved " + path + " aside to " + aside + " at " + TimeText(now, "%Y-%m-%d %H:%M:%S UTC") +
          "; starting a new database");
}

bool GameStore::Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        sqlite3_free(message);
        return false;
    }
    return true;
}

void GameStore::Report(const std::string& kind, const std::string& text, std::int64_t now) {
    {
        std::lock_guard lock(m_reportMutex);
        auto [it, added] = m_reportedAt.try_emplace(kind, now);
        if (!added) {
            if (now - it->second < 60)
                return;
            it->second = now;
        }
    }
    m_log(text);
}

GameStore::AddResult GameStore::Add(const std::string& address, const HostedGame& game, std::int64_t now) {
    std::unique_lock db(m_dbMutex, std::defer_lock);
    // Another worker waits on a locked database: this post is not worth a second wait.
    if (!db.try_lock_for(std::chrono::milliseconds(300))) {
        Report("busy", "the database is busy: posts are refused for now", now);
        return AddResult::Busy;
    }
    if (!m_error.empty())
        return AddResult::Failed;
    const auto failed = [&](sqlite3_stmt* statement, int code) {
        sqlite3_reset(statement);
        const int primary = code & 0xff;
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
            Report("busy", "the database is busy: posts are refused for now", now);
            return AddResult::Busy;
        }
        Report("write", std::string("cannot store a game: ") + sqlite3_errstr(code), now);
        return AddResult::Failed;
    };

    if (m_maxGames > 0) {
        sqlite3_reset(m_full);
        sqlite3_bind_int64(m_full, 1, now - m_expirySeconds);
        sqlite3_bind_int64(m_full, 2, static_cast<sqlite3_int64>(m_maxGames));
        Bind(m_full, 3, address);
        const int code = sqlite3_step(m_full);
        if (code != SQLITE_ROW)
            return failed(m_full, code);
        const bool full = sqlite3_column_int(m_full, 0) != 0;
        sqlite3_reset(m_full);
        if (full) {
            Report("full",
                   "the list is full (" + std::to_string(m_maxGames) + " games): new games are refused", now);
            return AddResult::Full;
        }
    }

    // The game is listed where its post came from: nobody can send players to a third machine.
    const std::string values[] = {SafeListField(address, 64),
                                  SafeListField(address, m_limits.ip),
                                  SafeListField(game.name, m_limits.name),
                                  TimeText(now, "%H:%M"),
                                  SafeListField(game.version, m_limits.version),
                                  SafeListField(game.map, m_limits.map),
                                  SafeListField(game.players, m_limits.players),
                                  SafeListField(game.note, m_limits.note),
                                  SafeListField(game.gameClass, m_limits.gameClass)};
    sqlite3_reset(m_insert);
    for (int i = 0; i < 9; ++i)
        Bind(m_insert, i + 1, values[i]);
    sqlite3_bind_int64(m_insert, 10, now);
    const int code = sqlite3_step(m_insert);
    if (code != SQLITE_DONE)
        return failed(m_insert, code);
    sqlite3_reset(m_insert);
    std::lock_guard cache(m_cacheMutex);
    m_changed = true;
    return AddResult::Stored;
}

bool GameStore::RebuildDue(std::int64_t now) const {
    if (now == m_attemptAt && m_failed)
        return false; // tried and failed in this second already
    return m_failed || now >= m_validUntil || (m_changed && now != m_changeBuiltAt);
}

void GameStore::Rebuild(std::int64_t now) {
    bool changed = false;
    {
        std::lock_guard cache(m_cacheMutex);
        m_attemptAt = now;
        changed = m_changed;
        // A post stored from here on is not in this rebuild: it marks the list changed again.
        m_changed = false;
    }
    // Expired rows are only dropped here; the list itself selects by time, so a
    // failed delete (a full disk) costs nothing but space.
    sqlite3_reset(m_expire);
    sqlite3_bind_int64(m_expire, 1, now - m_expirySeconds);
    const int expired = sqlite3_step(m_expire);
    sqlite3_reset(m_expire);
    if (expired != SQLITE_DONE)
        Report("expire", std::string("cannot remove expired games: ") + sqlite3_errstr(expired), now);

    auto snapshot = std::make_shared<GameSnapshot>();
    std::int64_t oldest = std::numeric_limits<std::int64_t>::max();
    sqlite3_reset(m_select);
    sqlite3_bind_int64(m_select, 1, now - m_expirySeconds);
    int code;
    while ((code = sqlite3_step(m_select)) == SQLITE_ROW) {
        ListedGame game;
        for (int i = 0; i < GameListEntry::kFieldCount; ++i)
            game.entry.fields[static_cast<std::size_t>(i)] = Column(m_select, i);
        AppendStrippedV2Entry(snapshot->records, game.entry);
        game.postedAt = sqlite3_column_int64(m_select, 8);
        if (game.postedAt < oldest)
            oldest = game.postedAt;
        snapshot->games.push_back(std::move(game));
    }
    sqlite3_reset(m_select);
    std::lock_guard cache(m_cacheMutex);
    if (code != SQLITE_DONE) {
        // A list cut short is not the list: the last whole one stays, and the rebuild stays due.
        m_failed = true;
        m_changed = m_changed || changed;
        Report("read",
               std::string("cannot read the games, the list stays as it was: ") + sqlite3_errstr(code), now);
        return;
    }
    m_failed = false;
    if (changed)
        m_changeBuiltAt = now;
    snapshot->serial = m_snapshot->serial + 1;
    const bool empty = snapshot->games.empty();
    m_snapshot = std::move(snapshot);
    m_validUntil = empty ? std::numeric_limits<std::int64_t>::max() : oldest + m_expirySeconds;
}

std::shared_ptr<const GameSnapshot> GameStore::Snapshot(std::int64_t now) {
    {
        std::lock_guard cache(m_cacheMutex);
        if (!RebuildDue(now))
            return m_snapshot;
    }
    // One thread rebuilds; the others, and all of them while the database is busy, serve the last reply.
    std::unique_lock db(m_dbMutex, std::try_to_lock);
    if (db.owns_lock() && m_error.empty()) {
        bool due;
        {
            std::lock_guard cache(m_cacheMutex);
            due = RebuildDue(now);
        }
        if (due)
            Rebuild(now);
    }
    std::lock_guard cache(m_cacheMutex);
    return m_snapshot;
}

std::shared_ptr<const std::string> GameStore::EntryRecords(std::int64_t now) {
    auto snapshot = Snapshot(now);
    return std::shared_ptr<const std::string>(snapshot, &snapshot->records);
}

std::size_t GameStore::Count(std::int64_t now) {
    return Snapshot(now)->games.size();
}

} // namespace gamelist
