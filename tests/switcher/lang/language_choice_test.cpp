#include "common/file_system.h"
#include "switcher/lang/language_choice.h"
#include "switcher/lang/language_table.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

using testsupport::RecordingSink;

// A program directory with zandrel\lang\ holding the given files.
class Languages {
public:
    void Add(std::string_view fileName, std::string_view bytes = "[lang]\r\n") const {
        WriteBytes(LangDir() / fileName, bytes);
    }
    fs::path LangDir() const { return m_temp.path() / "zandrel" / "lang"; }
    fs::path Active() const { return m_temp.path() / "zandrel" / "lang.ini"; }
    std::string Root() const { return m_temp.str(); }

    std::vector<std::string> List() { return switcher::ListLanguages(Root(), table, sink); }

    switcher::LanguageTable table;
    RecordingSink sink;

private:
    testsupport::TempDir m_temp;
};

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(LanguageChoice, ListsIniFilesByTheirNameUpToTheFirstFullStop) {
    Languages langs;
    langs.Add("English.ini");
    langs.Add("german.INI");
    langs.Add("pt.br.ini");
    langs.Add("notes.txt");
    langs.Add("old.ini.bak");
    langs.Add("ini");
    fs::create_directories(langs.LangDir() / "sub");

    const std::string before = common::CurrentDirectory();
    const auto names = langs.List();
    EXPECT_TRUE(langs.sink.messages.empty());
    EXPECT_EQ(Sorted(names), (std::vector<std::string>{"English", "german", "pt"}));
    EXPECT_EQ(common::CurrentDirectory(), before);

    // Listing order is the directory's own order, and a second listing
    // repeats nothing.
    std::vector<std::string> order;
    for (const auto& entry : common::ListDirectory(langs.LangDir().string())) {
        if (entry.name.size() > 4 && (entry.name.ends_with(".ini") || entry.name.ends_with(".INI")))
            order.push_back(entry.name.substr(0, entry.name.find('.')));
    }
    EXPECT_EQ(names, order);
    EXPECT_EQ(langs.List(), names);
}

TEST(LanguageChoice, MissingOrEmptyDirectoryShowsItsMessageAsWritten) {
    Languages langs;
    EXPECT_TRUE(langs.List().empty());
    ASSERT_EQ(langs.sink.messages.size(), 1u);
    EXPECT_EQ(langs.sink.messages[0], langs.table.Text(switcher::Lang::LangSelectError1));
    EXPECT_NE(langs.sink.messages[0].find("zandrel\\lang\\"), std::string::npos);

    langs.sink.messages.clear();
    langs.Add("readme.txt");
    EXPECT_TRUE(langs.List().empty());
    ASSERT_EQ(langs.sink.messages.size(), 1u);
    EXPECT_EQ(langs.sink.messages[0], langs.table.Text(switcher::Lang::LangSelectError2));

    // Texts from a language file keep a written \n as two characters.
    WriteBytes(langs.Active(), "[lang]\r\nLangSelect.error2=Keine Sprachdateien\\nEnde\r\n");
    langs.table.Load(langs.Root());
    langs.sink.messages.clear();
    EXPECT_TRUE(langs.List().empty());
    ASSERT_EQ(langs.sink.messages.size(), 1u);
    EXPECT_EQ(langs.sink.messages[0], "Keine Sprachdateien\\nEnde");
}

TEST(LanguageChoice, ApplyCopiesTheWholeFile) {
    Languages langs;
    const std::string english = "[lang]\r\nMain.Close=Close\r\n";
    std::string german = "; Sprache\r\n[lang]\r\nMain.Close=Schlie\xDF"
                         "en\r\nMain.Exit=Ende\r\n";
    const char tail[] = "\0\x80\xFF tail without line end";
    german.append(tail, sizeof tail - 1);
    langs.Add("English.ini", english);
    langs.Add("German.ini", german);
    langs.Add("pt.br.ini", "[lang]\r\nMain.Close=Fechar\r\n");
    WriteBytes(langs.Active(), english);

    switcher::ApplyLanguage(langs.Root(), "German");
    EXPECT_EQ(ReadBytes(langs.Active()), german);
    // The source stays as it was.
    EXPECT_EQ(ReadBytes(langs.LangDir() / "German.ini"), german);

    // The active language again: the same content is written.
    switcher::ApplyLanguage(langs.Root(), "German");
    EXPECT_EQ(ReadBytes(langs.Active()), german);

    // A listed name whose file does not exist changes nothing.
    switcher::ApplyLanguage(langs.Root(), "pt");
    EXPECT_EQ(ReadBytes(langs.Active()), german);

    // Without an active file yet, applying makes one.
    fs::remove(langs.Active());
    switcher::ApplyLanguage(langs.Root(), "English");
    EXPECT_EQ(ReadBytes(langs.Active()), english);
}
