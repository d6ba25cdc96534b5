#pragma once

#include <string>
#include <string_view>
#include <vector>

// Checking a saved log: every line "[" + text + "] Checksum :" + number must
// carry the checksum of its text.
namespace monitor {

struct LogMismatch {
    int LineNumber = 0; // counted from 1
    std::string Line;   // as it stands in the file, without its line end
};

// The lines of `bytes` (CR LF or LF ends; a last line without an end
// counts) whose checksum does not match their text, or that do not have
// the form of a log line at all. An empty last line is not a line.
std::vector<LogMismatch> VerifyLog(std::string_view bytes);

} // namespace monitor
