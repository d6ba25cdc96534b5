// The demo installation generator, run as a program into temporary directories.
#include "common/ini_file.h"
#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"
#include "switcher/options/save_import.h"
#include "testing/demo_layout.h"
#include "tests/common/stand_in_record.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/testing/program_runner.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::RecordingSink;

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::RunProgram;
using testsupport::TempDir;

int Generate(const std::vector<std::string>& args) {
    return RunProgram(DEMO_GENERATOR, args);
}

// key=value lines of one section of an ini text ("" for all sections),
// with surrounding quotes removed as the profile reader does.
std::map<std::string, std::string> Section(const std::string& text, const std::string& section) {
    std::map<std::string, std::string> keys;
    std::string current;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        if (!line.empty() && line[0] == '[') {
            current = line.substr(1, line.find(']') - 1);
        } else if (const auto eq = line.find('=');
                   eq != std::string::npos && (section.empty() || current == section)) {
            std::string value = line.substr(eq + 1);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            keys[line.substr(0, eq)] = value;
        }
    }
    return keys;
}

// Every line break is CRLF.
bool OnlyCrlf(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return false;
    }
    return !text.empty();
}

std::string Native(std::string windowsPath) {
    for (char& c : windowsPath) {
        if (c == '\\')
            c = '/';
    }
    return windowsPath;
}

bool Executable(const fs::path& file) {
    return (fs::status(file).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

} // namespace

TEST(DemoGenerator, WritesTheFixedModsAndTheGame) {
    TempDir tmp;
    const fs::path root = tmp.path() / "demo";
    ASSERT_EQ(Generate({root.string()}), 0);

    EXPECT_EQ(Section(ReadBytes(root / "switcher.ini"), "game").at("mode"), "cdv");
    EXPECT_EQ(std::string(demo::kMods[0].acronym), "cdv");

    for (const demo::DemoMod& mod : demo::kMods) {
        SCOPED_TRACE(mod.directory);
        const fs::path dir = root / "zandrel" / mod.directory;
        const std::string descriptor = ReadBytes(dir / "ss2plugin.ini");
        EXPECT_TRUE(OnlyCrlf(descriptor));
        const auto keys = Section(descriptor, "mod");
        EXPECT_EQ(keys.at("Acronym"), mod.acronym);
        EXPECT_EQ(keys.at("Name"), mod.name);
        EXPECT_EQ(keys.at("Class"), mod.modClass);
        EXPECT_EQ(keys.at("LigaUrl"), mod.ligaUrl);
        if (mod.bannerFile != nullptr) {
            EXPECT_EQ(keys.at("BannerPath"), mod.bannerFile);
            EXPECT_GT(fs::file_size(dir / mod.bannerFile), 1000u);
        } else {
            EXPECT_EQ(keys.count("BannerPath"), 0u);
        }
        const auto game = Section(descriptor, "game");
        EXPECT_EQ(game.count("modSetup") ? game.at("modSetup") : "", mod.modSetup);
        EXPECT_EQ(game.at("GameWorkingDir"), mod.gameWorkingDir);
        EXPECT_EQ(game.at("GameArguments"), mod.gameArguments);
        EXPECT_EQ(game.at("EditArguments"), mod.editArguments);
        if (*mod.modSetup != '\0') {
            EXPECT_TRUE(fs::is_regular_file(root / Native(mod.modSetup)));
        }
        // Every program and working directory the descriptor names exists.
        for (const char* key : {"GameExe", "EditExe", "BriefExe"}) {
            EXPECT_TRUE(fs::is_regular_file(root / Native(game.at(key)))) << key;
        }
        for (const char* key : {"GameWorkingDir", "EditWorkingDir", "BriefDir"}) {
            EXPECT_EQ(game.at(key).back(), '\\') << key;
            EXPECT_TRUE(fs::is_directory(root / Native(game.at(key)))) << key;
        }

        for (const char* copy : {"config", "default"}) {
            const std::string sudtest = ReadBytes(dir / copy / "sudtest.ini");
            const std::string edit3 = ReadBytes(dir / copy / "edit3.ini");
            EXPECT_TRUE(OnlyCrlf(sudtest) && OnlyCrlf(edit3)) << copy;
            EXPECT_EQ(Section(sudtest, "Game").at("Player0"), demo::kPlayerName);
            EXPECT_EQ(Section(sudtest, "Game").at("PlayersUpb"), "1");
            EXPECT_EQ(Section(sudtest, demo::kMarkerSection).at(demo::kMarkerModKey), mod.acronym);
            EXPECT_EQ(Section(edit3, demo::kMarkerSection).at(demo::kMarkerCopyKey), copy);
        }
    }

    // The game's own settings start as the installed mod's (cdv) saved copies.
    const fs::path cdv = root / "zandrel" / "cdv";
    EXPECT_EQ(ReadBytes(root / "game" / "sudtest.ini"), ReadBytes(cdv / "config" / "sudtest.ini"));
    EXPECT_EQ(ReadBytes(root / "editor" / "edit3.ini"), ReadBytes(cdv / "config" / "edit3.ini"));
    EXPECT_NE(ReadBytes(cdv / "config" / "sudtest.ini"), ReadBytes(cdv / "default" / "sudtest.ini"));
    EXPECT_TRUE(fs::is_regular_file(root / Native(demo::kGameExe)));
}

TEST(DemoGenerator, InstallsTheStandInsAndSaveGames) {
    TempDir tmp;
    const fs::path root = tmp.path() / "demo";
    ASSERT_EQ(Generate({root.string()}), 0);

    // Each program is a copy of its stand-in from the generator's directory.
    const fs::path bin = fs::path(DEMO_GENERATOR).parent_path();
    const char* const programs[] = {demo::kGameExe, demo::kEditExe, demo::kBriefExe};
    for (std::size_t i = 0; i < std::size(programs); ++i) {
        const fs::path installed = root / Native(programs[i]);
        SCOPED_TRACE(installed.string());
        ASSERT_TRUE(fs::is_regular_file(bin / demo::kStandIns[i]));
        EXPECT_EQ(ReadBytes(installed), ReadBytes(bin / demo::kStandIns[i]));
        EXPECT_TRUE(Executable(installed));
    }

    // Started, the game records itself beside its executable.
    unsetenv("ZANDREL_STAND_IN_RECORD");
    const fs::path game = root / Native(demo::kGameExe);
    ASSERT_EQ(RunProgram(game.string(), {"-demo", "-mod", "rwm", "IP=10.0.0.5"}), 0);
    const auto records = testsupport::WaitForRecords(game.parent_path() / demo::kStandInRecordName);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].role, "game");
    EXPECT_EQ(records[0].arguments, (std::vector<std::string>{"-demo", "-mod", "rwm", "IP=10.0.0.5"}));

    // Every mod's save games import as its two players, into its own
    // working directory's settings.
    switcher::ModCatalogue catalogue;
    catalogue.LoadCatalogue(root.string() + "/", "http://127.0.0.1");
    ASSERT_EQ(catalogue.Size(), static_cast<int>(std::size(demo::kMods)));
    for (int index = 0; index < catalogue.Size(); ++index) {
        const std::string workingDir = catalogue.Record(index).GameWorkingDir;
        SCOPED_TRACE(workingDir);
        RecordingSink sink;
        EXPECT_TRUE(switcher::ImportSaveGames(catalogue, index, root.string() + "/", sink));
        EXPECT_TRUE(sink.messages.empty());
        const common::IniFile sudtest((root / Native(workingDir) / "sudtest.ini").string());
        EXPECT_EQ(sudtest.ReadString("Game", "PlayersUpb", ""), "2");
        const std::set<std::string> imported{sudtest.ReadString("Game", "Player0", ""),
                                             sudtest.ReadString("Game", "Player1", "")};
        // The catalogue is in listing order, not in the layout's.
        const auto mod = std::find_if(std::begin(demo::kMods), std::end(demo::kMods), [&](const auto& m) {
            return m.acronym == catalogue.Record(index).Acronym;
        });
        ASSERT_NE(mod, std::end(demo::kMods));
        EXPECT_EQ(imported, (std::set<std::string>{mod->players[0], mod->players[1]}));
    }

    // A generator without stand-ins beside it writes placeholders that still run.
    const fs::path lone = tmp.path() / "lone" / "make_demo_installation";
    fs::create_directories(lone.parent_path());
    fs::copy_file(DEMO_GENERATOR, lone);
    ASSERT_EQ(RunProgram(lone.string(), {(tmp.path() / "plain").string()}), 0);
    for (const char* program : programs) {
        const fs::path placeholder = tmp.path() / "plain" / Native(program);
        EXPECT_EQ(ReadBytes(placeholder).rfind("#!/bin/sh\n", 0), 0u) << program;
        EXPECT_TRUE(Executable(placeholder)) << program;
        EXPECT_EQ(RunProgram(placeholder.string(), {}), 0) << program;
    }
}

TEST(DemoGenerator, LanguageFilesCarryEveryKeyOfTheSwitcher) {
    TempDir tmp;
    const fs::path root = tmp.path() / "demo";
    ASSERT_EQ(Generate({root.string()}), 0);

    const std::string englishText = ReadBytes(root / "zandrel" / "lang" / "English.ini");
    const std::string germanText = ReadBytes(root / "zandrel" / "lang" / "German.ini");
    EXPECT_EQ(ReadBytes(root / "zandrel" / "lang.ini"), englishText);
    EXPECT_TRUE(OnlyCrlf(englishText) && OnlyCrlf(germanText));
    const auto english = Section(englishText, "lang");
    const auto german = Section(germanText, "lang");

    // The English file restates the switcher's defaults, blanks included; the
    // German one translates every key.
    const auto& entries = switcher::LanguageTable::Entries();
    EXPECT_EQ(english.size(), entries.size());
    EXPECT_EQ(german.size(), entries.size());
    for (const auto& entry : entries) {
        const std::string key(entry.key);
        ASSERT_TRUE(english.count(key) && german.count(key)) << key;
        EXPECT_EQ(english.at(key), entry.englishDefault) << key;
        EXPECT_FALSE(german.at(key).empty()) << key;
    }
    EXPECT_EQ(german.at("LangName"), "Deutsch");
    EXPECT_EQ(german.at("Main.Close"), "Schlie\xDF"
                                       "en"); // Windows-1252, not UTF-8
    EXPECT_EQ(germanText.find('\xC3'), std::string::npos);
    EXPECT_EQ(german.at("Mplay.Players").substr(german.at("Mplay.Players").size() - 5), "     ");
}

TEST(DemoGenerator, ExtraModsAndRegeneration) {
    TempDir tmp;
    const fs::path root = tmp.path() / "demo";
    ASSERT_EQ(Generate({root.string(), "--mods", "12"}), 0);

    const auto descriptor = ReadBytes(root / "zandrel" / "extra0012" / "ss2plugin.ini");
    EXPECT_EQ(Section(descriptor, "mod").at("Acronym"), "x0012");
    // All keys present: 10 in [mod], 14 in [game], 1 in [condition].
    EXPECT_EQ(Section(descriptor, "mod").size(), 10u);
    EXPECT_EQ(Section(descriptor, "game").size(), 14u);
    EXPECT_EQ(Section(descriptor, "condition").size(), 1u);
    EXPECT_FALSE(fs::exists(root / "zandrel" / "extra0013"));
    std::size_t mods = 0;
    for (const auto& entry : fs::directory_iterator(root / "zandrel")) {
        mods += fs::is_regular_file(entry.path() / "ss2plugin.ini") ? 1 : 0;
    }
    EXPECT_EQ(mods, std::size(demo::kMods) + 12);

    // Changes and leftovers in the generated trees disappear on a re-run;
    // other files in the directory stay.
    testsupport::WriteBytes(root / "zandrel" / "stale" / "ss2plugin.ini", "[mod]\r\nAcronym=old\r\n");
    testsupport::WriteBytes(root / "game" / "sudtest.ini", "changed");
    testsupport::WriteBytes(root / "game" / "leftover.sav", "x");
    testsupport::WriteBytes(root / "switcher.ini", "[game]\r\nmode=dsr\r\n");
    testsupport::WriteBytes(root / "keep.txt", "mine");
    ASSERT_EQ(Generate({root.string()}), 0);
    EXPECT_FALSE(fs::exists(root / "zandrel" / "stale"));
    EXPECT_FALSE(fs::exists(root / "zandrel" / "extra0001"));
    EXPECT_FALSE(fs::exists(root / "game" / "leftover.sav"));
    EXPECT_EQ(ReadBytes(root / "game" / "sudtest.ini"),
              ReadBytes(root / "zandrel" / "cdv" / "config" / "sudtest.ini"));
    EXPECT_EQ(Section(ReadBytes(root / "switcher.ini"), "game").at("mode"), "cdv");
    EXPECT_EQ(ReadBytes(root / "keep.txt"), "mine");
}

TEST(DemoGenerator, CommandLine) {
    TempDir tmp;
    EXPECT_EQ(Generate({"--help"}), 0);
    EXPECT_EQ(Generate({"--version"}), 0);
    EXPECT_EQ(Generate({}), 2);
    for (const char* bad : {"abc", "-1", "12x", "", "100001"}) {
        EXPECT_EQ(Generate({tmp / "d", "--mods", bad}), 2) << bad;
    }
    EXPECT_EQ(Generate({tmp / "d", "--mods"}), 2);
    EXPECT_EQ(Generate({tmp / "d", "--frobnicate"}), 2);
    EXPECT_EQ(Generate({tmp / "d", tmp / "e"}), 2);
    EXPECT_FALSE(fs::exists(tmp.path() / "d"));

    // A file in the way of the directory is a reported failure, not a crash.
    testsupport::WriteBytes(tmp.path() / "file", "x");
    EXPECT_EQ(Generate({tmp / "file"}), 1);
    EXPECT_EQ(Generate({tmp / "file/sub"}), 1);
    EXPECT_EQ(ReadBytes(tmp.path() / "file"), "x");
}
