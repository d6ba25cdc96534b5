#include "gamelist/service/game_store.h"

#include "gamelist/protocol/game_list_reply.h"

#include <ctime>
#include <limits>
#include <sqlite3.h>

namespace gamelist {
namespace {

std::string PostedText(std::int64_t when) {
    const std::time_t t = static_cast<std::time_t>(when);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M", &parts);
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

} // namespace

GameStore::GameStore(const std::string& path, std::int64_t expirySeconds, FieldLimits limits)
    : m_expirySeconds(expirySeconds), m_limits(limits), m_records(std::make_shared<std::string>()) {
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) {
        m_error = std::string("cannot open the database ") + path + ": " + sqlite3_errmsg(m_db);
        return;
    }
    sqlite3_busy_timeout(m_db, 5000);
    // WAL with NORMAL sync: a crash loses at most the last posts, never the file.
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=NORMAL") ||
        !Exec("CREATE TABLE IF NOT EXISTS games (address TEXT PRIMARY KEY, ip TEXT, name TEXT, posted TEXT,"
              " version TEXT, map TEXT, players TEXT, note TEXT, class TEXT, posted_at INTEGER)") ||
        !Exec("CREATE INDEX IF NOT EXISTS games_posted_at ON games(posted_at)"))
        return;
    const auto prepare = [&](const char* sql, sqlite3_stmt** statement) {
        if (sqlite3_prepare_v2(m_db, sql, -1, statement, nullptr) != SQLITE_OK) {
            m_error = sqlite3_errmsg(m_db);
            return false;
        }
        return true;
    };
    prepare("INSERT OR REPLACE INTO games VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)", &m_insert) &&
        prepare("SELECT ip, name, posted, version, map, players, note, class, posted_at FROM games"
                " ORDER BY posted_at DESC, rowid DESC",
                &m_select) &&
        prepare("DELETE FROM games WHERE posted_at <= ?1", &m_expire);
}

GameStore::~GameStore() {
    sqlite3_finalize(m_insert);
    sqlite3_finalize(m_select);
    sqlite3_finalize(m_expire);
    sqlite3_close(m_db);
}

bool GameStore::Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        m_error = message ? message : "database error";
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool GameStore::Add(const std::string& address, const HostedGame& game, std::int64_t now) {
    std::lock_guard lock(m_mutex);
    if (!m_error.empty())
        return false;
    const std::string ip = game.ip.empty() ? address : game.ip;
    const std::string values[] = {SafeListField(address, 64),
                                  SafeListField(ip, m_limits.ip),
                                  SafeListField(game.name, m_limits.name),
                                  PostedText(now),
                                  SafeListField(game.version, m_limits.version),
                                  SafeListField(game.map, m_limits.map),
                                  SafeListField(game.players, m_limits.players),
                                  SafeListField(game.note, m_limits.note),
                                  SafeListField(game.gameClass, m_limits.gameClass)};
    sqlite3_reset(m_insert);
    for (int i = 0; i < 9; ++i)
        Bind(m_insert, i + 1, values[i]);
    sqlite3_bind_int64(m_insert, 10, now);
    const bool ok = sqlite3_step(m_insert) == SQLITE_DONE;
    sqlite3_reset(m_insert);
    m_dirty = true;
    return ok;
}

void GameStore::Rebuild(std::int64_t now) {
    sqlite3_reset(m_expire);
    sqlite3_bind_int64(m_expire, 1, now - m_expirySeconds);
    sqlite3_step(m_expire);
    sqlite3_reset(m_expire);

    auto records = std::make_shared<std::string>();
    std::size_t count = 0;
    std::int64_t oldest = std::numeric_limits<std::int64_t>::max();
    sqlite3_reset(m_select);
    while (sqlite3_step(m_select) == SQLITE_ROW) {
        GameListEntry e;
        for (int i = 0; i < GameListEntry::kFieldCount; ++i)
            e.fields[static_cast<std::size_t>(i)] = Column(m_select, i);
        AppendStrippedV2Entry(*records, e);
        const std::int64_t postedAt = sqlite3_column_int64(m_select, 8);
        if (postedAt < oldest)
            oldest = postedAt;
        ++count;
    }
    sqlite3_reset(m_select);
    m_records = std::move(records);
    m_count = count;
    m_dirty = false;
    m_validUntil = count == 0 ? std::numeric_limits<std::int64_t>::max() : oldest + m_expirySeconds;
}

std::shared_ptr<const std::string> GameStore::EntryRecords(std::int64_t now) {
    std::lock_guard lock(m_mutex);
    if (m_error.empty() && (m_dirty || now >= m_validUntil))
        Rebuild(now);
    return m_records;
}

std::size_t GameStore::Count(std::int64_t now) {
    std::lock_guard lock(m_mutex);
    if (m_error.empty() && (m_dirty || now >= m_validUntil))
        Rebuild(now);
    return m_count;
}

} // namespace gamelist
