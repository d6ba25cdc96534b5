#pragma once

#include "monitor/date_time_format.h"

#include <string>
#include <utility>

namespace testsupport {

// Shows every time as the same date and time of day, so that expected log
// lines can be written out in full.
class FixedDateTime final : public monitor::DateTimeFormat {
public:
    FixedDateTime(std::string date, std::string time) : m_date(std::move(date)), m_time(std::move(time)) {}
    std::string ShortDate(monitor::TimePoint) const override { return m_date; }
    std::string ShortTime(monitor::TimePoint) const override { return m_time; }

private:
    std::string m_date;
    std::string m_time;
};

} // namespace testsupport
