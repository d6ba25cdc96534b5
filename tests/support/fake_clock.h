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
    monitor::TimePoint Now() const override { return now; }

    monitor::TimePoint now;
};

} // namespace testsupport
