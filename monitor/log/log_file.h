#pragma once

#include "common/result.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The monitor's log file: every line of the log list with a per-line checksum,
// appended to "varnok.LOG" in the program directory.
namespace monitor {

inline constexpr char kLogFileName[] = "varnok.LOG";

// Sum over the bytes c at positions i = 1..n of (c * (i - 1)) AND 254, the
// total AND 65535. The first byte never counts. Text is bytes, so every
// character has a byte code.
int LogChecksum(std::string_view line);

// "[" + line + "] Checksum :" + checksum in decimal (no line end).
std::string FormatLogLine(std::string_view line);

// Appends every line, in order, as FormatLogLine + CR LF to the log file in
// `programDirectory`, creating the file when missing. No lines still create
// the file. A failure says why, naming the file, and cuts off whatever part of
// the lines reached it; the lines are never changed.
common::Result<common::Done> SaveLog(std::span<const std::string> lines, std::string_view programDirectory);

} // namespace monitor
