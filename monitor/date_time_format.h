#pragma once

#include "monitor/shared_state.h"

#include <memory>
#include <string>

namespace monitor {

// Port: a time as date and time-of-day text in the system's short formats
// (the user's locale). Warnings and "last update" lines carry these texts.
class DateTimeFormat {
public:
    virtual ~DateTimeFormat() = default;
    virtual std::string ShortDate(TimePoint time) const = 0;
    virtual std::string ShortTime(TimePoint time) const = 0;
};

// Local time in the user's formats: Windows asks the user default locale;
// Linux uses the C library's "%x" and "%X" of the current locale (the window
// program sets the locale from the environment at start-up).
std::unique_ptr<DateTimeFormat> CreateSystemDateTimeFormat();

} // namespace monitor
