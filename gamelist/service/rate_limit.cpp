#include "gamelist/service/rate_limit.h"

#include <iterator>

namespace gamelist {

bool RateLimit::Allow(const std::string& address, std::int64_t now) {
    if (m_perMinute <= 0)
        return true;
    std::lock_guard lock(m_mutex);
    if (now != m_lastSweep) {
        // At most once a second: drop the windows that are over.
        m_lastSweep = now;
        for (auto it = m_windows.begin(); it != m_windows.end();)
            it = now - it->second.start >= 60 ? m_windows.erase(it) : std::next(it);
    }
    auto [it, added] = m_windows.try_emplace(address, Window{now, 0});
    if (now - it->second.start >= 60)
        it->second = Window{now, 0};
    if (it->second.count >= m_perMinute)
        return false;
    ++it->second.count;
    return true;
}

std::size_t Watchers::Seen(const std::string& address, std::int64_t now) {
    std::lock_guard lock(m_mutex);
    m_lastSeen[address] = now;
    if (now != m_lastSweep) {
        m_lastSweep = now;
        for (auto it = m_lastSeen.begin(); it != m_lastSeen.end();)
            it = now - it->second >= m_seconds ? m_lastSeen.erase(it) : std::next(it);
    }
    return m_lastSeen.size();
}

std::size_t Watchers::Count(std::int64_t now) {
    std::lock_guard lock(m_mutex);
    std::size_t count = 0;
    for (const auto& [address, seen] : m_lastSeen)
        count += now - seen < m_seconds ? 1 : 0;
    return count;
}

} // namespace gamelist
