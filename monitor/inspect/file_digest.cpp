#include "monitor/inspect/sha256.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace monitor {

std::string Sha256Hex(std::string_view bytes) {
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    return hash.FinishHex();
}

FileDigest FileSha256(const std::string& nativePath, const std::function<void()>& afterBlock) {
    FileDigest result;
    std::FILE* file = std::fopen(nativePath.c_str(), "rb");
    if (!file) {
        result.ErrorNumber = errno;
        result.ErrorText = "cannot open " + nativePath + ": " + std::strerror(errno);
        return result;
    }
    // Read in small chunks (the monitor's peak memory stays low beside the
    // game); `afterBlock` still runs after each whole 1 MiB block.
    constexpr std::size_t kBlock = 1u << 20;
    std::vector<unsigned char> chunk(64u << 10);
    Sha256 hash;
    bool ok = true;
    std::size_t inBlock = 0;
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got > 0 && !hash.Update(chunk.data(), got)) {
            ok = false;
            result.ErrorText = "hashing failed";
            break;
        }
        if (got < chunk.size()) {
            if (std::ferror(file)) {
                ok = false;
                result.ErrorNumber = errno;
                result.ErrorText = "cannot read " + nativePath + ": " + std::strerror(errno);
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
    if (ok) {
        std::string hex = hash.FinishHex();
        if (hex.empty()) {
            result.ErrorText = "hashing failed";
        } else {
            result.Hex = std::move(hex);
        }
    }
    return result;
}

} // namespace monitor
