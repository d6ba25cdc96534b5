#include "switcher/text_helpers.h"

#include <gtest/gtest.h>

using switcher::MakeCharSet;
using switcher::ReplaceAll;
using switcher::SplitBySet;
using Tokens = std::vector<std::string>;

TEST(ReplaceAll, ReplacesOccurrencesThatFormOnlyAfterAnEarlierReplacement) {
    EXPECT_EQ(ReplaceAll("aabb", "ab", ""), "");
    EXPECT_EQ(ReplaceAll("aaabbb", "ab", ""), "");
    EXPECT_EQ(ReplaceAll("xaabby", "ab", "-"), "xa-by");
    EXPECT_EQ(ReplaceAll("a\\\\nn", "\\n", "\r"), "a\\\rn");
}

TEST(ReplaceAll, LeavesTextWithoutThePatternAndHandlesEdges) {
    EXPECT_EQ(ReplaceAll("", "ab", "x"), "");
    EXPECT_EQ(ReplaceAll("hello", "ab", "x"), "hello");
    EXPECT_EQ(ReplaceAll("hello", "", "x"), "hello");
    EXPECT_EQ(ReplaceAll("\\n\\n", "\\n", "\r"), "\r\r");
    EXPECT_EQ(ReplaceAll("abab", "ab", "xyz"), "xyzxyz");
    EXPECT_EQ(ReplaceAll(std::string("a\0b", 3), std::string("\0", 1), "-"), "a-b");
}

TEST(SplitBySet, DropsEmptyFieldsAndOuterDelimiters) {
    const auto bar = MakeCharSet("|");
    EXPECT_EQ(SplitBySet("a|b|c", bar), (Tokens{"a", "b", "c"}));
    EXPECT_EQ(SplitBySet("a||c", bar), (Tokens{"a", "c"}));
    EXPECT_EQ(SplitBySet("||a|", bar), (Tokens{"a"}));
    EXPECT_TRUE(SplitBySet("", bar).empty());
    EXPECT_TRUE(SplitBySet("|||", bar).empty());
}

TEST(SplitBySet, KeepsCharactersOutsideTheSetAndTakesAnyByte) {
    EXPECT_EQ(SplitBySet("one\r\ntwo\r\n", MakeCharSet("\r")), (Tokens{"one", "\ntwo", "\n"}));
    EXPECT_EQ(SplitBySet("x\xffy", MakeCharSet("\xff")), (Tokens{"x", "y"}));
    EXPECT_EQ(SplitBySet(std::string("p\0q", 3), MakeCharSet(std::string("\0", 1))), (Tokens{"p", "q"}));
    EXPECT_EQ(SplitBySet("a b\tc", MakeCharSet(" \t")), (Tokens{"a", "b", "c"}));
}
