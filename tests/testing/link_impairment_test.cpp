// One direction of a line of the link switch, driven with made-up times.
#include "testing/link_impairment.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using linksim::LineDirection;
using linksim::LineSettings;
using linksim::LinkTime;
using linksim::Passage;
using linksim::Verdict;
using Ms = std::chrono::duration<double, std::milli>;

LinkTime At(double ms) {
    return LinkTime{} + std::chrono::duration_cast<LinkTime::duration>(Ms(ms));
}

double MsOf(LinkTime t) {
    return Ms(t - LinkTime{}).count();
}

// Departures of `count` frames entering `spacingMs` apart (lost frames left out).
std::vector<double> Departures(LineDirection& line, const LineSettings& settings, int count,
                               double spacingMs) {
    std::vector<double> departures;
    for (int i = 0; i < count; ++i) {
        const Passage p = line.Admit(settings, At(1000 + i * spacingMs), 100);
        if (p.verdict == Verdict::Pass)
            departures.push_back(MsOf(p.departure));
    }
    return departures;
}

int Inversions(const std::vector<double>& departures) {
    int inversions = 0;
    for (std::size_t i = 1; i < departures.size(); ++i)
        if (departures[i] < departures[i - 1])
            ++inversions;
    return inversions;
}

TEST(LineDirection, JitterKeepsTheOrderOfTheLineUnlessFramesAreReordered) {
    LineSettings settings;
    settings.delayMs = 50;
    settings.jitterMs = 40; // far wider than the 1 ms between frames
    LineDirection kept(1);
    EXPECT_EQ(Inversions(Departures(kept, settings, 5000, 1)), 0);

    settings.reorderPercent = 30;
    LineDirection reordered(1);
    const std::vector<double> departures = Departures(reordered, settings, 5000, 1);
    EXPECT_GT(Inversions(departures), 500);
}

TEST(LineDirection, DelayIsExactAndJitterSpreadsBothWaysAroundIt) {
    LineSettings settings;
    settings.delayMs = 50;
    LineDirection steady(2);
    for (int i = 0; i < 10; ++i) {
        const Passage p = steady.Admit(settings, At(i * 7.0), 60);
        ASSERT_EQ(p.verdict, Verdict::Pass);
        EXPECT_NEAR(MsOf(p.departure), i * 7.0 + 50, 1e-6);
    }

    // Frames further apart than the jitter's width never wait for each other,
    // so each one shows its own draw.
    settings.jitterMs = 20;
    LineDirection jittery(2);
    double low = 1e9, high = -1e9, sum = 0;
    constexpr int kFrames = 4000;
    for (int i = 0; i < kFrames; ++i) {
        const double entry = i * 100.0;
        const double delay = MsOf(jittery.Admit(settings, At(entry), 60).departure) - entry;
        low = std::min(low, delay);
        high = std::max(high, delay);
        sum += delay;
    }
    EXPECT_GE(low, 30 - 1e-6);
    EXPECT_LE(high, 70 + 1e-6);
    EXPECT_LT(low, 31);
    EXPECT_GT(high, 69);
    EXPECT_NEAR(sum / kFrames, 50, 1.0);

    // A jitter wider than the delay never sends a frame before it entered.
    settings.delayMs = 5;
    LineDirection wide(3);
    for (int i = 0; i < 1000; ++i)
        EXPECT_GE(MsOf(wide.Admit(settings, At(i * 100.0), 60).departure), i * 100.0);
}

TEST(LineDirection, LossTakesItsShareAndPartitionTakesEverything) {
    LineSettings settings;
    settings.lossPercent = 20;
    LineDirection line(4);
    constexpr int kFrames = 20000;
    int lost = 0;
    for (int i = 0; i < kFrames; ++i)
        lost += line.Admit(settings, At(i), 100).verdict == Verdict::Loss;
    // Five standard deviations of a binomial count either side.
    EXPECT_NEAR(lost / double(kFrames), 0.20, 0.015);

    settings.lossPercent = 100;
    EXPECT_EQ(line.Admit(settings, At(kFrames), 100).verdict, Verdict::Loss);
    settings.lossPercent = 0;
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(line.Admit(settings, At(kFrames + 1 + i), 100).verdict, Verdict::Pass);

    settings.partition = true;
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(line.Admit(settings, At(kFrames + 2000 + i), 100).verdict, Verdict::Partition);
    settings.partition = false;
    EXPECT_EQ(line.Admit(settings, At(kFrames + 3000), 100).verdict, Verdict::Pass);
}

TEST(LineDirection, RateSpacesFramesByTheirSizeAndItsQueueIsBounded) {
    LineSettings settings;
    settings.rateKbit = 800; // a 1000-byte frame takes 10 ms
    settings.delayMs = 5;
    LineDirection line(5, 4);
    // A burst: the first is serialised at once, the next three wait their
    // turn, the rest find the queue full.
    std::vector<Verdict> verdicts;
    std::vector<double> departures;
    for (int i = 0; i < 6; ++i) {
        const Passage p = line.Admit(settings, At(0), 1000);
        verdicts.push_back(p.verdict);
        if (p.verdict == Verdict::Pass)
            departures.push_back(MsOf(p.departure));
    }
    EXPECT_EQ(verdicts, (std::vector<Verdict>{Verdict::Pass, Verdict::Pass, Verdict::Pass, Verdict::Pass,
                                              Verdict::Queue, Verdict::Queue}));
    ASSERT_EQ(departures.size(), 4u);
    for (std::size_t i = 0; i < departures.size(); ++i)
        EXPECT_NEAR(departures[i], 10.0 * (i + 1) + 5, 1e-6);

    // Once two frames are out, two places are free again.
    EXPECT_EQ(line.Admit(settings, At(20), 1000).verdict, Verdict::Pass);
    EXPECT_EQ(line.Admit(settings, At(20), 1000).verdict, Verdict::Pass);
    EXPECT_EQ(line.Admit(settings, At(20), 1000).verdict, Verdict::Queue);

    // A small frame on an idle line takes only its own time.
    const Passage small = line.Admit(settings, At(1000), 100);
    EXPECT_NEAR(MsOf(small.departure), 1000 + 1 + 5, 1e-6);
}

TEST(LineDirection, TheSameSeedRepeatsARunAndAnotherSeedDoesNot) {
    LineSettings settings;
    settings.delayMs = 20;
    settings.jitterMs = 10;
    settings.lossPercent = 30;
    settings.reorderPercent = 10;
    LineDirection a(42), b(42), c(43);
    const auto run = [&](LineDirection& line) {
        std::vector<double> outcome;
        for (int i = 0; i < 500; ++i) {
            const Passage p = line.Admit(settings, At(i * 3.0), 100);
            outcome.push_back(p.verdict == Verdict::Pass ? MsOf(p.departure) : -1);
        }
        return outcome;
    };
    const std::vector<double> first = run(a);
    EXPECT_EQ(first, run(b));
    EXPECT_NE(first, run(c));
}

} // namespace
