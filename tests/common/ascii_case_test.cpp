#include "common/ascii_case.h"

#include <gtest/gtest.h>

namespace {

struct CaseRow {
    std::string_view a;
    std::string_view b;
    bool equal;
    bool aStartsWithB;
};

// Only A-Z and a-z fold: code-page letters above 0x7F (here Windows-1252's
// À and à, Windows-1251's А and а) stay apart, whatever the locale.
TEST(AsciiCase, OnlyAsciiLettersFold) {
    const CaseRow rows[] = {
        {"GAME.INI", "game.ini", true, true},
        {"Game", "game.ini", false, false},
        {"game.ini", "GAME", false, true},
        {"\xC0", "\xE0", false, false},
        {"[@]", "[`]", false, false}, // neighbours of A-Z and a-z
        {"", "", true, true},
        {"x", "", false, true},
    };
    for (const CaseRow& row : rows) {
        EXPECT_EQ(common::EqualsIgnoringAsciiCase(row.a, row.b), row.equal) << row.a << " / " << row.b;
        EXPECT_EQ(common::StartsWithIgnoringAsciiCase(row.a, row.b), row.aStartsWithB)
            << row.a << " / " << row.b;
    }
    EXPECT_EQ(common::LowerAscii("MiXeD \xC0Z@["), "mixed \xC0z@[");
    EXPECT_EQ(common::UpperAscii("MiXeD \xE0z`{"), "MIXED \xE0Z`{");
}

} // namespace
