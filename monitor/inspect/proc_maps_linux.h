#pragma once

#include "monitor/inspect/process_inspector.h"

#include <cstdint>
#include <string_view>
#include <vector>

// Reading the text of the Linux process file system.
namespace monitor {

// A whole unsigned number in base 10 or 16 (no sign, no prefix); false for
// anything else, including an empty text.
bool ParseProcNumber(std::string_view text, std::uint64_t& value, int base);

// The next blank-separated field of a line; the line keeps what follows.
std::string_view NextProcField(std::string_view& line);

// Where `needle` first occurs in `text`, a letter of the needle (given in
// lower case) matching either case of itself, every other byte only itself:
// the comparison of module names. npos when it occurs nowhere; 0 for an empty
// needle. Scans in blocks of 16 bytes, so a miss over a whole maps file costs
// far less than parsing its lines.
std::size_t FindFolded(std::string_view text, std::string_view needle);

// True when some line of a maps text maps a file, that is when
// MapsParser::Parse would list at least one module. Stops at the first such
// line.
bool MapsHoldFile(std::string_view maps);

// The modules of a process from its /proc/PID/maps text: one module per
// mapped file, in the order of its lowest mapping, spanning every mapping of
// the file and anonymous memory that directly follows one of them. Lines that
// do not parse are skipped. `list` holds one blank entry on entry; returns
// the upper index (-1 when no file is mapped). The parser keeps views into
// `maps` only while it runs, and its buffers between runs.
class MapsParser {
public:
    int Parse(std::string_view maps, std::uint32_t owner, ModuleList& list);

private:
    std::vector<std::string_view> m_paths; // files seen in this run (views into the text)
    std::uint64_t m_lastEnd = 0;           // end of the last mapping that belongs to a module
};

} // namespace monitor
