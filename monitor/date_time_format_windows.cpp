#include "monitor/date_time_format.h"

#include <windows.h>

#include <chrono>
#include <cstdint>

namespace monitor {
namespace {

// FILETIME counts 100 ns ticks from 1601-01-01; the system clock counts from 1970.
constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000LL;

bool ToLocalSystemTime(TimePoint time, SYSTEMTIME& local) {
    const auto ticks =
        std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(
            time.time_since_epoch())
            .count() +
        kTicksFrom1601To1970;
    if (ticks < 0)
        return false;
    FILETIME fileTime;
    fileTime.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    fileTime.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    SYSTEMTIME utc;
    return FileTimeToSystemTime(&fileTime, &utc) && SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
}

class Win32DateTimeFormat final : public DateTimeFormat {
public:
    std::string ShortDate(TimePoint time) const override {
        SYSTEMTIME local;
        char buffer[128];
        if (!ToLocalSystemTime(time, local) ||
            GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, buffer, sizeof buffer) == 0)
            return {};
        return buffer;
    }
    std::string ShortTime(TimePoint time) const override {
        SYSTEMTIME local;
        char buffer[128];
        if (!ToLocalSystemTime(time, local) ||
            GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &local, nullptr, buffer, sizeof buffer) == 0)
            return {};
        return buffer;
    }
};

} // namespace

std::unique_ptr<DateTimeFormat> CreateSystemDateTimeFormat() {
    return std::make_unique<Win32DateTimeFormat>();
}

} // namespace monitor
