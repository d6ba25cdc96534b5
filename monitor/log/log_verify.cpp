#include "monitor/log/log_verify.h"

#include "monitor/log/log_file.h"

namespace monitor {
namespace {

constexpr std::string_view kMarker = "] Checksum :";

bool LineMatches(std::string_view line) {
    if (line.empty() || line.front() != '[')
        return false;
    const std::size_t marker = line.rfind(kMarker);
    if (marker == std::string_view::npos || marker < 1)
        return false;
    const std::string_view digits = line.substr(marker + kMarker.size());
    // The checksum is 0 to 65535, written without leading zeros.
    if (digits.empty() || digits.size() > 5 || (digits.size() > 1 && digits.front() == '0'))
        return false;
    long value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value == LogChecksum(line.substr(1, marker - 1));
}

} // namespace

std::vector<LogMismatch> VerifyLog(std::string_view bytes) {
    std::vector<LogMismatch> mismatches;
    int number = 0;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        std::string_view line =
            bytes.substr(start, (end == std::string_view::npos ? bytes.size() : end) - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number;
        if (!LineMatches(line))
            mismatches.push_back({number, std::string(line)});
        start = next;
    }
    return mismatches;
}

} // namespace monitor
