#include "monitor/peers/status_report.h"

#include <gtest/gtest.h>

using monitor::KessitOutcome;
using monitor::SharedState;

TEST(StatusReport, DllCodeFollowsDigestAndKessitOutcome) {
    SharedState state;
    for (KessitOutcome kessit : {KessitOutcome::NoResult, KessitOutcome::Passed, KessitOutcome::Failed}) {
        state.KessitResult = kessit;
        state.DllChecksum.reset();
        state.DllGenuine = true;
        EXPECT_EQ(monitor::DllCode(state), "456") << "not computed wins over everything";
    }
    state.DllChecksum = "ab12";
    state.KessitResult = KessitOutcome::NoResult;
    EXPECT_EQ(monitor::DllCode(state), "384");
    state.KessitResult = KessitOutcome::Passed;
    EXPECT_EQ(monitor::DllCode(state), "384");
    state.DllGenuine = false;
    EXPECT_EQ(monitor::DllCode(state), "381");
    state.KessitResult = KessitOutcome::Failed;
    EXPECT_EQ(monitor::DllCode(state), "382");
    state.DllGenuine = true;
    EXPECT_EQ(monitor::DllCode(state), "382");

    // No genuine digest configured: the file is not judged, but a failed
    // check of the image in memory still is.
    state.DllJudged = false;
    EXPECT_EQ(monitor::DllCode(state), "382");
    state.DllGenuine = false;
    for (KessitOutcome kessit : {KessitOutcome::NoResult, KessitOutcome::Passed}) {
        state.KessitResult = kessit;
        EXPECT_EQ(monitor::DllCode(state), "456");
    }
}

TEST(StatusReport, OwnAndRelayedReportsKeepTheFixedLayout) {
    SharedState state;
    EXPECT_EQ(monitor::BuildOwnReport(state), "76800045600") << "fresh state, no name yet";

    state.GameStateCode = monitor::kGameStarted;
    state.SustStateCode = 102;
    state.DllChecksum = "ff";
    state.DllGenuine = true;
    state.PlayerName = "Anna \xE4";
    const std::string own = monitor::BuildOwnReport(state);
    EXPECT_EQ(own, "19910238400Anna \xE4");

    EXPECT_EQ(monitor::BuildRelayedReport(own, 3, "192.168.0.5"), "19910238403192.168.0.5 Anna \xE4");
    EXPECT_EQ(monitor::BuildRelayedReport(own, 12, "10.1.1.1"), "1991023841210.1.1.1 Anna \xE4");
    // Free slots, with and without an address.
    EXPECT_EQ(monitor::BuildRelayedReport("Empty", 7, "10.0.0.2"), "Empty0710.0.0.2 ");
    EXPECT_EQ(monitor::BuildRelayedReport("Empty", 30, ""), "Empty30 ");
    // A report without a name relays with an empty tail.
    EXPECT_EQ(monitor::BuildRelayedReport("72110145600", 1, "h"), "72110145601h ");
}

TEST(StatusReport, ReadReportTakesOnlyWholeDigitGroups) {
    auto fields = monitor::ReadReport("19910338104192.168.1.9 Bob");
    EXPECT_EQ(fields.game, 199);
    EXPECT_EQ(fields.instances, 103);
    EXPECT_EQ(fields.dll, 381);
    EXPECT_EQ(fields.tail, "192.168.1.9 Bob");

    fields = monitor::ReadReport("199102");
    EXPECT_EQ(fields.game, 199);
    EXPECT_EQ(fields.instances, 102);
    EXPECT_FALSE(fields.dll.has_value());
    EXPECT_EQ(fields.tail, "");

    fields = monitor::ReadReport("7 1+0245600x");
    EXPECT_FALSE(fields.game.has_value());
    EXPECT_FALSE(fields.instances.has_value());
    EXPECT_EQ(fields.dll, 456);
    EXPECT_EQ(fields.tail, "x");

    fields = monitor::ReadReport("");
    EXPECT_FALSE(fields.game || fields.instances || fields.dll);
    EXPECT_EQ(fields.tail, "");
}

// What a joiner makes of each relay, also of those too short to hold what
// their first characters promise (they once cost a read past the end).
TEST(StatusReport, ReadRelayedFindsTheSlotOfReportsAndFreeSlots) {
    struct Row {
        std::string_view report;
        std::optional<int> slot;
        bool free;
    };
    const Row rows[] = {
        {"19910338104192.168.1.9 Bob", 4, false},
        {"72110145612", 12, false}, // a report without a tail
        {"Empty30 ", 30, true},
        {"Empty7", std::nullopt, true},
        {"Emptyish12345", std::nullopt, true}, // "Emp" marks a free slot, its digits follow at once
        {"1991033810", 33, true},              // too short for a report: read as a free slot
        {"199103381x4 Bob", std::nullopt, false},
        {"", std::nullopt, true},
    };
    for (const Row& row : rows) {
        const monitor::RelayedEntry relayed = monitor::ReadRelayed(row.report);
        EXPECT_EQ(relayed.slot, row.slot) << row.report;
        EXPECT_EQ(relayed.free, row.free) << row.report;
    }
}

TEST(StatusReport, OnlyEntriesLongerThanEmptyHoldAReport) {
    EXPECT_FALSE(monitor::HoldsReport("Empty"));
    EXPECT_FALSE(monitor::HoldsReport(""));
    EXPECT_TRUE(monitor::HoldsReport("72110145600"));
    // Too short for a tail: named by an empty one, never read past the end.
    EXPECT_TRUE(monitor::HoldsReport("1234567"));
    EXPECT_EQ(monitor::ReadReport("1234567").tail, "");
}
