// The module walk's reading of /proc/PID/maps text. Beyond not crashing: the
// result counts the list, every module is a file (absolute path, named by its
// last component), no file is listed twice, and no span wraps around.
#include "monitor/inspect/proc_maps_linux.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

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
    }
    // The parser keeps nothing of one text for the next.
    monitor::ModuleList again(1);
    if (parser.Parse(maps, 42, again) != upper) {
        __builtin_trap();
    }
    return 0;
}
