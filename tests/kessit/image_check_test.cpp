// kessit's image comparison on game DLLs as the Windows loader maps them, at a
// base other than the preferred one: relocations applied, import tables
// filled in. The game is 32-bit (PE32); the 64-bit build (PE32+) is checked
// the same way. In the merged builds the import address table, the delay-load
// table and its module handle lie inside executable, read-only code.
#include "kessit/image_check.h"
#include "kessit/kessit.h"
#include "testing/pe_loader_sim.h"
#include "tests/monitor/inspect/inspect_test_platform.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kExecute = 0x20000000;
constexpr std::uint32_t kWrite = 0x80000000;

std::string ReadSample(const std::string& name) {
    std::ifstream in(inspecttest::BinDirectory() + "pe/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Mapped {
    std::uint64_t base = 0;
    std::vector<char> memory;

    kessit::MemoryReader Reader() const {
        return [this](std::uint64_t address, void* out, std::size_t size) {
            if (address < base || address - base > memory.size() || size > memory.size() - (address - base)) {
                return false;
            }
            std::memcpy(out, memory.data() + (address - base), size);
            return true;
        };
    }
};

Mapped Map(const std::string& file, std::uint64_t base) {
    testsupport::PeImageInfo info;
    EXPECT_TRUE(testsupport::ReadPeImageInfo(file, info));
    Mapped mapped{base, std::vector<char>(info.SizeOfImage)};
    EXPECT_TRUE(testsupport::MapPeImage(file, base, mapped.memory.data()));
    return mapped;
}

std::int16_t Check(const std::string& file, const Mapped& mapped) {
    return kessit::CheckImage(file, mapped.base, mapped.memory.size(), mapped.Reader());
}

class LoadedImage : public ::testing::TestWithParam<const char*> {};

TEST_P(LoadedImage, PassesUntouchedAndFailsWithOnePatchedCodeByte) {
    const std::string file = ReadSample(GetParam());
    if (file.empty())
        GTEST_SKIP() << "PE test files were not built (mingw, lld-link or llvm-dlltool missing)";
    testsupport::PeImageInfo info;
    ASSERT_TRUE(testsupport::ReadPeImageInfo(file, info));
    // 32-bit images load below 4 GiB; both bases differ from the preferred one.
    const std::uint64_t base = info.Wide ? 0x7FF612340000ull : 0x00A30000ull;
    ASSERT_NE(base, info.PreferredBase);

    Mapped mapped = Map(file, base);
    const Mapped atPreferred = Map(file, info.PreferredBase);
    // The loader really changed the image: relocated code differs.
    ASSERT_NE(mapped.memory, atPreferred.memory);
    EXPECT_EQ(Check(file, mapped), kessit::kPassed);
    EXPECT_EQ(Check(file, atPreferred), kessit::kPassed);

    // Another binding of the imports is still the loader's business.
    const std::size_t pointer = info.Wide ? 8 : 4;
    mapped.memory[info.IatRva] ^= 0x5A;
    EXPECT_EQ(Check(file, mapped), kessit::kPassed);
    mapped.memory[info.IatRva + pointer - 1] ^= 0x01;
    EXPECT_EQ(Check(file, mapped), kessit::kPassed);

    // One changed byte of code is not.
    const std::uint32_t code = testsupport::ExportRva(file, "GameMainCode");
    ASSERT_NE(code, 0u);
    mapped.memory[code + 1] ^= 0x01;
    EXPECT_EQ(Check(file, mapped), kessit::kFailed);
    mapped.memory[code + 1] ^= 0x01;
    EXPECT_EQ(Check(file, mapped), kessit::kPassed);

    // Nor is a relocated address put back to the preferred base.
    Mapped unrelocated = mapped;
    const auto* text = info.SectionOf(code);
    ASSERT_NE(text, nullptr);
    for (std::uint32_t i = text->VirtualAddress; i < text->VirtualAddress + text->RawSize; ++i) {
        if (unrelocated.memory[i] != atPreferred.memory[i] && !(i >= info.IatRva && i < info.IatRva + 64)) {
            unrelocated.memory[i] = atPreferred.memory[i];
            break;
        }
    }
    EXPECT_EQ(Check(file, unrelocated), kessit::kFailed);
}

INSTANTIATE_TEST_SUITE_P(Builds, LoadedImage,
                         ::testing::Values("pe32_game.dll", "pe32_merged.dll", "pe64_game.dll",
                                           "pe64_merged.dll"));

TEST(LoadedImage, MergedBuildsKeepTheLoaderTablesInReadOnlyCode) {
    for (const char* name : {"pe32_merged.dll", "pe64_merged.dll"}) {
        const std::string file = ReadSample(name);
        if (file.empty())
            GTEST_SKIP() << "PE test files were not built";
        testsupport::PeImageInfo info;
        ASSERT_TRUE(testsupport::ReadPeImageInfo(file, info));
        for (const std::uint32_t rva : {info.IatRva, info.DelayImportRva}) {
            const auto* section = info.SectionOf(rva);
            ASSERT_NE(section, nullptr) << name;
            EXPECT_TRUE(section->Characteristics & kExecute) << name;
            EXPECT_FALSE(section->Characteristics & kWrite) << name;
        }
        // The delay-load table of the loaded image differs from the file's.
        const Mapped mapped = Map(file, info.Wide ? 0x7FF612340000ull : 0x00A30000ull);
        EXPECT_EQ(Check(file, mapped), kessit::kPassed) << name;
    }
}

TEST(LoadedImage, CorruptHeadersGetNoAnswer) {
    const std::string good = ReadSample("pe32_merged.dll");
    if (good.empty())
        GTEST_SKIP() << "PE test files were not built";
    const Mapped mapped = Map(good, 0x00A30000);
    const std::uint32_t pe =
        static_cast<unsigned char>(good[0x3C]) | (static_cast<unsigned char>(good[0x3D]) << 8);

    auto expectNoAnswer = [&](std::string file, const char* what) {
        EXPECT_EQ(Check(file, mapped), kessit::kNoAnswer) << what;
    };
    std::string file = good;
    file[pe + 1] = 'X';
    expectNoAnswer(file, "PE signature");
    file = good;
    file[pe + 24] = 0x07; // optional header magic
    expectNoAnswer(file, "optional header magic");
    file = good;
    file[pe + 6] = static_cast<char>(0xFF); // 255 sections run off the file
    expectNoAnswer(file, "section count");
    file = good;
    file[0x3C] = static_cast<char>(0xF0);
    file[0x3D] = static_cast<char>(0xFF);
    expectNoAnswer(file, "header offset");
    expectNoAnswer(good.substr(0, 0x80), "cut after the DOS header");
    expectNoAnswer(std::string(), "empty");
    // A relocation block that claims to run past its table.
    testsupport::PeImageInfo info;
    ASSERT_TRUE(testsupport::ReadPeImageInfo(good, info));
    const std::uint32_t relocDirectory = pe + 24 + 96 + 5 * 8;
    const std::uint32_t relocRva = static_cast<unsigned char>(good[relocDirectory]) |
                                   (static_cast<unsigned char>(good[relocDirectory + 1]) << 8) |
                                   (static_cast<unsigned char>(good[relocDirectory + 2]) << 16);
    const auto* reloc = info.SectionOf(relocRva);
    ASSERT_NE(reloc, nullptr);
    file = good;
    const std::size_t block = reloc->RawOffset + (relocRva - reloc->VirtualAddress);
    file[block + 5] = 0x70; // block size 0x7000+
    expectNoAnswer(file, "relocation block size");
    // The image must fit the span the caller gives.
    EXPECT_EQ(kessit::CheckImage(good, mapped.base, 0x200, mapped.Reader()), kessit::kNoAnswer);
}

} // namespace
