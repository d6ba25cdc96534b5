// kessit's image comparison over crafted files: the file laid out flat in
// memory and, where it maps, as the loader would map it. Beyond not crashing:
// the verdict is one of the three answers, the same when asked twice, and
// memory is never read outside the span the caller gave.
#include "kessit/image_check.h"
#include "kessit/kessit.h"
#include "testing/pe_loader_sim.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint64_t kBase = 0x00A30000;

std::int16_t Check(std::string_view file, const std::vector<char>& memory) {
    const auto read = [&memory](std::uint64_t address, void* out, std::size_t size) {
        if (address < kBase || address - kBase > memory.size() || size > memory.size() - (address - kBase)) {
            __builtin_trap(); // outside the span the caller gave
        }
        std::memcpy(out, memory.data() + (address - kBase), size);
        return true;
    };
    const std::int16_t verdict = kessit::CheckImage(file, kBase, memory.size(), read);
    if (verdict != kessit::kPassed && verdict != kessit::kFailed && verdict != kessit::kNoAnswer) {
        __builtin_trap();
    }
    if (kessit::CheckImage(file, kBase, memory.size(), read) != verdict) {
        __builtin_trap();
    }
    return verdict;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    Check(file, std::vector<char>(file.begin(), file.end()));

    testsupport::PeImageInfo info;
    if (testsupport::ReadPeImageInfo(file, info) && info.SizeOfImage <= (16u << 20)) {
        std::vector<char> memory(info.SizeOfImage);
        if (testsupport::MapPeImage(file, kBase, memory.data())) {
            Check(file, memory);
        }
    }
    return 0;
}
