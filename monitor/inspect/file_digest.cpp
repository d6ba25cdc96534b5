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
    std::vector<unsigned char> block(1u << 20);
    Sha256 hash;
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file);
        if (got > 0 && !hash.Update(block.data(), got)) {
            ok = false;
            result.ErrorText = "hashing failed";
            break;
        }
        if (got < block.size()) {
            if (std::ferror(file)) {
                ok = false;
                result.ErrorNumber = errno;
                result.ErrorText = "cannot read " + nativePath + ": " + std::strerror(errno);
            }
            break;
        }
        if (afterBlock) {
            afterBlock();
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

}  // namespace monitor
