// The /proc/net/tcp parser on arbitrary text: every row it yields has a
// state in the Windows numbering, and there are never more rows than lines.
#include "monitor/inspect/tcp_table.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto rows = monitor::ParseProcNetTcp(text);
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    if (rows.size() > lines)
        __builtin_trap();
    for (const auto& row : rows) {
        if (row.State > 12)
            __builtin_trap();
        if (row.LocalPort[2] || row.LocalPort[3] || row.RemotePort[2] || row.RemotePort[3])
            __builtin_trap();
    }
    return 0;
}
