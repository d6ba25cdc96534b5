#pragma once

#include "monitor/shared_state.h"

#include <chrono>

namespace monitor {

// Port: the current time. The monitor's rules about "seconds since" are tested
// with a fake that the test moves by hand.
class ClockPort {
public:
    virtual ~ClockPort() = default;
    // The wall clock: texts of date and time, and the watch of a started game.
    virtual TimePoint Now() const = 0;
    // A clock that only ever runs forward at the pace of real time: a peer's
    // silence. The wall clock may be stepped (NTP, the user), which would
    // freeze every drop or drop every peer at once.
    virtual SteadyPoint Steady() const = 0;
};

class SystemClock final : public ClockPort {
public:
    TimePoint Now() const override { return Clock::now(); }
    SteadyPoint Steady() const override { return SteadyClock::now(); }
};

// The seconds field of an elapsed time: the seconds component (0 to 59) of
// (now - since), not the total. 61 to 90 seconds give 1 to 30.
// Whole seconds count; a fraction is dropped. When the clock has gone back
// (now before since) the field is 0, so a "more than 30 seconds" rule does not
// fire until the clock has caught up again.
template <typename Point> int SecondsField(Point now, Point since) {
    if (now < since)
        return 0;
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - since).count();
    return static_cast<int>(elapsed % 60);
}

} // namespace monitor
