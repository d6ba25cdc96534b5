#include "monitor/error_sink.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(ErrorSink, BuildsTheLineAndHandsItToTheChannelOnly) {
    EXPECT_EQ(monitor::ErrorLineText(87, "The parameter is incorrect.", "pch", "ModuleWalk"),
              "ERROR: 87 at pch\\ModuleWalk >>> The parameter is incorrect.");
    EXPECT_EQ(monitor::ErrorLineText(-5, "", "m", "p"), "ERROR: -5 at m\\p >>> ");
    EXPECT_EQ(monitor::ErrorLineText(4294967295LL, "x", "pch", "Walk"),
              "ERROR: 4294967295 at pch\\Walk >>> x");

    std::vector<std::string> seen;
    auto previous = monitor::SetErrorChannel([&](std::string_view line) { seen.emplace_back(line); });
    monitor::FormatErrorLine(5, "Access is denied.", "pch", "ProcessWalk");
    monitor::SendToErrorSink("other prefix ERROR: 1 at a\\b >>> c");
    monitor::SetErrorChannel(previous);
    EXPECT_EQ(seen, (std::vector<std::string>{"ERROR: 5 at pch\\ProcessWalk >>> Access is denied.",
                                              "other prefix ERROR: 1 at a\\b >>> c"}));

    // Back on the default channel nothing reaches the recorder, and an empty
    // channel also means the default one.
    monitor::FormatErrorLine(1, "quiet", "pch", "x");
    auto restored = monitor::SetErrorChannel({});
    EXPECT_TRUE(static_cast<bool>(restored));
    monitor::FormatErrorLine(2, "quiet", "pch", "x");
    EXPECT_EQ(seen.size(), 2u);
}
