#pragma once

#include <string>

namespace monitor {

// The text with every control byte (below 0x20, and 0x7F) replaced by '?'.
// Player names come from other machines and from the game's settings, and
// reach the lists, the status file and the log: a CR or LF in one would
// split a log line and could forge one that verifies.
inline std::string WithoutControlBytes(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            c = '?';
    }
    return text;
}

} // namespace monitor
