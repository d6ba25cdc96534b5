// The control lines of the link switch: what they change, and that no line,
// however broken, is half applied.
#include "testing/link_control.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using linksim::ControlCommand;
using linksim::LineSettings;
using linksim::ParseControlLine;
using Kind = ControlCommand::Kind;

const std::vector<std::string> kNames{"hosta", "hostb", "hostc"};

ControlCommand Parse(const std::string& line) {
    return ParseControlLine(line, kNames);
}

TEST(ControlLine, SetNamesPortsByIndexNameOrAllAndChangesOnlyTheGivenKeys) {
    const ControlCommand byIndex = Parse("set 2 delay=100 jitter=7.5");
    ASSERT_EQ(byIndex.kind, Kind::Set) << byIndex.error;
    EXPECT_EQ(byIndex.ports, (std::vector<std::size_t>{2}));
    EXPECT_EQ(Parse("  set\thostb  loss=20 \r").ports, (std::vector<std::size_t>{1}));
    EXPECT_EQ(Parse("set all partition=1").ports, (std::vector<std::size_t>{0, 1, 2}));

    LineSettings settings;
    settings.lossPercent = 3;
    settings.rateKbit = 64;
    byIndex.change.ApplyTo(settings);
    EXPECT_EQ(settings.delayMs, 100);
    EXPECT_EQ(settings.jitterMs, 7.5);
    EXPECT_EQ(settings.lossPercent, 3);
    EXPECT_EQ(settings.rateKbit, 64);

    Parse("set 0 loss=0 reorder=25 rate=0 partition=1").change.ApplyTo(settings);
    EXPECT_EQ(settings.lossPercent, 0);
    EXPECT_EQ(settings.reorderPercent, 25);
    EXPECT_EQ(settings.rateKbit, 0);
    EXPECT_TRUE(settings.partition);
    Parse("set 0 partition=0").change.ApplyTo(settings);
    EXPECT_FALSE(settings.partition);
    EXPECT_EQ(settings.delayMs, 100);
}

TEST(ControlLine, StatsTakesTheRestOfTheLineAsItsPathAndQuitStands) {
    const ControlCommand stats = Parse("stats /tmp/my run/counters.txt ");
    ASSERT_EQ(stats.kind, Kind::Stats);
    EXPECT_EQ(stats.path, "/tmp/my run/counters.txt");
    EXPECT_EQ(Parse("quit").kind, Kind::Quit);
    EXPECT_EQ(Parse("").kind, Kind::Empty);
    EXPECT_EQ(Parse(" \t\r").kind, Kind::Empty);
}

TEST(ControlLine, RejectsBrokenLinesWholeWithAOneLineReason) {
    const std::vector<std::string> broken{
        "frobnicate",
        "set",
        "set 0",
        "set 3 delay=1", // past the last port
        "set 99999999999999999999999 delay=1",
        "set hostd delay=1", // no such device
        "set 0 delay",       // no value
        "set 0 delay=",      // empty value
        "set 0 delay=-5",    // negative
        "set 0 delay=1e3",   // not plain decimal
        "set 0 delay=inf",
        "set 0 delay=nan",
        "set 0 delay=1.2.3",
        "set 0 delay=999999999", // beyond any sensible lag
        "set 0 loss=101",
        "set 0 reorder=100.5",
        "set 0 rate=0.5",
        "set 0 partition=2",
        "set 0 partition=0.5",
        "set 0 colour=1",
        "set 0 delay=10 loss=abc", // one bad key spoils the line
        "stats",
        "quit now",
        "SET 0 delay=1",
        std::string("set 0 delay=1\0", 14),
        "set " + std::string(5000, 'x') + " delay=1",
    };
    for (const std::string& line : broken) {
        const ControlCommand command = Parse(line);
        EXPECT_EQ(command.kind, Kind::Error) << line;
        EXPECT_FALSE(command.error.empty()) << line;
        EXPECT_EQ(command.error.find('\n'), std::string::npos) << line;
        EXPECT_LT(command.error.size(), 200u) << line;
    }
}

} // namespace
