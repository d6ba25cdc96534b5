#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace gamelist {

// At most `perMinute` posts per address in each minute (0: no limit). The
// table forgets addresses whose minute is over, so it stays as small as the
// number of addresses that posted in the last minute.
class RateLimit {
public:
    explicit RateLimit(int perMinute) : m_perMinute(perMinute) {}
    // Counts a post from `address` at `now` (seconds); false when over the limit.
    bool Allow(const std::string& address, std::int64_t now);

private:
    struct Window {
        std::int64_t start;
        int count;
    };
    std::mutex m_mutex;
    int m_perMinute;
    std::unordered_map<std::string, Window> m_windows;
    std::int64_t m_lastSweep = 0;
};

// The players watching: the distinct addresses that asked for the list in
// the last `seconds` seconds.
class Watchers {
public:
    explicit Watchers(std::int64_t seconds) : m_seconds(seconds) {}
    // Records a list request and gives the number of watchers, this one included.
    std::size_t Seen(const std::string& address, std::int64_t now);
    // The number of watchers at `now`, without recording anybody (a visitor of the web page).
    std::size_t Count(std::int64_t now);

private:
    std::mutex m_mutex;
    std::int64_t m_seconds;
    std::unordered_map<std::string, std::int64_t> m_lastSeen;
    std::int64_t m_lastSweep = 0;
};

} // namespace gamelist
