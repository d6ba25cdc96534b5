#include "monitor/clock.h"
#include "monitor/date_time_format.h"
#include "monitor/sound.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

TEST(SecondsField, IsTheSecondsComponentOfTheElapsedTime) {
    const monitor::TimePoint since = monitor::Clock::now();
    EXPECT_EQ(monitor::SecondsField(since, since), 0);
    EXPECT_EQ(monitor::SecondsField(since + 30s, since), 30);
    EXPECT_EQ(monitor::SecondsField(since + 30999ms, since), 30) << "fractions are dropped";
    EXPECT_EQ(monitor::SecondsField(since + 31s, since), 31);
    EXPECT_EQ(monitor::SecondsField(since + 59s, since), 59);
    EXPECT_EQ(monitor::SecondsField(since + 60s, since), 0);
    EXPECT_EQ(monitor::SecondsField(since + 91s, since), 31);
    EXPECT_EQ(monitor::SecondsField(since + 2h + 5s, since), 5);
    EXPECT_EQ(monitor::SecondsField(since - 1s, since), 0) << "clock gone back";
    EXPECT_EQ(monitor::SecondsField(since - 45s, since), 0);

    const monitor::SystemClock clock;
    const auto before = monitor::Clock::now();
    const auto now = clock.Now();
    EXPECT_LE(before, now);
}

TEST(SystemPorts, DateAndTimeTextsAndSoundWork) {
    const auto format = monitor::CreateSystemDateTimeFormat();
    const monitor::TimePoint base = monitor::Clock::now();
    const auto hasDigit = [](const std::string& s) {
        return std::any_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    const std::string date = format->ShortDate(base);
    const std::string time = format->ShortTime(base);
    EXPECT_TRUE(hasDigit(date)) << date;
    EXPECT_TRUE(hasDigit(time)) << time;
    EXPECT_LT(date.size(), 40u);
    // The time carries seconds; ten days later the date is another one.
    EXPECT_NE(format->ShortTime(base + 7s), time);
    EXPECT_NE(format->ShortDate(base + 240h), date);

    // No sound device or server here: repeated plays and the teardown return.
    // The pauses let a background player really reach the sound system.
    auto sound = monitor::CreateSystemSound();
    for (int i = 0; i < 3; ++i) {
        sound->PlayErrorSound();
        sound->PlayErrorSound();
        std::this_thread::sleep_for(100ms);
    }
    sound.reset();
    monitor::CreateSystemSound()->PlayErrorSound();
}
