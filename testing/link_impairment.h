#pragma once

// One direction of one line of the link switch: the cable between a host and
// the switch, as frames cross it toward the switch or toward the host. It
// decides for each frame whether it is lost and when it comes out, from the
// line's settings and the time the frame entered. Plain logic, so tests can
// drive it with made-up times.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <random>

namespace linksim {

using LinkClock = std::chrono::steady_clock; // CLOCK_MONOTONIC on Linux
using LinkTime = LinkClock::time_point;

struct LineSettings {
    double delayMs = 0;        // one-way delay
    double jitterMs = 0;       // uniform +- around the delay
    double lossPercent = 0;    // chance that a frame is lost
    double reorderPercent = 0; // chance that a frame ignores the order of the line
    double rateKbit = 0;       // serialisation rate; 0 = unlimited
    bool partition = false;    // cut cable: nothing passes
};

enum class Verdict { Pass, Loss, Partition, Queue };

struct Passage {
    Verdict verdict = Verdict::Pass;
    LinkTime departure{}; // when the frame leaves the line (for Pass)
};

// Frames that may wait for the serialiser of a rate-limited line.
constexpr std::size_t kDefaultQueueFrames = 1000;

class LineDirection {
public:
    explicit LineDirection(std::uint64_t seed, std::size_t queueFrames = kDefaultQueueFrames);

    // A frame of `bytes` bytes enters the line at `now`.
    Passage Admit(const LineSettings& settings, LinkTime now, std::size_t bytes);

private:
    double Uniform(); // [0, 1)

    std::mt19937_64 m_random;
    std::size_t m_queueFrames;
    LinkTime m_lastInOrder{};          // departure of the latest frame that keeps the order
    LinkTime m_serialiserFree{};       // when the serialiser has sent all it holds
    std::deque<LinkTime> m_serialised; // end of serialisation of each frame still queued
};

} // namespace linksim
