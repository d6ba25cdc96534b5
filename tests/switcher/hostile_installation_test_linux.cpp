// Installations made to hurt: a mod folder with ten thousand entries and a
// descriptor of 200 MB. Each must give a plain outcome, not a hang or a
// memory blow-up.
#include "common/ini_file.h"
#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

// A sparse file: `size` bytes on paper, next to nothing on disk.
void MakeSparse(const fs::path& file, std::uintmax_t size, std::string_view start) {
    fs::create_directories(file.parent_path());
    {
        std::ofstream out(file, std::ios::binary);
        out << start;
    }
    fs::resize_file(file, size);
}

TEST(HostileInstallation, TenThousandModsAreAllListedInNameOrder) {
    testsupport::TempDir dir;
    constexpr int kMods = 10000;
    for (int i = 0; i < kMods; ++i) {
        // Alternating case, so that only a case-insensitive order sorts them.
        const std::string name = (i % 2 ? "MOD" : "mod") + std::to_string(100000 + i);
        testsupport::WriteBytes(dir.path() / "zandrel" / name / "ss2plugin.ini",
                                "[mod]\r\nAcronym=" + name + "\r\n");
    }
    switcher::ModCatalogue catalogue;
    catalogue.LoadCatalogue(dir.str(), "http://svc.example");
    ASSERT_EQ(catalogue.Size(), kMods);
    const auto acronyms = catalogue.Acronyms();
    for (int i = 0; i < kMods; ++i)
        ASSERT_EQ(switcher::LowerAscii(acronyms[static_cast<std::size_t>(i)]),
                  "mod" + std::to_string(100000 + i));
}

TEST(HostileInstallation, OversizedDescriptorAndLanguageFileReadAsEmpty) {
    testsupport::TempDir dir;
    constexpr std::uintmax_t k200MB = 200u << 20;
    static_assert(k200MB > common::IniFile::kMaxFileSize);
    MakeSparse(dir.path() / "zandrel" / "big" / "ss2plugin.ini", k200MB, "[mod]\r\nAcronym=BIG\r\n");
    testsupport::WriteBytes(dir.path() / "zandrel" / "small" / "ss2plugin.ini", "[mod]\r\nAcronym=SMALL\r\n");
    MakeSparse(dir.path() / "zandrel" / "lang.ini", k200MB, "[lang]\r\nMain.Error5=Huge\r\n");

    // The huge descriptor is there but unreadable: its mod is listed with the
    // defaults, as the profile functions would give; the other mod is whole.
    switcher::ModCatalogue catalogue;
    catalogue.LoadCatalogue(dir.str(), "http://svc.example");
    ASSERT_EQ(catalogue.Size(), 2);
    EXPECT_EQ(catalogue.Mods()[0].Acronym, "Acronym N/A");
    EXPECT_EQ(catalogue.Mods()[1].Acronym, "SMALL");

    switcher::LanguageTable language;
    language.Load(dir.str());
    EXPECT_EQ(language.Text(switcher::Lang::MainError5),
              switcher::LanguageTable().Text(switcher::Lang::MainError5));
    // Nothing was written over the big files.
    EXPECT_EQ(fs::file_size(dir.path() / "zandrel" / "lang.ini"), k200MB);
}

} // namespace
