#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using switcher::ExpandBreaks;
using switcher::Lang;
using switcher::LanguageTable;

namespace {

void WriteLanguageFile(const testsupport::TempDir& root, std::string_view content) {
    testsupport::WriteBytes(root.path() / "zandrel" / "lang.ini", content);
}

// Every text equals its English default (with the appended " : ").
void ExpectEnglish(const LanguageTable& table) {
    for (const auto& entry : LanguageTable::Entries()) {
        const std::string expected(entry.englishDefault);
        EXPECT_EQ(table.Text(entry.id), entry.id == Lang::MplayPlayersWatching ? expected + " : " : expected)
            << entry.key;
    }
}

} // namespace

TEST(LanguageTable, HasAllKeysWithTheirEnglishTextsVerbatim) {
    const auto& entries = LanguageTable::Entries();
    ASSERT_EQ(entries.size(), 72u);
    std::set<std::string> lowered;
    for (const auto& entry : entries) {
        lowered.insert(switcher::LowerAscii(entry.key));
    }
    EXPECT_EQ(lowered.size(), 72u) << "keys must differ without regard to case";

    EXPECT_EQ(entries.front().key, "LangName");
    for (std::size_t i = 65; i < 72; ++i) {
        EXPECT_EQ(entries[i].key.substr(0, 8), "options.") << entries[i].key;
    }
    EXPECT_EQ(entries[64].key, "Options.OnMultiplayer");

    const LanguageTable table;
    EXPECT_EQ(table.Text(Lang::MplayPlayers), "Players     ");
    EXPECT_EQ(table.Text(Lang::MplayErrror1), "You are trying to launch a mod of different class than your "
                                              "current mod. \\n\\nManually switch to an:");
    EXPECT_EQ(table.Text(Lang::LangSelectError1),
              "The zandrel\\lang\\ directory does not exist. Check your installation directory "
              "(remember to install with path).");
    EXPECT_EQ(table.Text(Lang::MainFixConfig), "FixConfig");
    EXPECT_EQ(table.Text(Lang::MplayJoin), "// Join //");
    EXPECT_EQ(table.Text(Lang::MplayHeaderPlayer), "Pl.");
    EXPECT_EQ(table.Text(Lang::OptionsJoinDirect), "Join MP game directly (only v2.2+)");
    EXPECT_EQ(table.Text(Lang::MainError5), "error looking for mode:");
    EXPECT_EQ(table.Text(Lang::MplayPlayersWatching), "Players Watching : ");
    EXPECT_EQ(table.Text(Lang::OptionsCancel), "Cancel");
    EXPECT_EQ(entries[static_cast<std::size_t>(Lang::MplayErrror1)].key, "Mplay.Errror1")
        << "three r's, as files have it";
}

TEST(LanguageTable, LoadsTheActiveFileAndKeepsEnglishForWhatItLacks) {
    testsupport::TempDir root;
    LanguageTable table;
    table.Load(root.str()); // no zandrel directory at all
    ExpectEnglish(table);

    WriteLanguageFile(root, "[LANG]\r\n"
                            "main.launchgame=Spiel starten\r\n"
                            "Main.Readme=Lies\\nmich\r\n"
                            "Mplay.PlayersWatching=\r\n"
                            "Mplay.Players=Spieler\r\n"
                            "options.cancel=Abbrechen\r\n"
                            "[other]\r\n"
                            "Main.Close=Schliessen\r\n");
    table.Load(root.str());
    EXPECT_EQ(table.Text(Lang::MainLaunchGame), "Spiel starten");
    EXPECT_EQ(table.Text(Lang::MainReadme), "Lies\\nmich") << "captions keep backslash-n";
    EXPECT_EQ(table.Text(Lang::MplayPlayersWatching), " : ");
    EXPECT_EQ(table.Text(Lang::MplayPlayers), "Spieler");
    EXPECT_EQ(table.Text(Lang::OptionsCancel), "Abbrechen");
    EXPECT_EQ(table.Text(Lang::MainClose), "Close") << "keys of other sections do not count";
    EXPECT_EQ(table.Text(Lang::MainError6), "not found");

    // Loading again starts from English, not from the previous language.
    WriteLanguageFile(root, "[lang]\r\nMain.Close=Fermer\r\n");
    table.Load(root.str());
    EXPECT_EQ(table.Text(Lang::MainClose), "Fermer");
    EXPECT_EQ(table.Text(Lang::MainLaunchGame), "Launch Game");
    EXPECT_EQ(table.Text(Lang::MplayPlayersWatching), "Players Watching : ");

    WriteLanguageFile(root, "");
    table.Load(root.str());
    ExpectEnglish(table);
}

TEST(ExpandBreaks, TurnsBackslashNIntoCarriageReturnsOnly) {
    EXPECT_EQ(ExpandBreaks("\\n\\n"), "\r\r");
    EXPECT_EQ(ExpandBreaks("one\\ntwo"), "one\rtwo");
    EXPECT_EQ(ExpandBreaks("no breaks here"), "no breaks here");
    EXPECT_EQ(ExpandBreaks("C:\\temp\\x"), "C:\\temp\\x");
    EXPECT_EQ(ExpandBreaks("ends in \\"), "ends in \\");
    EXPECT_EQ(ExpandBreaks("real\nnewline"), "real\nnewline");
    EXPECT_EQ(ExpandBreaks(""), "");
    const LanguageTable table;
    EXPECT_EQ(ExpandBreaks(table.Text(Lang::MplayErrror1)),
              "You are trying to launch a mod of different class "
              "than your current mod. \r\rManually switch to an:");
}
