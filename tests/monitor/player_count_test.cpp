#include "monitor/player_count.h"

#include <gtest/gtest.h>

TEST(PlayerCount, FilterKeepsDigitTextUpTo12) {
    EXPECT_EQ(monitor::FilterPlayerCount("1a"), "0");
    EXPECT_EQ(monitor::FilterPlayerCount("a1"), "0");
    EXPECT_EQ(monitor::FilterPlayerCount(" 4"), "0");
    EXPECT_EQ(monitor::FilterPlayerCount("-1"), "0");
    EXPECT_EQ(monitor::FilterPlayerCount(""), "0");
    EXPECT_EQ(monitor::FilterPlayerCount("15"), "12");
    EXPECT_EQ(monitor::FilterPlayerCount("13"), "12");
    EXPECT_EQ(monitor::FilterPlayerCount("99999999999999999999999"), "12") << "no overflow";
    EXPECT_EQ(monitor::FilterPlayerCount("12"), "12");
    EXPECT_EQ(monitor::FilterPlayerCount("0"), "0");
    EXPECT_EQ(monitor::FilterPlayerCount("7"), "7");
    EXPECT_EQ(monitor::FilterPlayerCount("07"), "07");
    EXPECT_EQ(monitor::FilterPlayerCount("0000000000000000000000012"), "0000000000000000000000012");
    // Running again on its own result changes nothing.
    for (const char* text : {"1a", "15", "", "07", "3"})
        EXPECT_EQ(monitor::FilterPlayerCount(monitor::FilterPlayerCount(text)),
                  monitor::FilterPlayerCount(text));
}

TEST(PlayerCount, AddAndSubStayWithin0To12) {
    EXPECT_EQ(monitor::AddPlayer("0"), "1");
    EXPECT_EQ(monitor::AddPlayer("11"), "12");
    EXPECT_EQ(monitor::AddPlayer("12"), "12");
    EXPECT_EQ(monitor::AddPlayer("07"), "8") << "written as a plain number";
    EXPECT_EQ(monitor::SubPlayer("0"), "0");
    EXPECT_EQ(monitor::SubPlayer("1"), "0");
    EXPECT_EQ(monitor::SubPlayer("2"), "1");
    EXPECT_EQ(monitor::SubPlayer("12"), "11");
    EXPECT_EQ(monitor::PlayerCountValue("007"), 7);
    EXPECT_EQ(monitor::PlayerCountValue("x"), 0);
}
