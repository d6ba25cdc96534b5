#pragma once

#include "monitor/clock.h"

#include <chrono>

namespace testsupport {

// The monitor's clock, moved by hand: the rules about "seconds since" are
// tested by setting `now`.
class FakeClock final : public monitor::ClockPort {
public:
    // A fixed day at 12:00:00 (UTC), so times of day are easy to read.
    static constexpr monitor::TimePoint kNoon = monitor::TimePoint{} + std::chrono::hours(24 * 20000 + 12);

    explicit FakeClock(monitor::TimePoint start = kNoon) : now(start) {}
    // Moving `now` moves both clocks; `wallStep` moves the wall clock alone,
    // as NTP or a user setting the time does.
    monitor::TimePoint Now() const override { return now + wallStep; }
    monitor::SteadyPoint Steady() const override { return SteadyAt(now); }
    // The steady time at a wall time of `at`, before any step.
    static monitor::SteadyPoint SteadyAt(monitor::TimePoint at) {
        return monitor::SteadyPoint{} +
               std::chrono::duration_cast<monitor::SteadyClock::duration>(at.time_since_epoch());
    }

    monitor::TimePoint now;
    monitor::Clock::duration wallStep{};
};

} // namespace testsupport
