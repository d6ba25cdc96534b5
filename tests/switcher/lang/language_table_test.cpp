#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using switcher::ExpandBreaks;
using switcher::LanguageTable;

namespace {

void WriteLanguageFile(const testsupport::TempDir& root, std::string_view content) {
    testsupport::WriteBytes(root.path() / "zandrel" / "lang.ini", content);
}

// Every text equals its English default (with the appended " : ").
void ExpectEnglish(const LanguageTable& table) {
    for (const auto& entry : LanguageTable::Entries()) {
        const std::string expected(entry.englishDefault);
        EXPECT_EQ(table.Text(entry.key), entry.key == "Mplay.PlayersWatching" ? expected + " : " : expected)
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
    EXPECT_EQ(table.Text("Mplay.Players"), "Players     ");
    EXPECT_EQ(table.Text("Mplay.Errror1"), "You are trying to launch a mod of different class than your "
                                           "current mod. \\n\\nManually switch to an:");
    EXPECT_EQ(table.Text("Mplay.Error1"), "") << "the key has three r's";
    EXPECT_EQ(table.Text("LangSelect.error1"),
              "The zandrel\\lang\\ directory does not exist. Check your installation directory "
              "(remember to install with path).");
    EXPECT_EQ(table.Text("Main.FixConfig"), "FixConfig");
    EXPECT_EQ(table.Text("Mplay.Join"), "// Join //");
    EXPECT_EQ(table.Text("Mplay.HeaderPlayer"), "Pl.");
    EXPECT_EQ(table.Text("options.JoinDirect"), "Join MP game directly (only v2.2+)");
    EXPECT_EQ(table.Text("Main.Error5"), "error looking for mode:");
    EXPECT_EQ(table.Text("Mplay.PlayersWatching"), "Players Watching : ");
    // Lookups ignore case; unknown keys give empty text.
    EXPECT_EQ(table.Text("MAIN.LAUNCHGAME"), "Launch Game");
    EXPECT_EQ(table.Text("Options.Cancel"), "Cancel");
    EXPECT_EQ(table.Text("Main.NoSuchKey"), "");
    EXPECT_EQ(table.Text(""), "");
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
    EXPECT_EQ(table.Text("Main.LaunchGame"), "Spiel starten");
    EXPECT_EQ(table.Text("Main.Readme"), "Lies\\nmich") << "captions keep backslash-n";
    EXPECT_EQ(table.Text("Mplay.PlayersWatching"), " : ");
    EXPECT_EQ(table.Text("Mplay.Players"), "Spieler");
    EXPECT_EQ(table.Text("options.Cancel"), "Abbrechen");
    EXPECT_EQ(table.Text("Main.Close"), "Close") << "keys of other sections do not count";
    EXPECT_EQ(table.Text("Main.Error6"), "not found");

    // Loading again starts from English, not from the previous language.
    WriteLanguageFile(root, "[lang]\r\nMain.Close=Fermer\r\n");
    table.Load(root.str());
    EXPECT_EQ(table.Text("Main.Close"), "Fermer");
    EXPECT_EQ(table.Text("Main.LaunchGame"), "Launch Game");
    EXPECT_EQ(table.Text("Mplay.PlayersWatching"), "Players Watching : ");

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
    EXPECT_EQ(ExpandBreaks(table.Text("Mplay.Errror1")), "You are trying to launch a mod of different class "
                                                         "than your current mod. \r\rManually switch to an:");
}
