#include "monitor/date_time_format.h"

#include <ctime>

namespace monitor {
namespace {

std::string Format(TimePoint time, const char* pattern) {
    const std::time_t seconds = Clock::to_time_t(time);
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return {};
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &local);
    return std::string(buffer, length);
}

class PosixDateTimeFormat final : public DateTimeFormat {
public:
    std::string ShortDate(TimePoint time) const override { return Format(time, "%x"); }
    std::string ShortTime(TimePoint time) const override { return Format(time, "%X"); }
};

} // namespace

std::unique_ptr<DateTimeFormat> CreateSystemDateTimeFormat() {
    return std::make_unique<PosixDateTimeFormat>();
}

} // namespace monitor
