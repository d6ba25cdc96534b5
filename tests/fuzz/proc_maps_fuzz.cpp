// The module walk's reading of /proc/PID/maps text. Beyond not crashing: the
// result counts the list, every module is a file (absolute path, named by its
// last component), no file is listed twice, and no span wraps around. The
// shortcuts of the walk for sought names agree with the parse: a text holds
// a file exactly when the parse lists a module, the name search finds the
// beginning of every listed module's name in the text, and it finds what a
// byte-by-byte search finds.
#include "monitor/inspect/proc_maps_linux.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t PlainFindFolded(std::string_view text, std::string_view needle) {
    for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < needle.size() && Lower(text[at + i]) == needle[i]) {
            ++i;
        }
        if (i == needle.size()) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::string LowerText(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    return lower;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view maps(reinterpret_cast<const char*>(data), size);
    monitor::MapsParser parser;
    monitor::ModuleList list(1);
    const int upper = parser.Parse(maps, 42, list);
    if (upper < -1 || static_cast<std::size_t>(upper < 0 ? 0 : upper) + 1 != list.size()) {
        __builtin_trap();
    }
    std::set<std::string> paths;
    for (int i = 0; i <= upper; ++i) {
        const monitor::ModuleEntry& m = list[static_cast<std::size_t>(i)];
        const std::string& path = m.Path;
        if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos ||
            !paths.insert(path).second || m.ProcessId != 42) {
            __builtin_trap();
        }
        const std::string name = path.substr(path.rfind('/') + 1);
        if (monitor::FieldText(m.Name) != name.substr(0, m.Name.size() - 1)) {
            __builtin_trap();
        }
        if (m.BaseAddress + m.BaseSize < m.BaseAddress) {
            __builtin_trap();
        }
        const std::string sought = LowerText(name.substr(0, 14));
        if (monitor::FindFolded(maps, sought) == std::string_view::npos) {
            __builtin_trap();
        }
    }
    if (monitor::MapsHoldFile(maps) != (upper >= 0)) {
        __builtin_trap();
    }
    // A needle from the text's last bytes, as long as its first byte says.
    if (size > 0) {
        const std::size_t length = std::min<std::size_t>(data[0] % 17, size);
        const std::string needle = LowerText(maps.substr(size - length));
        if (monitor::FindFolded(maps, needle) != PlainFindFolded(maps, needle)) {
            __builtin_trap();
        }
    }
    // The parser keeps nothing of one text for the next.
    monitor::ModuleList again(1);
    if (parser.Parse(maps, 42, again) != upper) {
        __builtin_trap();
    }
    return 0;
}
