// The module list of a process from the text of its /proc/PID/maps.
#include "monitor/inspect/proc_maps_linux.h"

#include <cstring>

namespace monitor {

bool ParseProcNumber(std::string_view text, std::uint64_t& value, int base) {
    if (text.empty()) {
        return false;
    }
    std::uint64_t v = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        if (v > (UINT64_MAX - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) {
            return false; // does not fit 64 bits
        }
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    value = v;
    return true;
}

std::string_view NextProcField(std::string_view& line) {
    std::size_t start = 0;
    while (start < line.size() && line[start] == ' ') {
        ++start;
    }
    std::size_t end = start;
    while (end < line.size() && line[end] != ' ') {
        ++end;
    }
    const std::string_view field = line.substr(start, end - start);
    line.remove_prefix(end);
    return field;
}

namespace {

// The fields of one maps line that the module list uses.
struct MapLine {
    std::uint64_t Start = 0;
    std::uint64_t End = 0;
    std::string_view Path; // from the first '/' or '[' after the inode; else the rest
    bool File = false;     // maps a file: an inode, an absolute path without NUL
};

// False for a line whose address range does not parse.
bool ReadMapLine(std::string_view line, MapLine& out) {
    const std::string_view range = NextProcField(line);
    NextProcField(line); // permissions
    NextProcField(line); // offset
    NextProcField(line); // device
    const std::string_view inode = NextProcField(line);
    // The kernel pads the path to a column of its own; finding it with
    // memchr skips the padding much faster than a byte loop would. A file
    // path starts with '/', a named region ("[heap]") with '['.
    std::string_view path;
    const auto* firstSlash = static_cast<const char*>(std::memchr(line.data(), '/', line.size()));
    const auto* bracket = static_cast<const char*>(std::memchr(line.data(), '[', line.size()));
    if (bracket && (!firstSlash || bracket < firstSlash)) {
        path = line.substr(static_cast<std::size_t>(bracket - line.data()));
    } else if (firstSlash) {
        path = line.substr(static_cast<std::size_t>(firstSlash - line.data()));
    } else if (const std::size_t text = line.find_first_not_of(' '); text != std::string_view::npos) {
        path = line.substr(text);
    }
    const std::size_t dash = range.find('-');
    if (dash == std::string_view::npos || !ParseProcNumber(range.substr(0, dash), out.Start, 16) ||
        !ParseProcNumber(range.substr(dash + 1), out.End, 16) || out.End < out.Start) {
        return false;
    }
    out.Path = path;
    // A NUL never appears in a real path; such a line is not a file.
    out.File = inode != "0" && !path.empty() && path[0] == '/' && path.find('\0') == std::string_view::npos;
    return true;
}

// The next line of the text; the text keeps what follows its newline.
std::string_view NextLine(std::string_view& maps) {
    const std::size_t newline = maps.find('\n');
    const std::string_view line = maps.substr(0, newline);
    maps.remove_prefix(newline == std::string_view::npos ? maps.size() : newline + 1);
    return line;
}

using Block = unsigned char __attribute__((vector_size(16)));

Block Splat(unsigned char c) {
    Block block;
    for (int i = 0; i < 16; ++i) {
        block[i] = c;
    }
    return block;
}

// The bit that tells the cases of an ASCII letter apart, for a lower-case
// letter; 0 for every other byte, which then matches only itself.
unsigned char CaseBit(char c) {
    return c >= 'a' && c <= 'z' ? 0x20 : 0;
}

bool EqualFolded(const char* text, std::string_view needle) {
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (static_cast<char>(text[i] | static_cast<char>(CaseBit(needle[i]))) != needle[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

// Blocks of 16 candidate starts at a time: a start is worth comparing in full
// only where both the needle's first and last byte match.
std::size_t FindFolded(std::string_view text, std::string_view needle) {
    const std::size_t k = needle.size();
    if (k == 0) {
        return 0;
    }
    if (text.size() < k) {
        return std::string_view::npos;
    }
    const std::size_t last = text.size() - k; // the last possible start
    const Block firstBit = Splat(CaseBit(needle.front()));
    const Block firstByte = Splat(static_cast<unsigned char>(needle.front()));
    const Block lastBit = Splat(CaseBit(needle.back()));
    const Block lastByte = Splat(static_cast<unsigned char>(needle.back()));
    std::size_t at = 0;
    for (; at + 16 <= last + 1; at += 16) {
        Block head;
        Block tail;
        std::memcpy(&head, text.data() + at, sizeof head);
        std::memcpy(&tail, text.data() + at + k - 1, sizeof tail);
        const auto hits = ((head | firstBit) == firstByte) & ((tail | lastBit) == lastByte);
        std::uint64_t lanes[2];
        std::memcpy(lanes, &hits, sizeof lanes);
        if ((lanes[0] | lanes[1]) == 0) {
            continue;
        }
        for (std::size_t i = 0; i < 16; ++i) {
            if (hits[i] && EqualFolded(text.data() + at + i, needle)) {
                return at + i;
            }
        }
    }
    for (; at <= last; ++at) {
        if (EqualFolded(text.data() + at, needle)) {
            return at;
        }
    }
    return std::string_view::npos;
}

bool MapsHoldFile(std::string_view maps) {
    MapLine line;
    while (!maps.empty()) {
        if (ReadMapLine(NextLine(maps), line) && line.File) {
            return true;
        }
    }
    return false;
}

// One module per mapped file, in the order of its lowest mapping. The
// mappings of one file are nearly always adjacent, so the last file is
// tried first; otherwise the files seen so far are searched.
int MapsParser::Parse(std::string_view maps, std::uint32_t owner, ModuleList& list) {
    m_paths.clear();
    m_lastEnd = 0;
    std::string_view lastPath;
    std::size_t lastIndex = 0;
    MapLine line;
    while (!maps.empty()) {
        if (!ReadMapLine(NextLine(maps), line)) {
            continue;
        }
        const std::uint64_t start = line.Start;
        const std::uint64_t end = line.End;
        const std::string_view path = line.Path;
        if (!line.File) {
            // Anonymous memory right after a module's mapping belongs to
            // that module: Wine reads the sections of a DLL whose file
            // layout is not page-aligned into anonymous pages of the
            // DLL's view, and an ELF module's zero-filled data follows
            // its file too. Stack, heap and vdso (named) never do.
            if (path.empty() && !m_paths.empty() && start == m_lastEnd) {
                ModuleEntry& module = list[lastIndex];
                if (end > module.BaseAddress + module.BaseSize) {
                    module.BaseSize = end - module.BaseAddress;
                }
                m_lastEnd = end;
            } else {
                m_lastEnd = 0;
            }
            continue;
        }
        m_lastEnd = end;
        std::size_t at = m_paths.size();
        if (!m_paths.empty() && lastPath == path) {
            at = lastIndex;
        } else {
            for (std::size_t k = 0; k < m_paths.size(); ++k) {
                if (m_paths[k] == path) {
                    at = k;
                    break;
                }
            }
        }
        if (at == m_paths.size()) {
            if (!m_paths.empty()) {
                list.emplace_back();
            }
            ModuleEntry& module = list.back();
            module.Size = sizeof(ModuleEntry);
            module.ModuleId = 1;
            module.ProcessId = owner;
            module.GlobalUsage = 0xFFFF;
            module.ProcessUsage = 0xFFFF;
            module.BaseAddress = start;
            module.BaseSize = end - start;
            const std::size_t slash = path.rfind('/');
            SetField(module.Name, path.substr(slash + 1));
            SetField(module.Path, path);
            m_paths.push_back(path);
        }
        lastPath = path;
        lastIndex = at;
        ModuleEntry& module = list[at];
        const std::uint64_t moduleEnd = module.BaseAddress + module.BaseSize;
        const std::uint64_t low = start < module.BaseAddress ? start : module.BaseAddress;
        const std::uint64_t high = end > moduleEnd ? end : moduleEnd;
        module.BaseAddress = low;
        module.BaseSize = high - low;
        module.ModuleHandle = low;
    }
    return static_cast<int>(m_paths.size()) - 1;
}

} // namespace monitor
