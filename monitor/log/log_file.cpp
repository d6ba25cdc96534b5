#include "monitor/log/log_file.h"

#include "common/file_system.h"
#include "monitor/log/file_length.h"

#include <cstdint>
#include <cstdio>

namespace monitor {

int LogChecksum(std::string_view line) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const std::uint32_t c = static_cast<unsigned char>(line[i]);
        // Only the low byte of the product matters, so wrap-around is harmless.
        sum += (c * static_cast<std::uint32_t>(i)) & 254u;
    }
    return static_cast<int>(sum & 65535u);
}

std::string FormatLogLine(std::string_view line) {
    std::string formatted = "[";
    formatted.append(line);
    formatted += "] Checksum :";
    formatted += std::to_string(LogChecksum(line));
    return formatted;
}

common::Result<common::Done> SaveLog(std::span<const std::string> lines, std::string_view programDirectory) {
    const std::string path = common::ResolvePath(common::JoinPath(programDirectory, kLogFileName));
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += FormatLogLine(line);
        bytes += "\r\n";
    }

    // Binary mode: the line ends are written as given on every platform.
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file)
        return common::Failure{"Unable to write to " + path, errno};
    // Unbuffered, so that nothing is left to be written by the close after a
    // failed write has been cut off again.
    std::setvbuf(file, nullptr, _IONBF, 0);
    const std::optional<std::uint64_t> before = OpenFileLength(file);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!ok && before) {
        // A full disk may have taken part of the lines: cut them off again, so
        // the next save does not fuse its first line with half of one.
        std::clearerr(file);
        TruncateOpenFile(file, *before);
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        return common::Failure{"Unable to write to " + path};
    return common::Done{};
}

} // namespace monitor
