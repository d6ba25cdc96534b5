#include "monitor/log/file_length.h"

#include <io.h>

namespace monitor {

std::optional<std::uint64_t> OpenFileLength(std::FILE* file) {
    const __int64 length = _filelengthi64(_fileno(file));
    if (length < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(length);
}

bool TruncateOpenFile(std::FILE* file, std::uint64_t length) {
    return _chsize_s(_fileno(file), static_cast<__int64>(length)) == 0;
}

} // namespace monitor
