#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Frames of the peer links: a two-digit decimal length n, then n characters
// of payload, no separator between frames.
namespace monitor {

inline constexpr std::size_t kMaxPayload = 99;
inline constexpr std::size_t kPrefixLength = 2;
// Unread data beyond these caps closes a link, which bounds what a flood can
// take. A joiner sends one frame of at most 101 bytes per tick (5 s), and is
// dropped after 30 s of silence: 4 KiB on a server link hold 40 of its
// frames, far more than a stalled link can bunch up. A server relays up to
// 48 frames per tick (about 4.9 KB) to every joiner, and after a TCP stall
// several ticks arrive at once: 64 KiB hold 13 full ticks.
inline constexpr std::size_t kServerReadCap = 4096;
inline constexpr std::size_t kJoinerReadCap = 65536;
// Bytes queued for a peer that does not read them: past this the link is
// closed, so a peer that never reads cannot grow the monitor's memory. 13
// full server ticks beyond what the system's own buffers hold.
inline constexpr std::size_t kUnsentCap = 65536;

// The frame of a payload. A payload longer than 99 characters is cut at its
// end (a status report ends with the player name), so the length prefix
// always tells the truth.
std::string EncodeFrame(std::string_view payload);

// The length that a prefix announces, or -1 when it is not two digits.
int FrameLength(std::string_view prefix);

// True when the buffered bytes start with a whole frame (a valid prefix and
// all of its payload).
bool WholeFrameBuffered(std::string_view head, std::size_t bytesBuffered);

// Value of two decimal digits at `pos`, or -1 when they are not two digits
// or lie outside `text`.
int TwoDigitValue(std::string_view text, std::size_t pos);

// True when the first 11 characters are digits: the shape of a status report
// (game state, instances, DLL state, slot).
bool HasReportShape(std::string_view payload);

} // namespace monitor
