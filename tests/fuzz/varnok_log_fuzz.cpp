// The log checker on arbitrary files: mismatches come in line order and
// name real lines; a file written by the monitor itself always verifies.
#include "monitor/log/log_file.h"
#include "monitor/log/log_verify.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto mismatches = monitor::VerifyLog(bytes);
    const auto lines = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    int last = 0;
    for (const auto& m : mismatches) {
        if (m.LineNumber <= last || m.LineNumber > lines)
            __builtin_trap();
        last = m.LineNumber;
    }

    // The same bytes as log-list lines, saved as the monitor saves them.
    std::string saved;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        saved += monitor::FormatLogLine(bytes.substr(start, end - start)) + "\r\n";
        start = end + 1;
    }
    if (!monitor::VerifyLog(saved).empty())
        __builtin_trap();
    return 0;
}
