#include "common/file_system.h"
#include "switcher/catalogue.h"
#include "switcher/service_address.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/switcher/directory_marks.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using switcher::ModCatalogue;
using switcher::ModRecord;

namespace {

using testsupport::RecordingSink;

constexpr std::string_view kService = "http://svc.example:8080";

// A game installation in a temporary directory.
class Installation {
public:
    std::string Root() const { return m_temp.str(); }
    fs::path ModRoot() const { return m_temp.path() / "zandrel"; }
    fs::path ModDir(std::string_view name) const { return ModRoot() / name; }
    // The mod directory's path as the records hold it.
    std::string RecordPath(std::string_view name) const { return Root() + "zandrel\\" + std::string(name); }
    void AddMod(std::string_view name, std::string_view descriptor) const {
        testsupport::WriteBytes(ModDir(name) / "ss2plugin.ini", descriptor);
    }
    ModCatalogue Load() const {
        ModCatalogue catalogue;
        catalogue.LoadCatalogue(Root(), kService);
        return catalogue;
    }

private:
    testsupport::TempDir m_temp;
};

int IndexOfAcronym(const ModCatalogue& catalogue, std::string_view acronym) {
    const auto acronyms = catalogue.Acronyms();
    const auto it = std::find(acronyms.begin(), acronyms.end(), acronym);
    return it == acronyms.end() ? -1 : static_cast<int>(it - acronyms.begin());
}

std::vector<std::string> FieldsOf(const ModCatalogue& catalogue, int index) {
    std::vector<std::string> fields;
    for (const auto name : ModRecord::FieldNames()) {
        fields.push_back(*catalogue.Record(index).Field(name));
    }
    return fields;
}

// Undoes directory marks even when an assertion ends the test early.
struct MarkGuard {
    std::vector<fs::path> directories;
    ~MarkGuard() {
        for (const auto& directory : directories) {
            testsupport::ClearMarks(directory);
        }
    }
};

} // namespace

TEST(ModCatalogue, ReadsAllFieldsInRecordOrderWithDefaultsForAbsentKeys) {
    Installation game;
    game.AddMod(
        "full",
        "[MOD]\r\nacronym=FuL\r\nName=Full Mod\r\nBannerPath=pics\\banner.bmp\r\nUseLauncher=1\r\n"
        "WebDatabaseUrl=http://db\r\nForumUrl=http://forum\r\nClass=WinTer\r\nGetMapsUrl=http://maps\r\n"
        "ReadmeUrl=readme.txt\r\nLigaUrl=http://liga\r\n"
        "[Game]\r\nGameExe=g\\x.exe\r\nGameWorkingDir=g\\\r\nGameArguments=-a\r\nEditExe=e\\y.exe\r\n"
        "EditWorkingDir=e\\\r\nEditArguments=-b\r\nOnLaunchGame=on1.bat\r\nOnLaunchMultiplayer=on2.bat\r\n"
        "BriefExe=b\\z.exe\r\nBriefDir=b\\\r\nBriefArguments=-c\r\nMODSETUP=setup.html\r\n"
        "onUpdate=http://update\r\nOnChat=irc://chat\r\n[condition]\r\nUseConditions=1\r\n");
    testsupport::WriteBytes(game.ModDir("full") / "pics" / "banner.bmp", "BM");
    game.AddMod("bare", "");
    game.AddMod("blank",
                "[mod]\nAcronym=\nName=\nBannerPath=\nClass=\nGetMapsUrl=\n[game]\nGameExe=\nOnChat=\n");

    const std::string before = common::CurrentDirectory();
    const ModCatalogue catalogue = game.Load();
    EXPECT_EQ(common::CurrentDirectory(), before);
    ASSERT_EQ(catalogue.Size(), 3);

    const std::string full = game.RecordPath("full");
    const int fullIndex = IndexOfAcronym(catalogue, "FuL");
    // clang-format off
    EXPECT_EQ(FieldsOf(catalogue, fullIndex), (std::vector<std::string>{
        "FuL", "Full Mod", full + "\\pics\\banner.bmp", full + "\\config", full + "\\default", "1", "http://db",
        "http://forum", "WinTer", "http://maps", "readme.txt", "http://liga", "g\\x.exe", "g\\", "-a", "e\\y.exe",
        "e\\", "-b", "on1.bat", "on2.bat", "b\\z.exe", "b\\", "-c", "setup.html", "http://update", "irc://chat"}));
    EXPECT_EQ(catalogue.ClassOf(fullIndex), "winter");
    EXPECT_EQ(catalogue.Mods()[fullIndex].Class, "WinTer");
    EXPECT_TRUE(common::FileExists(catalogue.Record(fullIndex).BannerPath));

    const std::string bare = game.RecordPath("bare");
    EXPECT_EQ(FieldsOf(catalogue, IndexOfAcronym(catalogue, "Acronym N/A")), (std::vector<std::string>{
        "Acronym N/A", "Name N/A", bare + "\\bannerpath N/A", bare + "\\config", bare + "\\default", "", "", "",
        "other", "http://svc.example:8080/", "http://www.zandrel-community.net/", "",
        "game\\code\\release\\game_exe.exe", "game\\", "", "editor\\edit3.exe", "editor\\", "", "", "",
        "anied\\anied.exe", "anied\\", "", "", "http://svc.example:8080/", "http://svc.example:8080/chat"}));
    // clang-format on

    // Present but empty is empty, not the default.
    const int blank = IndexOfAcronym(catalogue, "");
    ASSERT_GE(blank, 0);
    EXPECT_EQ(catalogue.Record(blank).Name, "");
    EXPECT_EQ(catalogue.Record(blank).BannerPath, game.RecordPath("blank") + "\\");
    EXPECT_EQ(catalogue.Record(blank).Class, "");
    EXPECT_EQ(catalogue.Record(blank).OnChat, "");
    EXPECT_EQ(catalogue.Record(blank).onUpdate, "") << "the resolved GetMapsUrl is empty";
    EXPECT_EQ(catalogue.Record(blank).EditExe, "editor\\edit3.exe");

    // Out of range or nothing selected: every field empty. Unknown field names: no field.
    for (int index : {-1, 3, 1000}) {
        EXPECT_EQ(FieldsOf(catalogue, index), std::vector<std::string>(ModRecord::kFieldCount));
        EXPECT_EQ(catalogue.ClassOf(index), "");
    }
    EXPECT_EQ(catalogue.Record(fullIndex).Field("acronym"), nullptr) << "field names are exact";
    EXPECT_EQ(catalogue.Record(fullIndex).Field("NoSuchField"), nullptr);
}

TEST(ModCatalogue, OnUpdateFallsBackToTheModsGetMapsUrlThenTheService) {
    Installation game;
    game.AddMod("own",
                "[mod]\nAcronym=own\nGetMapsUrl=http://maps/own\n[game]\nonUpdate=http://update/own\n");
    game.AddMod("maps", "[mod]\nAcronym=maps\nGetMapsUrl=http://maps/maps\n");
    game.AddMod("none", "[mod]\nAcronym=none\n");
    game.AddMod("wrongsection", "[mod]\nAcronym=wrong\nonUpdate=http://misplaced\n");
    const ModCatalogue catalogue = game.Load();

    EXPECT_EQ(catalogue.Record(IndexOfAcronym(catalogue, "own")).onUpdate, "http://update/own");
    EXPECT_EQ(catalogue.Record(IndexOfAcronym(catalogue, "maps")).onUpdate, "http://maps/maps");
    EXPECT_EQ(catalogue.Record(IndexOfAcronym(catalogue, "none")).onUpdate, "http://svc.example:8080/");
    EXPECT_EQ(catalogue.Record(IndexOfAcronym(catalogue, "wrong")).onUpdate, "http://svc.example:8080/");

    // A root given with a trailing slash makes the same addresses.
    ModCatalogue slashed;
    slashed.LoadCatalogue(game.Root(), "http://svc.example:8080/");
    const int none = IndexOfAcronym(slashed, "none");
    EXPECT_EQ(slashed.Record(none).GetMapsUrl, "http://svc.example:8080/");
    EXPECT_EQ(slashed.Record(none).OnChat, "http://svc.example:8080/chat");

    EXPECT_EQ(switcher::ServiceRootFrom("http://127.0.0.1:8099/"), "http://127.0.0.1:8099");
}

TEST(ModCatalogue, CataloguesOnlyPlainDirectoriesHoldingADescriptor) {
    Installation game;
    game.AddMod("plain", "[mod]\nAcronym=plain\n");
    testsupport::WriteBytes(game.ModDir("Upper") / "SS2PLUGIN.INI", "[mod]\nAcronym=upper\n");
    testsupport::WriteBytes(game.ModDir("nodesc") / "readme.txt", "no descriptor");
    fs::create_directories(game.ModDir("descdir") / "ss2plugin.ini");
    testsupport::WriteBytes(game.ModRoot() / "ss2plugin.ini", "[mod]\nAcronym=rootfile\n");
    testsupport::WriteBytes(game.ModRoot() / "file.ini", "[mod]\nAcronym=file\n");
    game.AddMod(".hidden", "[mod]\nAcronym=hidden\n");
    game.AddMod("locked", "[mod]\nAcronym=locked\n");
    game.AddMod("archived", "[mod]\nAcronym=archived\n");

    MarkGuard guard{{game.ModDir(".hidden"), game.ModDir("locked"), game.ModDir("archived")}};
    std::set<std::string> modDirectories = {"plain", "Upper"};
    if (!testsupport::MarkHidden(game.ModDir(".hidden"))) {
        modDirectories.insert(".hidden");
    }
    if (!testsupport::MarkReadOnly(game.ModDir("locked"))) {
        modDirectories.insert("locked");
    }
    if (!testsupport::MarkArchive(game.ModDir("archived"))) {
        modDirectories.insert("archived");
    }

    // The catalogue keeps the order of the directory listing.
    std::vector<std::string> expected;
    for (const auto& entry : common::ListDirectory(game.ModRoot().string())) {
        if (modDirectories.count(entry.name) > 0) {
            expected.push_back(entry.name == "Upper"     ? "upper"
                               : entry.name == ".hidden" ? "hidden"
                                                         : entry.name);
        }
    }
    ASSERT_EQ(expected.size(), modDirectories.size());
    const ModCatalogue catalogue = game.Load();
    EXPECT_EQ(catalogue.Acronyms(), expected);
    EXPECT_EQ(catalogue.Size(), static_cast<int>(expected.size()));
}

TEST(ModCatalogue, FindModMatchesWithoutCaseAndTheLastDuplicateWins) {
    Installation game;
    game.AddMod("one", "[mod]\nAcronym=Dup\n");
    game.AddMod("two", "[mod]\nAcronym=dUP\n");
    game.AddMod("three", "[mod]\nAcronym=cdv\n");
    game.AddMod("four", "[mod]\nName=No acronym\n");
    game.AddMod("five", "[mod]\nAcronym=\xC4rger\n");
    const ModCatalogue catalogue = game.Load();
    ASSERT_EQ(catalogue.Size(), 5);

    int lastDup = -1;
    int duplicates = 0;
    const auto acronyms = catalogue.Acronyms();
    for (int i = 0; i < catalogue.Size(); ++i) {
        if (switcher::LowerAscii(acronyms[i]) == "dup") {
            lastDup = i;
            ++duplicates;
        }
    }
    EXPECT_EQ(duplicates, 2) << "both duplicates stay in the mode list";

    RecordingSink sink;
    const switcher::LanguageTable english;
    EXPECT_EQ(catalogue.FindMod("DUP", sink, english), lastDup);
    EXPECT_EQ(catalogue.FindMod("dup", sink, english), lastDup);
    EXPECT_EQ(catalogue.FindMod("CDV", sink, english), IndexOfAcronym(catalogue, "cdv"));
    EXPECT_EQ(catalogue.FindMod("acronym n/a", sink, english), IndexOfAcronym(catalogue, "Acronym N/A"));
    // Only A to Z are folded: the upper-case A-umlaut byte stays as it is.
    EXPECT_EQ(catalogue.FindMod("\xC4RGER", sink, english), IndexOfAcronym(catalogue, "\xC4rger"));
    EXPECT_TRUE(sink.messages.empty());

    EXPECT_EQ(catalogue.FindMod("\xE4RGER", sink, english), -1);
    EXPECT_EQ(catalogue.FindMod("Dup ", sink, english), -1);
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0], "error looking for mode: \xE4rger. not found");
    EXPECT_EQ(sink.messages[1], "error looking for mode: dup . not found");

    // The message texts come from the language file, with line breaks expanded.
    testsupport::WriteBytes(fs::path(game.Root()) / "zandrel" / "lang.ini",
                            "[lang]\nMain.Error5=Mod\\nfehlt:\nMain.Error6=Bitte\\n\\nneu\n");
    switcher::LanguageTable german;
    german.Load(game.Root());
    EXPECT_EQ(catalogue.FindMod("XyZ", sink, german), -1);
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[2], "Mod\rfehlt: xyz. Bitte\r\rneu");
}

TEST(ModCatalogue, MissingOrEmptyModRootGivesAnEmptyCatalogue) {
    Installation game;
    RecordingSink sink;
    const switcher::LanguageTable english;

    ModCatalogue catalogue = game.Load(); // no zandrel directory
    EXPECT_EQ(catalogue.Size(), 0);
    EXPECT_TRUE(catalogue.Acronyms().empty());
    EXPECT_EQ(catalogue.FindMod("cdv", sink, english), -1);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "error looking for mode: cdv. not found");
    EXPECT_EQ(catalogue.Record(0).Name, "");

    fs::create_directories(game.ModRoot());
    catalogue.LoadCatalogue(game.Root(), kService);
    EXPECT_EQ(catalogue.Size(), 0);

    // Loading again replaces the catalogue instead of adding to it.
    game.AddMod("cdv", "[mod]\nAcronym=cdv\n");
    catalogue.LoadCatalogue(game.Root(), kService);
    catalogue.LoadCatalogue(game.Root(), kService);
    EXPECT_EQ(catalogue.Size(), 1);
    fs::remove_all(game.ModRoot());
    catalogue.LoadCatalogue(game.Root(), kService);
    EXPECT_EQ(catalogue.Size(), 0);
    EXPECT_EQ(catalogue.FindMod("cdv", sink, english), -1);
}
