#include "testing/link_impairment.h"

#include <algorithm>
#include <cmath>

namespace linksim {

namespace {

// Milliseconds as clock ticks, kept within a day so that no setting can
// overflow the clock's arithmetic.
LinkClock::duration FromMs(double ms) {
    constexpr double kDayMs = 86'400'000.0;
    const double bounded = std::clamp(ms, 0.0, kDayMs);
    return std::chrono::duration_cast<LinkClock::duration>(
        std::chrono::nanoseconds(static_cast<std::int64_t>(std::llround(bounded * 1e6))));
}

} // namespace

LineDirection::LineDirection(std::uint64_t seed, std::size_t queueFrames)
    : m_random(seed), m_queueFrames(queueFrames) {}

double LineDirection::Uniform() {
    return static_cast<double>(m_random() >> 11) * 0x1.0p-53;
}

Passage LineDirection::Admit(const LineSettings& settings, LinkTime now, std::size_t bytes) {
    if (settings.partition)
        return {Verdict::Partition, now};
    if (settings.lossPercent > 0 && Uniform() * 100 < settings.lossPercent)
        return {Verdict::Loss, now};

    // The serialiser: one frame after the other at the line's rate, the
    // waiting ones in a drop-tail queue.
    LinkTime sent = now;
    if (settings.rateKbit > 0) {
        while (!m_serialised.empty() && m_serialised.front() <= now)
            m_serialised.pop_front();
        if (m_serialised.size() >= m_queueFrames)
            return {Verdict::Queue, now};
        const double bits = static_cast<double>(bytes) * 8;
        sent = std::max(now, m_serialiserFree) + FromMs(bits / settings.rateKbit);
        m_serialiserFree = sent;
        m_serialised.push_back(sent);
    }

    double delayMs = settings.delayMs;
    if (settings.jitterMs > 0)
        delayMs += (2 * Uniform() - 1) * settings.jitterMs;
    LinkTime departure = sent + FromMs(delayMs);

    // A cable does not overtake: unless this frame is one of the reordered
    // ones, it waits for every earlier frame that kept the order.
    const bool ownTime = settings.reorderPercent > 0 && Uniform() * 100 < settings.reorderPercent;
    if (!ownTime) {
        departure = std::max(departure, m_lastInOrder);
        m_lastInOrder = departure;
    }
    return {Verdict::Pass, departure};
}

} // namespace linksim
