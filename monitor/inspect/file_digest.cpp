#include "monitor/inspect/sha256.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace monitor {

std::string Sha256Hex(std::string_view bytes) {
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    return hash.FinishHex();
}

common::Result<std::string> FileSha256(const std::string& nativePath,
                                       const std::function<void()>& afterBlock) {
    std::FILE* file = std::fopen(nativePath.c_str(), "rb");
    if (!file) {
        const int error = errno;
        return common::Failure{"cannot open " + nativePath + ": " + std::strerror(error), error};
    }
    // Read in small chunks (the monitor's peak memory stays low beside the
    // game); `afterBlock` still runs after each whole 1 MiB block.
    constexpr std::size_t kBlock = 1u << 20;
    std::vector<unsigned char> chunk(64u << 10);
    Sha256 hash;
    std::optional<common::Failure> failure;
    std::size_t inBlock = 0;
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got > 0 && !hash.Update(chunk.data(), got)) {
            failure = common::Failure{"hashing failed"};
            break;
        }
        if (got < chunk.size()) {
            if (std::ferror(file)) {
                const int error = errno;
                failure = common::Failure{"cannot read " + nativePath + ": " + std::strerror(error), error};
            }
            break;
        }
        inBlock += got;
        if (inBlock == kBlock) {
            inBlock = 0;
            if (afterBlock) {
                afterBlock();
            }
        }
    }
    std::fclose(file);
    if (failure) {
        return *failure;
    }
    std::string hex = hash.FinishHex();
    if (hex.empty()) {
        return common::Failure{"hashing failed"};
    }
    return hex;
}

} // namespace monitor
