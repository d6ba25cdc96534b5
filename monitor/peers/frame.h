#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Frames of the peer links: a two-digit decimal length n, then n characters
// of payload, no separator between frames.
namespace monitor {

inline constexpr std::size_t kMaxPayload = 99;
inline constexpr std::size_t kPrefixLength = 2;
// A link whose unread data grows beyond this is closed: honest peers send
// one frame of at most 101 bytes at a time.
inline constexpr std::size_t kReadBufferCap = 4096;

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
