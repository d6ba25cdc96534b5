#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>

// The monitor's shared state: the tables and codes that the local checks fill
// and that the peer links, the evaluation and the tick read. One object, owned
// by the monitor engine; all texts are 8-bit ANSI strings.
namespace monitor {

using Clock = std::chrono::system_clock;
using TimePoint = Clock::time_point;
using SteadyClock = std::chrono::steady_clock;
using SteadyPoint = SteadyClock::time_point;

inline constexpr int kDefaultMonitorPort = 12125;
inline constexpr int kPeerSlots = 61;
inline constexpr int kLastSeenSlots = 47;
inline constexpr int kCandidateSlots = 29;

inline constexpr char kEmptySlot[] = "Empty";
inline constexpr char kNoCandidate[] = "0";

// Game state codes (the first three digits of a status report).
inline constexpr int kGameStarted = 199;
inline constexpr int kGameNotStarted = 721;
inline constexpr int kGameNotExamined = 768;
// 101 plus the number of running game copies.
inline constexpr int kNoSust = 101;

enum class KessitOutcome { NoResult, Passed, Failed };

struct SharedState {
    SharedState() {
        PeerTable.fill(kEmptySlot);
        CandidateServers.fill(kNoCandidate);
    }

    int MonitorPort = kDefaultMonitorPort;
    int IsServer = 0;
    std::array<std::string, kPeerSlots> PeerTable;
    // Silence is measured on the steady clock.
    std::array<SteadyPoint, kLastSeenSlots> PeerLastSeen{};
    SteadyPoint LastServerUpdate{};
    std::array<std::string, kCandidateSlots> CandidateServers;
    int CandidateCursor = 0;
    std::string LastUpdateText;
    TimePoint GameWatchStart{};
    int GameStateCode = kGameNotExamined;
    int SustStateCode = 0;
    // SHA-256 of the game DLL file as lower-case hex; empty optional while
    // not yet computed. DllGenuine tells whether a computed digest is one of
    // the genuine DLL's.
    std::optional<std::string> DllChecksum;
    bool DllGenuine = false;
    // False while no genuine digest is configured: a computed digest is then
    // not judged either way.
    bool DllJudged = true;
    KessitOutcome KessitResult = KessitOutcome::NoResult;
    std::string PlayerName;
    std::string ExternalAddress;
};

} // namespace monitor
