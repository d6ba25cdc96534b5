#include "common/file_system.h"
#include "common/ini_file.h"
#include "switcher/catalogue.h"
#include "switcher/options/save_import.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/switcher/directory_marks.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

using testsupport::RecordingSink;

// An installation with one mod whose game working directory is `workingDir`
// ("" leaves the key out, so the default "game\" applies).
class SaveGames {
public:
    explicit SaveGames(std::string_view workingDir = "") {
        std::string descriptor = "[mod]\r\nAcronym=m\r\n";
        if (!workingDir.empty()) {
            descriptor += "[game]\r\nGameWorkingDir=" + std::string(workingDir) + "\r\n";
        }
        WriteBytes(m_temp.path() / "zandrel" / "m" / "ss2plugin.ini", descriptor);
        m_catalogue.LoadCatalogue(m_temp.str(), "http://svc.example");
    }

    fs::path At(std::string_view relative) const { return m_temp.path() / relative; }
    void Directory(std::string_view relative) const { fs::create_directories(At(relative)); }

    bool Import() { return switcher::ImportSaveGames(m_catalogue, 0, m_temp.str(), sink); }
    bool ImportSelected(int index) {
        return switcher::ImportSaveGames(m_catalogue, index, m_temp.str(), sink);
    }

    // Keys of section Game as the game would read them.
    std::string Player(std::string_view key, std::string_view file = "game/sudtest.ini") const {
        return common::IniFile(At(file).string()).ReadString("Game", key, "<absent>");
    }

    // The plain directory names under `relative`, in the listing's own order.
    std::vector<std::string> Listed(std::string_view relative) const {
        std::vector<std::string> names;
        for (const auto& entry : common::ListDirectory(At(relative).string())) {
            if (entry.name != "." && entry.name != ".." && entry.attributes == common::attr::kDirectory)
                names.push_back(entry.name);
        }
        return names;
    }

    RecordingSink sink;

private:
    testsupport::TempDir m_temp;
    switcher::ModCatalogue m_catalogue;
};

// The lines of an ini text that are not player entries, to prove the rest
// of a file stays byte for byte.
std::string WithoutPlayerLines(const std::string& text) {
    std::string kept;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(pos, end - pos);
        if (switcher::LowerAscii(line.substr(0, 6)) != "player")
            kept += line;
        pos = end;
    }
    return kept;
}

} // namespace

TEST(SaveImport, ReplacesThePlayerListWithThePlainDirectories) {
    SaveGames game;
    const std::string before = "; the game's settings\r\n"
                               "[Video]\r\nWidth=1024\r\n"
                               "[Game]\r\nPlayersUpb=5\r\nPlayer0=old0\r\nDifficulty=2\r\nPlayer1=old1\r\n"
                               "Player2=old2\r\nplayer3=old3\r\nPLAYER4=old4\r\nPlayer7=beyond\r\n"
                               "Player01=not an index\r\nLastMission=m\xE4nner\r\n"
                               "[Sound]\r\nMusic=70\r\n";
    WriteBytes(game.At("game/sudtest.ini"), before);
    game.Directory("game/plr/savegames/alpha");
    game.Directory("game/plr/savegames/bravo");
    // Not players: a file, and directories marked hidden, read-only or for
    // archiving, each where the platform can mark it so.
    WriteBytes(game.At("game/plr/savegames/notes.txt"), "x");
    const std::pair<const char*, bool (*)(const fs::path&)> marks[] = {
        {".hidden", testsupport::MarkHidden},
        {"locked", testsupport::MarkReadOnly},
        {"archived", testsupport::MarkArchive},
    };
    for (const auto& [name, mark] : marks) {
        const fs::path dir = game.At(std::string("game/plr/savegames/") + name);
        fs::create_directories(dir);
        if (!mark(dir))
            fs::remove(dir);
    }
    const std::vector<std::string> order = game.Listed("game/plr/savegames");
    ASSERT_EQ(order.size(), 2u);

    EXPECT_TRUE(game.Import());
    EXPECT_TRUE(game.sink.messages.empty());
    EXPECT_EQ(game.Player("PlayersUpb"), "2");
    EXPECT_EQ(game.Player("Player0"), order[0]);
    EXPECT_EQ(game.Player("Player1"), order[1]);
    EXPECT_EQ((std::set<std::string>{order[0], order[1]}), (std::set<std::string>{"alpha", "bravo"}));
    // The old entries 2 to 4 are gone; keys outside the old count (and keys
    // that only look like player keys) stay.
    for (const char* gone : {"Player2", "Player3", "Player4"})
        EXPECT_EQ(game.Player(gone), "<absent>") << gone;
    EXPECT_EQ(game.Player("Player7"), "beyond");
    EXPECT_EQ(game.Player("Player01"), "not an index");

    // Everything else is untouched, byte for byte.
    const std::string after = ReadBytes(game.At("game/sudtest.ini"));
    EXPECT_EQ(WithoutPlayerLines(after), WithoutPlayerLines(before));

    // A second import finds the same and changes nothing; without a
    // selection nothing happens.
    EXPECT_TRUE(game.Import());
    EXPECT_TRUE(game.ImportSelected(-1));
    EXPECT_EQ(ReadBytes(game.At("game/sudtest.ini")), after);

    for (const auto& [name, mark] : marks)
        testsupport::ClearMarks(game.At(std::string("game/plr/savegames/") + name));
}

TEST(SaveImport, FollowsTheWorkingDirectoryAndBaseSaves) {
    // The mod's own working directory, and a base directory set by the game.
    SaveGames game("mods\\winter\\");
    WriteBytes(game.At("mods/winter/sudtest.ini"), "[game]\r\nBaseSaves=profiles\\\r\n");
    game.Directory("mods/winter/profiles/ivan");
    game.Directory("mods/winter/plr/savegames/ignored");
    game.Directory("game/plr/savegames/other");

    EXPECT_TRUE(game.Import());
    EXPECT_EQ(game.Player("PlayersUpb", "mods/winter/sudtest.ini"), "1");
    EXPECT_EQ(game.Player("Player0", "mods/winter/sudtest.ini"), "ivan");
    EXPECT_FALSE(fs::exists(game.At("game/sudtest.ini")));
    // The entries join the existing [game] section instead of opening another.
    const std::string text = ReadBytes(game.At("mods/winter/sudtest.ini"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '['), 1) << text;
}

TEST(SaveImport, MissingFilesAndDirectories) {
    // No base directory: the old list goes and the count is 0.
    {
        SaveGames game;
        WriteBytes(game.At("game/sudtest.ini"), "[Game]\r\nPlayersUpb=2\r\nPlayer0=a\r\nPlayer1=b\r\n");
        EXPECT_TRUE(game.Import());
        EXPECT_EQ(game.Player("PlayersUpb"), "0");
        EXPECT_EQ(game.Player("Player0"), "<absent>");
        EXPECT_EQ(game.Player("Player1"), "<absent>");
        EXPECT_TRUE(game.sink.messages.empty());
    }
    // No sudtest.ini: the first write makes it.
    {
        SaveGames game;
        game.Directory("game/plr/savegames/solo");
        EXPECT_TRUE(game.Import());
        EXPECT_EQ(game.Player("PlayersUpb"), "1");
        EXPECT_EQ(game.Player("Player0"), "solo");
    }
    // No working directory: the write fails and says where.
    {
        SaveGames game("missing\\");
        EXPECT_FALSE(game.Import());
        ASSERT_EQ(game.sink.messages.size(), 1u);
        EXPECT_EQ(game.sink.messages[0],
                  "Unable to write to " + game.At("").string() + "missing\\sudtest.ini");
        EXPECT_FALSE(fs::exists(game.At("missing")));
    }
}

TEST(SaveImport, OldCountIsReadAsTheGameReadsIt) {
    // PlayersUpb text -> how many old entries (of Player0..Player4) go.
    const struct {
        const char* text;
        int deleted;
    } cases[] = {
        {"3 players", 3}, {"abc", 0},        {"-2", 0},         {"+2", 2}, {"0x2", 2},
        {"0b11", 3},      {"4294967298", 2}, {"2000000000", 5}, {"", 0},
    };
    for (const auto& c : cases) {
        SaveGames game;
        WriteBytes(game.At("game/sudtest.ini"), std::string("[Game]\r\nPlayersUpb=") + c.text +
                                                    "\r\nPlayer0=a\r\nPlayer1=b\r\nPlayer2=c\r\nPlayer3=d\r\n"
                                                    "Player4=e\r\n");
        EXPECT_TRUE(game.Import()) << c.text;
        EXPECT_EQ(game.Player("PlayersUpb"), "0") << c.text;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(game.Player("Player" + std::to_string(i)) == "<absent>", i < c.deleted)
                << c.text << " Player" << i;
        }
    }
}
