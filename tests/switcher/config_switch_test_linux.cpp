// Settings files that are not settings files: a FIFO, a huge sparse file and
// a link to /dev/zero in a mod's config directory. A switch must neither block
// nor fill the memory, must say which file it refused, and must leave every
// installed file as it was.
#include "switcher/config_switch.h"
#include "tests/support/fifo_guard.h"
#include "tests/switcher/config_switch_installation.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

using switchtest::Game;
namespace fs = std::filesystem;

namespace {

struct Hostile {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* reason;
};

const std::vector<Hostile>& HostileFiles() {
    static const std::vector<Hostile> files{
        {"a FIFO without a writer", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
         "it is not a regular file."},
        {"a sparse file of 2 GiB",
         [](const fs::path& p) {
             testsupport::WriteBytes(p, "[Game]\r\n");
             fs::resize_file(p, std::uintmax_t{2} << 30);
         },
         "it is larger than 4 MiB."},
        {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         "it is not a regular file."},
    };
    return files;
}

} // namespace

TEST(SwitchConfigHostile, ARefusedSettingsFileAbandonsTheSwitchAndLeavesEveryFileAsItWas) {
    for (const Hostile& hostile : HostileFiles()) {
        SCOPED_TRACE(hostile.name);
        Game game;
        game.AddMod("a", "a", "A sud", "A edit");
        game.AddMod("b", "b", "B sud");
        game.Install("A sud, played", "A edit", "a");
        hostile.make(game.At("zandrel/b/config/edit3.ini"));
        game.Load();
        const auto before = game.Snapshot();
        const fs::file_type kindBefore = fs::symlink_status(game.At("zandrel/b/config/edit3.ini")).type();
        const std::uintmax_t sizeBefore =
            kindBefore == fs::file_type::regular ? fs::file_size(game.At("zandrel/b/config/edit3.ini")) : 0;

        // The hostile file is the source of the last copy; nothing of the
        // switch may have happened when it is refused.
        bool switched = true;
        EXPECT_TRUE(testsupport::FinishesWithoutWriter(game.At("zandrel/b/config/edit3.ini").string(),
                                                       [&] { switched = game.switcher.SwitchConfig("b"); }));
        EXPECT_FALSE(switched);
        const std::string path = game.catalogue.Mods()[1].ConfigDir + "\\edit3.ini";
        EXPECT_EQ(game.sink.messages,
                  std::vector<std::string>{"Unable to copy " + path + ": " + hostile.reason});
        EXPECT_EQ(game.Snapshot(), before);
        EXPECT_EQ(game.switcher.LastMode(), "a");
        EXPECT_EQ(game.StoredMode(), "a");
        // The refused file itself is untouched.
        const fs::path file = game.At("zandrel/b/config/edit3.ini");
        EXPECT_EQ(fs::symlink_status(file).type(), kindBefore);
        if (kindBefore == fs::file_type::regular) {
            EXPECT_EQ(fs::file_size(file), sizeBefore);
        }
    }
}

TEST(SwitchConfigHostile, ASaveTargetLinkedToANonRegularFileIsNotReplaced) {
    Game game;
    game.AddMod("a", "a", "A sud", "A edit");
    game.AddMod("b", "b", "B sud", "B edit");
    game.Install("A sud, played", "A edit", "a");
    // a's saved sudtest.ini links to a FIFO. Replacing the link's target by a
    // rename would replace whatever it names (as root even a device).
    const fs::path fifo = game.At("elsewhere/fifo");
    fs::create_directories(fifo.parent_path());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    fs::remove(game.At("zandrel/a/config/sudtest.ini"));
    fs::create_symlink(fifo, game.At("zandrel/a/config/sudtest.ini"));
    game.Load();

    EXPECT_FALSE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(game.sink.messages,
              std::vector<std::string>{"Unable to copy " + game.catalogue.Mods()[0].ConfigDir +
                                       "\\sudtest.ini: it is not a regular file."});
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(game.At("zandrel/a/config/sudtest.ini"))));
    EXPECT_EQ(game.Get("game/sudtest.ini"), "A sud, played");
    EXPECT_EQ(game.StoredMode(), "a");

    // A link to a regular file is a settings file: the save writes through it.
    const fs::path shared = game.At("elsewhere/shared.ini");
    testsupport::WriteBytes(shared, "old");
    fs::remove(game.At("zandrel/a/config/sudtest.ini"));
    fs::create_symlink(shared, game.At("zandrel/a/config/sudtest.ini"));
    game.sink.messages.clear();
    ASSERT_TRUE(game.switcher.SwitchConfig("b"));
    EXPECT_EQ(testsupport::ReadBytes(shared), "A sud, played");
    EXPECT_EQ(game.Get("game/sudtest.ini"), "B sud");
    EXPECT_TRUE(game.sink.messages.empty());
}
