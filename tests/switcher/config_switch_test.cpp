#include "common/file_system.h"
#include "switcher/config_switch.h"
#include "tests/support/temp_dir.h"
#include "tests/switcher/config_switch_installation.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

using switchtest::Game;
using switchtest::Restore;

TEST(SwitchConfig, RoundTripKeepsEachModsSettingsAndIgnoresTheCurrentDirectory) {
    Game game;
    game.AddMod("alpha", "A", "A sud", "A edit");
    game.AddMod("beta", "beta", "B sud", "B edit");
    game.Install("A sud, changed while installed", "A edit", "a");
    game.Load();
    ASSERT_EQ(game.switcher.LastMode(), "a");

    // Working directories resolve against the program directory, not against
    // wherever the process happens to be.
    testsupport::TempDir elsewhere;
    Restore restore;
    fs::current_path(elsewhere.path());

    ASSERT_TRUE(game.switcher.SwitchConfig("BETA"));
    EXPECT_EQ(game.Get("zandrel/alpha/config/sudtest.ini"), "A sud, changed while installed");
    EXPECT_EQ(game.Get("zandrel/alpha/config/edit3.ini"), "A edit");
    EXPECT_EQ(game.Get("game/sudtest.ini"), "B sud");
    EXPECT_EQ(game.Get("editor/edit3.ini"), "B edit");
    EXPECT_EQ(game.StoredMode(), "beta");
    EXPECT_EQ(game.switcher.LastMode(), "beta");

    game.Put("editor/edit3.ini", "B edit, changed while installed");
    ASSERT_TRUE(game.switcher.SwitchConfig("a"));
    EXPECT_EQ(game.Get("game/sudtest.ini"), "A sud, changed while installed");
    EXPECT_EQ(game.Get("editor/edit3.ini"), "A edit");
    EXPECT_EQ(game.Get("zandrel/beta/config/sudtest.ini"), "B sud");
    EXPECT_EQ(game.Get("zandrel/beta/config/edit3.ini"), "B edit, changed while installed");
    EXPECT_EQ(game.StoredMode(), "a");
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));

    // Switching to the installed mod changes no content anywhere.
    const auto before = game.Snapshot();
    ASSERT_TRUE(game.switcher.SwitchConfig("A"));
    EXPECT_EQ(game.Snapshot(), before);
    EXPECT_TRUE(game.sink.messages.empty());
}

TEST(SwitchConfig, UsesEachModsOwnWorkingDirectoriesAndTheLaterOfDuplicateAcronyms) {
    Game game;
    game.AddMod("one", "DUP", "dup one sud", "dup one edit", "[game]\r\nGameWorkingDir=dup\\\r\n");
    game.AddMod("two", "dup", "dup two sud", "dup two edit", "[game]\r\nGameWorkingDir=dup\\\r\n");
    game.AddMod("plain", "MiXeD", "plain sud", "plain edit");
    // An absolute working directory is used as it stands.
    testsupport::TempDir outside;
    game.AddMod("far", "far", "far sud", "far edit", "[game]\r\nGameWorkingDir=" + outside.str() + "\r\n");
    game.Install("plain sud", "plain edit", "mixed");
    fs::create_directory(game.At("dup")); // copies create files, not directories
    game.Load();
    // Listing order decides which duplicate is the later one.
    std::string later;
    for (const auto& mod : game.catalogue.Mods()) {
        if (switcher::LowerAscii(mod.Acronym) == "dup")
            later = mod.Acronym == "DUP" ? "one" : "two";
    }
    const std::string earlier = later == "two" ? "one" : "two";

    ASSERT_TRUE(game.switcher.SwitchConfig("Dup"));
    EXPECT_EQ(game.Get("dup/sudtest.ini"), "dup " + later + " sud");
    EXPECT_EQ(game.Get("game/sudtest.ini"), "plain sud"); // another mod's working directory
    EXPECT_EQ(game.Get("editor/edit3.ini"), "dup " + later + " edit");
    EXPECT_EQ(game.StoredMode(), "dup");

    game.Put("dup/sudtest.ini", "dup played");
    ASSERT_TRUE(game.switcher.SwitchConfig("MIXED"));
    EXPECT_EQ(game.Get("zandrel/" + later + "/config/sudtest.ini"), "dup played");
    EXPECT_EQ(game.Get("zandrel/" + earlier + "/config/sudtest.ini"), "dup " + earlier + " sud");
    EXPECT_EQ(game.StoredMode(), "mixed");
    EXPECT_NE(game.Get("switcher.ini").find("mode=mixed"), std::string::npos);

    ASSERT_TRUE(game.switcher.SwitchConfig("far"));
    EXPECT_EQ(ReadBytes(outside.path() / "sudtest.ini"), "far sud");
    EXPECT_EQ(game.Get("game/sudtest.ini"), "plain sud");

    // Only A to Z are lower-cased; other bytes stay as they are.
    ASSERT_TRUE(game.switcher.RememberMode("X\xC4Y"));
    EXPECT_EQ(game.StoredMode(), "x\xC4y");
    EXPECT_EQ(game.switcher.LastMode(), "x\xC4y");
}

TEST(SwitchConfig, SkipsCopiesWhoseSourceIsMissingOrWhoseTargetIsReadOnly) {
    Game game;
    game.AddMod("a", "a", "A sud", "A edit");
    game.AddMod("b", "b", "B sud"); // config directory without edit3.ini
    game.Install("A sud", "A edit", "a");
    game.Load();

    // The editor keeps the previous mod's file, which later counts as b's.
    ASSERT_TRUE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(game.Get("game/sudtest.ini"), "B sud");
    EXPECT_EQ(game.Get("editor/edit3.ini"), "A edit");
    game.Put("editor/edit3.ini", "edited under b");
    ASSERT_TRUE(game.switcher.SwitchConfig("a"));
    EXPECT_EQ(game.Get("zandrel/b/config/edit3.ini"), "edited under b");
    EXPECT_EQ(game.Get("zandrel/a/config/edit3.ini"), "A edit");
    EXPECT_EQ(game.Get("editor/edit3.ini"), "A edit");

    // A read-only installed sudtest.ini stays; the switch still completes.
    Restore restore;
    restore.readOnlyFiles.push_back(game.At("game/sudtest.ini"));
    fs::permissions(game.At("game/sudtest.ini"), fs::perms::owner_write, fs::perm_options::remove);
    ASSERT_TRUE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(game.Get("game/sudtest.ini"), "A sud");
    EXPECT_EQ(game.Get("zandrel/a/config/sudtest.ini"), "A sud");
    EXPECT_EQ(game.StoredMode(), "b");
    EXPECT_TRUE(game.sink.messages.empty());
}

TEST(SwitchConfig, AbandonsWithoutCopyingWhenEitherModIsNotCatalogued) {
    Game game;
    game.AddMod("a", "a", "A sud", "A edit");
    game.AddMod("b", "b", "B sud", "B edit");
    game.Install("installed sud", "installed edit", "Gone");
    game.Load();
    const auto before = game.Snapshot();

    EXPECT_FALSE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(game.sink.messages, std::vector<std::string>{"error looking for mode: gone. not found"});
    EXPECT_EQ(game.Snapshot(), before);

    game.sink.messages.clear();
    game.switcher.SetLastMode("a");
    EXPECT_FALSE(game.switcher.SwitchConfig("Nope"));
    EXPECT_EQ(game.sink.messages, std::vector<std::string>{"error looking for mode: nope. not found"});
    EXPECT_EQ(game.Snapshot(), before);
    EXPECT_EQ(game.switcher.LastMode(), "a");

    // Without switcher.ini the installed mod is taken to be cdv.
    fs::remove(game.At("switcher.ini"));
    game.switcher.LoadLastMode();
    EXPECT_EQ(game.switcher.LastMode(), "cdv");
}

TEST(SwitchConfig, UnwritableSettingsFileIsReportedAndTheNextSwitchSavesIntoTheInstalledMod) {
    Game game;
    game.AddMod("a", "a", "A sud", "A edit");
    game.AddMod("b", "b", "B sud", "B edit");
    game.Install("A sud", "A edit", "a");
    game.Load();
    fs::remove(game.At("switcher.ini"));
    fs::create_directory(game.At("switcher.ini"));
    const std::vector<std::string> unable{"Unable to write to " + game.Root() + "switcher.ini"};

    EXPECT_FALSE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(game.sink.messages, unable);
    EXPECT_EQ(game.Get("game/sudtest.ini"), "B sud"); // the copies were made
    EXPECT_EQ(game.Get("editor/edit3.ini"), "B edit");
    EXPECT_EQ(game.switcher.LastMode(), "b");

    game.sink.messages.clear();
    game.Put("game/sudtest.ini", "B sud, played");
    EXPECT_FALSE(game.switcher.SwitchConfig("a"));
    EXPECT_EQ(game.sink.messages, unable);
    EXPECT_EQ(game.Get("zandrel/b/config/sudtest.ini"), "B sud, played");
    EXPECT_EQ(game.Get("zandrel/a/config/sudtest.ini"), "A sud");
    EXPECT_EQ(game.Get("game/sudtest.ini"), "A sud");
}

TEST(RecoverConfigs, ResetsEveryModAndInstallsAndRemembersTheFirstEntry) {
    Game game;
    for (const std::string name : {"p", "q"}) {
        const std::string upper = name == "p" ? "P" : "Q";
        game.AddMod(name, upper + "Mod", name + " saved sud", name + " saved edit",
                    "[game]\r\nGameWorkingDir=game_" + name + "\\\r\nEditWorkingDir=edit_" + name + "\\\r\n");
        game.Put("zandrel/" + name + "/default/sudtest.ini", name + " default sud");
        game.Put("zandrel/" + name + "/default/edit3.ini", name + " default edit");
        fs::create_directory(game.At("game_" + name));
        fs::create_directory(game.At("edit_" + name));
    }
    game.Put("zandrel/lang.ini", "[lang]\r\nMain.Recover=Back to defaults.\\nBye\r\n");
    game.language.Load(game.Root());
    game.Install("x", "x", "qmod");
    game.Load();
    const std::string first = game.catalogue.Mods()[0].Acronym == "PMod" ? "p" : "q";
    const std::string second = first == "p" ? "q" : "p";

    game.switcher.RecoverConfigs();
    EXPECT_EQ(game.sink.messages, std::vector<std::string>{"Back to defaults.\\nBye"});
    for (const std::string name : {"p", "q"}) {
        EXPECT_EQ(game.Get("zandrel/" + name + "/config/sudtest.ini"), name + " default sud");
        EXPECT_EQ(game.Get("zandrel/" + name + "/config/edit3.ini"), name + " default edit");
    }
    EXPECT_EQ(game.Get("game_" + first + "/sudtest.ini"), first + " default sud");
    EXPECT_EQ(game.Get("edit_" + first + "/edit3.ini"), first + " default edit");
    EXPECT_TRUE(fs::is_empty(game.At("game_" + second)));
    EXPECT_TRUE(fs::is_empty(game.At("edit_" + second)));
    EXPECT_EQ(game.StoredMode(), first + "mod");
    EXPECT_EQ(game.switcher.LastMode(), first + "mod");
}

TEST(RecoverConfigs, FailedCopiesStillRememberTheFirstEntryAndAnEmptyCatalogueChangesNothing) {
    Game game;
    game.AddMod("a", "First", "a sud", "a edit"); // no default directories
    game.AddMod("b", "Second", "b sud", "b edit");
    game.Install("installed", "installed", "second");
    game.Load();
    const std::string first = switcher::LowerAscii(game.catalogue.Mods()[0].Acronym);

    game.switcher.RecoverConfigs();
    EXPECT_EQ(game.sink.messages, std::vector<std::string>{game.language.Text(switcher::Lang::MainRecover)});
    EXPECT_EQ(game.Get("zandrel/a/config/sudtest.ini"), "a sud");
    EXPECT_EQ(game.Get("zandrel/b/config/edit3.ini"), "b edit");
    EXPECT_EQ(game.Get("game/sudtest.ini"), "installed");
    EXPECT_EQ(game.StoredMode(), first);

    Game empty;
    empty.Put("zandrel/readme.txt", "not a mod");
    empty.Install("installed", "installed", "kept");
    empty.Load();
    const auto before = empty.Snapshot();
    empty.switcher.RecoverConfigs();
    EXPECT_EQ(empty.sink.messages.size(), 1u);
    EXPECT_EQ(empty.Snapshot(), before);
}

TEST(SwitchConfig, CopiesAFileUpToTheCapAndRefusesALargerOneOrADirectoryWithoutCopyingAnything) {
    constexpr auto kCap = switcher::ConfigSwitcher::kMaxSettingsFileSize;
    Game game;
    game.AddMod("a", "a", "A sud", "A edit");
    game.AddMod("b", "b", std::string(kCap, 'b'), "B edit");
    game.Install("A sud, played", "A edit", "a");
    game.Load();

    // A file of exactly the cap is a settings file like any other.
    ASSERT_TRUE(game.switcher.SwitchConfig("b"));
    EXPECT_TRUE(game.Get("game/sudtest.ini") == std::string(kCap, 'b'));
    EXPECT_EQ(game.Get("zandrel/a/config/sudtest.ini"), "A sud, played");
    ASSERT_TRUE(game.switcher.SwitchConfig("a"));
    EXPECT_TRUE(game.sink.messages.empty());

    // One byte more, in the last of the four copies: the switch is abandoned
    // before the first copy, so the installed files still belong to a.
    const std::string bigEdit = game.catalogue.Mods()[1].ConfigDir + "\\edit3.ini";
    game.Put("zandrel/b/config/edit3.ini", std::string(kCap + 1, 'e'));
    game.Put("game/sudtest.ini", "A sud, played again");
    const auto before = game.Snapshot();
    EXPECT_FALSE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(game.sink.messages,
              std::vector<std::string>{"Unable to copy " + bigEdit + ": it is larger than 4 MiB."});
    EXPECT_EQ(game.Snapshot(), before);
    EXPECT_EQ(game.switcher.LastMode(), "a");
    EXPECT_EQ(game.StoredMode(), "a");

    // A directory in a settings file's place is refused the same way.
    game.sink.messages.clear();
    fs::remove(game.At("zandrel/b/config/edit3.ini"));
    fs::create_directory(game.At("zandrel/b/config/edit3.ini"));
    const auto beforeDirectory = game.Snapshot();
    EXPECT_FALSE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(game.sink.messages,
              std::vector<std::string>{"Unable to copy " + bigEdit + ": it is not a regular file."});
    EXPECT_EQ(game.Snapshot(), beforeDirectory);

    // Once the file is a settings file again, the switch goes through.
    fs::remove(game.At("zandrel/b/config/edit3.ini"));
    game.Put("zandrel/b/config/edit3.ini", "B edit");
    game.sink.messages.clear();
    ASSERT_TRUE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(game.Get("editor/edit3.ini"), "B edit");
    EXPECT_EQ(game.Get("zandrel/a/config/sudtest.ini"), "A sud, played again");
    EXPECT_TRUE(game.sink.messages.empty());
}

TEST(RecoverConfigs, ReportsARefusedDefaultFileAndMakesTheOtherCopies) {
    Game game;
    game.AddMod("a", "a", "a sud", "a edit");
    game.Put("zandrel/a/default/sudtest.ini",
             std::string(switcher::ConfigSwitcher::kMaxSettingsFileSize + 1, 'd'));
    game.Put("zandrel/a/default/edit3.ini", "a default edit");
    game.Install("installed sud", "installed edit", "a");
    game.Load();
    const std::string big = game.catalogue.Mods()[0].DefaultDir + "\\sudtest.ini";

    game.switcher.RecoverConfigs();
    const std::string refused = "Unable to copy " + big + ": it is larger than 4 MiB.";
    EXPECT_EQ(game.sink.messages,
              (std::vector<std::string>{game.language.Text(switcher::Lang::MainRecover), refused, refused}));
    EXPECT_EQ(game.Get("zandrel/a/config/sudtest.ini"), "a sud");
    EXPECT_EQ(game.Get("game/sudtest.ini"), "installed sud");
    EXPECT_EQ(game.Get("zandrel/a/config/edit3.ini"), "a default edit");
    EXPECT_EQ(game.Get("editor/edit3.ini"), "a default edit");
    EXPECT_EQ(game.StoredMode(), "a");
}
