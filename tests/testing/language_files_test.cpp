// The language files the installation ships: every key of the switcher's
// table and no other, each text in bytes of the language's code page that
// read back as the table's UTF-8, with the layout the program relies on.
#include "common/text_codec.h"
#include "switcher/lang/language_table.h"
#include "testing/demo_language.h"
#include "testing/demo_layout.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

// key -> value of a [lang] file as the switcher stores it, quotes removed.
std::map<std::string, std::string> Entries(const std::string& file, std::string& header) {
    std::map<std::string, std::string> entries;
    std::size_t start = 0;
    bool first = true;
    while (start < file.size()) {
        std::size_t end = file.find("\r\n", start);
        if (end == std::string::npos)
            end = file.size();
        const std::string line = file.substr(start, end - start);
        start = end + 2;
        if (first) {
            header = line;
            first = false;
            continue;
        }
        const std::size_t equals = line.find('=');
        std::string value = line.substr(equals == std::string::npos ? line.size() : equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        entries[line.substr(0, equals)] = value;
    }
    return entries;
}

std::size_t Count(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::size_t LeadingBlanks(std::string_view text) {
    return std::min(text.find_first_not_of(' '), text.size());
}

std::size_t TrailingBlanks(std::string_view text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? text.size() : text.size() - 1 - last;
}

} // namespace

TEST(LanguageFiles, EachCarriesExactlyTheKeysOfTheSwitcher) {
    const auto& keys = switcher::LanguageTable::Entries();
    for (const char* language : demo::kLanguages) {
        std::string header;
        const auto entries = Entries(demo::LanguageFile(language), header);
        EXPECT_EQ(header, "[lang]") << language;
        EXPECT_EQ(entries.size(), keys.size()) << language;
        for (const auto& key : keys)
            EXPECT_EQ(entries.count(std::string(key.key)), 1u) << language << " lacks " << key.key;
    }
}

TEST(LanguageFiles, EveryTextSurvivesItsCodePage) {
    for (const char* language : demo::kLanguages) {
        const common::TextCodec codec(demo::LanguageCodePage(language));
        ASSERT_EQ(codec.CodePage(), demo::LanguageCodePage(language)) << language;
        std::string header;
        const auto entries = Entries(demo::LanguageFile(language), header);
        const auto texts = demo::LanguageTexts(language);
        ASSERT_EQ(texts.size(), entries.size()) << language;
        for (const auto& text : texts) {
            ASSERT_EQ(entries.count(std::string(text.key)), 1u) << language << " " << text.key;
            const std::string& bytes = entries.at(std::string(text.key));
            EXPECT_EQ(codec.ToUtf8(bytes), text.utf8) << language << " " << text.key;
            EXPECT_EQ(codec.FromUtf8(text.utf8), bytes) << language << " " << text.key;
        }
    }
    // Bytes, not UTF-8: "Русский" and "Zamknij" / "Odśwież" as Windows writes them.
    std::string header;
    EXPECT_EQ(Entries(demo::LanguageFile("Russian"), header).at("LangName"), "\xD0\xF3\xF1\xF1\xEA\xE8\xE9");
    EXPECT_EQ(Entries(demo::LanguageFile("Polish"), header).at("Mplay.Refresh"), "Od\x9Cwie\xBF");
}

// Texts are joined with others at run time ("Language : " + name, the
// "\n" breaks of a message box, the blank-padded players label): the
// translations keep the English text's blanks, breaks, backslashes and
// closing punctuation.
TEST(LanguageFiles, TranslationsKeepTheShapeOfTheEnglishText) {
    const auto english = demo::LanguageTexts("English");
    for (const char* language : demo::kLanguages) {
        const auto texts = demo::LanguageTexts(language);
        ASSERT_EQ(texts.size(), english.size()) << language;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const std::string_view from = english[i].utf8;
            const std::string_view to = texts[i].utf8;
            const std::string where = std::string(language) + " " + std::string(texts[i].key);
            ASSERT_EQ(texts[i].key, english[i].key) << where;
            EXPECT_FALSE(to.empty()) << where;
            EXPECT_EQ(LeadingBlanks(to), LeadingBlanks(from)) << where;
            EXPECT_EQ(TrailingBlanks(to), TrailingBlanks(from)) << where;
            EXPECT_EQ(Count(to, "\\n"), Count(from, "\\n")) << where;
            EXPECT_EQ(Count(to, "\\"), Count(from, "\\")) << where;
            const char last = from.back();
            if (std::string_view(":.!?)").find(last) != std::string_view::npos) {
                EXPECT_EQ(to.back(), last) << where;
            }
        }
    }
    EXPECT_EQ(demo::LanguageTexts("Klingon").size(), 0u);
    EXPECT_EQ(demo::LanguageFile("Klingon"), "");
}
