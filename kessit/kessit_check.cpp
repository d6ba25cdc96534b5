// The exported check. Every failure to get at the module (bad texts, a
// process that is gone, memory or file that cannot be read) is "no answer";
// only a readable image that differs from its file is "failed".
#include "kessit/image_check.h"
#include "kessit/kessit.h"
#include "kessit/target_process.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

// The largest module file kessit reads (a bigger one is not a game DLL).
constexpr long kMaxFileSize = 512L << 20;

// A decimal text of at most 20 digits; the buffer must end with a NUL within
// that length. Negative numbers are refused.
std::optional<std::uint64_t> ParseText(const char* text) {
    if (!text) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    std::size_t i = 0;
    for (; i <= 20 && text[i] != '\0'; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const std::uint64_t next = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (next / 10 != value) {
            return std::nullopt; // overflow
        }
        value = next;
    }
    if (i == 0 || text[i] != '\0') {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    char block[65536];
    std::optional<std::string> result;
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file);
        bytes.append(block, got);
        if (bytes.size() > static_cast<std::size_t>(kMaxFileSize)) {
            break;
        }
        if (got < sizeof block) {
            if (!std::ferror(file)) {
                result = std::move(bytes);
            }
            break;
        }
    }
    std::fclose(file);
    return result;
}

} // namespace

extern "C" std::int16_t KessitCheck(char* baseText, char* sizeText, char* pidText) {
    try {
        const auto base = ParseText(baseText);
        const auto size = ParseText(sizeText);
        const auto pid = ParseText(pidText);
        if (!base || !size || !pid || *pid > UINT32_MAX || *size == 0) {
            return kessit::kNoAnswer;
        }
        auto target = kessit::OpenTargetProcess(static_cast<std::uint32_t>(*pid));
        if (!target) {
            return kessit::kNoAnswer;
        }
        const auto path = target->ModuleFile(*base);
        if (!path) {
            return kessit::kNoAnswer;
        }
        const auto file = ReadFile(*path);
        if (!file) {
            return kessit::kNoAnswer;
        }
        return kessit::CheckImage(*file, *base, *size, [&](std::uint64_t address, void* out, std::size_t n) {
            return target->Read(address, out, n);
        });
    } catch (...) {
        // Nothing may escape into the caller: a fault is no answer.
        return kessit::kNoAnswer;
    }
}
