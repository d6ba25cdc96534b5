#include "gamelist/protocol/add_query.h"
#include "gamelist/protocol/form_encoding.h"
#include "gamelist/protocol/game_list_reply.h"

#include <gtest/gtest.h>

using namespace gamelist;

namespace {

GameListEntry Entry(std::initializer_list<const char*> fields) {
    GameListEntry e;
    std::size_t i = 0;
    for (const char* f : fields)
        e.fields[i++] = f;
    return e;
}

} // namespace

TEST(FormEncoding, EncodesSpacesLettersDigitsAndEverythingElse) {
    EXPECT_EQ(FormEncode("Any map"), "Any+map");
    EXPECT_EQ(FormEncode("1.2.3.4"), "1%2e2%2e3%2e4");
    EXPECT_EQ(FormEncode("4vs4"), "4vs4");
    EXPECT_EQ(FormEncode("map.ssm"), "map%2essm");
    EXPECT_EQ(FormEncode(std::string_view("\0\xff+%&=?", 7)), "%00%ff%2b%25%26%3d%3f");
}

TEST(FormEncoding, DecodingUndoesEncodingOfEveryByte) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(FormDecode(FormEncode(all)), all);
    EXPECT_EQ(FormDecode("%4A%4a"), "JJ");
    // Broken escapes are kept as written.
    EXPECT_EQ(FormDecode("100%"), "100%");
    EXPECT_EQ(FormDecode("%g1%2"), "%g1%2");
}

TEST(StrippedV2, LeadingRecordsAndNoEntries) {
    const GameListReply r = ParseStrippedV2("1.2.3.4\r7\rww2|other\r");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.ownAddress, "1.2.3.4");
    EXPECT_EQ(r.watchers, "7");
    EXPECT_EQ(r.classes, (std::vector<std::string>{"ww2", "other"}));
    EXPECT_TRUE(r.entries.empty());
}

TEST(StrippedV2, EntriesCollapseEmptyFieldsAndRecords) {
    const GameListReply r = ParseStrippedV2("\r\r1.2.3.4\r\r\r7\rww2||other|\r"
                                            "1.2.3.4|tank|12:00|CDV|map1|2vs2|hi|cdv\r\r"
                                            "1.2.3.4|tank||CDV|map1|2vs2|hi|cdv\r"
                                            "5.6.7.8|a|b|c|d|e|f|g|h|i\r"
                                            "\nfeed|x\r\r");
    ASSERT_EQ(r.entries.size(), 4u);
    EXPECT_EQ(r.classes, (std::vector<std::string>{"ww2", "other"}));
    EXPECT_EQ(r.entries[0], Entry({"1.2.3.4", "tank", "12:00", "CDV", "map1", "2vs2", "hi", "cdv"}));
    // The empty Posted collapses: the fields behind it move forward.
    EXPECT_EQ(r.entries[1], Entry({"1.2.3.4", "tank", "CDV", "map1", "2vs2", "hi", "cdv", ""}));
    // Pieces beyond the eighth are ignored.
    EXPECT_EQ(r.entries[2][GameListEntry::Class], "g");
    // A line feed is no separator.
    EXPECT_EQ(r.entries[3][GameListEntry::IP], "\nfeed");
}

TEST(StrippedV2, FewerThanThreeRecordsIsIncomplete) {
    EXPECT_FALSE(ParseStrippedV2("").complete);
    EXPECT_FALSE(ParseStrippedV2("\r\r\r").complete);
    const GameListReply r = ParseStrippedV2("Not Found\r\n");
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.ownAddress, "Not Found");
    EXPECT_TRUE(r.entries.empty());
}

TEST(StrippedV2, ARepliesEntriesAndClassesAreKeptUpToTheirCaps) {
    const auto body = [](std::size_t classes, std::size_t entries) {
        std::string b = "1.2.3.4\r7\r";
        for (std::size_t i = 0; i < classes; ++i)
            b += "c" + std::to_string(i) + "|";
        for (std::size_t i = 0; i < entries; ++i)
            b += "\r" + std::to_string(i) + "|n";
        return b;
    };
    const struct {
        std::size_t classes, entries;
        bool cut;
    } cases[] = {
        {kMaxListClasses, kMaxListEntries, false},
        {kMaxListClasses + 1, 3, true},
        {2, kMaxListEntries + 1, true},
        {kMaxListClasses * 20, kMaxListEntries * 3, true},
    };
    for (const auto& c : cases) {
        const GameListReply r = ParseStrippedV2(body(c.classes, c.entries));
        EXPECT_TRUE(r.complete);
        EXPECT_EQ(r.cut, c.cut) << c.classes << " " << c.entries;
        EXPECT_EQ(r.classes.size(), std::min(c.classes, kMaxListClasses));
        ASSERT_EQ(r.entries.size(), std::min(c.entries, kMaxListEntries));
        // The kept ones are the first, each whole.
        EXPECT_EQ(r.classes.back(), "c" + std::to_string(r.classes.size() - 1));
        EXPECT_EQ(r.entries[r.entries.size() - 1],
                  Entry({std::to_string(r.entries.size() - 1).c_str(), "n"}));
    }
}

TEST(StrippedV2, BuiltRepliesParseBackWithSafeFields) {
    const std::string hostile = "evil\r1.1.1.1|x|\n|||";
    GameListEntry e;
    for (auto& f : e.fields)
        f = SafeListField(hostile, 8);
    GameListEntry empty;
    for (auto& f : empty.fields)
        f = SafeListField("", 8);
    const std::string body = BuildStrippedV2("9.9.9.9", "3", {"ww2", "cdv"}, {e, empty});
    const GameListReply r = ParseStrippedV2(body);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0][GameListEntry::IP], "evil1.1.");
    EXPECT_EQ(r.entries[0], e);
    // Empty fields travel as one blank each, so none shifts.
    EXPECT_EQ(r.entries[1][GameListEntry::Class], " ");
    // Empty leading records keep their places too.
    const GameListReply bare = ParseStrippedV2(BuildStrippedV2("", "", {}, {e}));
    EXPECT_TRUE(bare.complete);
    EXPECT_EQ(bare.entries.size(), 1u);
}

TEST(AddV2, PathHoldsTheDoubledModePairAndEncodedValues) {
    const HostedGame game{"Red Tank", "map.ssm", "1.2.3.4", "CDV", "cdv", "4vs4", "hi there"};
    EXPECT_EQ(BuildAddV2Path(game), "/vqx/?mode=addV2&?mode=addV2&name=Red+Tank&map=map%2essm"
                                    "&ip=1%2e2%2e3%2e4&version=CDV&class=cdv&players=4vs4&note=hi+there");
}

TEST(AddV2, QueryParsesBackAndRejectsOtherModes) {
    const HostedGame game{"R&d=T?", "m|\r\n", "", "V", "c", "4vs4", "%+ "};
    const std::string path = BuildAddV2Path(game);
    const auto parsed = ParseAddV2Query(std::string_view(path).substr(path.find('?') + 1));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, game);
    EXPECT_FALSE(ParseAddV2Query("mode=list&name=x").has_value());
    EXPECT_FALSE(ParseAddV2Query("").has_value());
    const auto partial = ParseAddV2Query("mode=addV2&name=a&name=b&bogus&=x");
    ASSERT_TRUE(partial.has_value());
    EXPECT_EQ(partial->name, "a");
    EXPECT_EQ(partial->map, "");
}
