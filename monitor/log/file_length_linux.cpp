#include "monitor/log/file_length.h"

#include <sys/stat.h>
#include <unistd.h>

namespace monitor {

std::optional<std::uint64_t> OpenFileLength(std::FILE* file) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool TruncateOpenFile(std::FILE* file, std::uint64_t length) {
    return ftruncate(fileno(file), static_cast<off_t>(length)) == 0;
}

} // namespace monitor
