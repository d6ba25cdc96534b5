#include "common/text_codec.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string AllHighBytes() {
    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

} // namespace

TEST(TextCodec, Windows1252MapsAndRoundTripsEveryByte) {
    const common::TextCodec codec("CP1252");
    EXPECT_EQ(codec.ToUtf8("Launch Game"), "Launch Game");
    EXPECT_EQ(codec.ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(codec.ToUtf8("\x9F"), "\xC5\xB8");     // Y with diaeresis
    EXPECT_EQ(codec.ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(codec.ToUtf8("\xFF"), "\xC3\xBF");
    // Undefined in the code page: the character with the byte's value.
    EXPECT_EQ(codec.ToUtf8("a\x81z"), "a\xC2\x81z");
    EXPECT_EQ(codec.FromUtf8("\xE2\x82\xAC 5"), "\x80 5");

    // Malformed UTF-8 would come back as '?', so a round trip also proves
    // that every byte gives well-formed text.
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(codec.FromUtf8(codec.ToUtf8(byte)), byte) << "byte " << b;
    }
    const std::string all = AllHighBytes() + std::string("\0 text", 6) + AllHighBytes();
    EXPECT_EQ(codec.FromUtf8(codec.ToUtf8(all)), all);
    EXPECT_EQ(codec.ToUtf8(""), "");
    EXPECT_EQ(codec.FromUtf8(""), "");
}

TEST(TextCodec, TextTheCodePageCannotHoldBecomesQuestionMarks) {
    const common::TextCodec codec("CP1252");
    EXPECT_EQ(codec.FromUtf8("a\xE4\xB8\x80z"), "a?z"); // CJK ideograph
    EXPECT_EQ(codec.FromUtf8("\xD0\x90"), "?");         // Cyrillic A
    EXPECT_EQ(codec.FromUtf8("a\xFFz"), "a?z");         // not UTF-8 at all
    EXPECT_EQ(codec.FromUtf8("end\xC3"), "end?");       // cut-off sequence
    // Malformed input and characters beyond 16 bits (an emoji) never yield
    // bytes other than '?' in their place (Windows gives one per UTF-16 unit).
    for (const std::string bad : {"\xC0\xAF", "\xED\xA0\x80", "\x80\x80", "\xF0\x9F\x98\x80"}) {
        const std::string out = codec.FromUtf8(bad);
        EXPECT_FALSE(out.empty());
        EXPECT_EQ(out.find_first_not_of('?'), std::string::npos) << out;
    }
    // A long text with a bad byte in the middle is converted whole.
    const std::string longText = std::string(5000, 'x') + "\xFF" + std::string(5000, '\xC3');
    EXPECT_EQ(codec.FromUtf8(longText).size(), 10001u);
}

TEST(TextCodec, Windows1251IsSelectableByName) {
    const common::TextCodec codec("CP1251");
    EXPECT_EQ(codec.CodePage(), "CP1251");
    EXPECT_EQ(codec.ToUtf8("\xC0\xE1\xE2"), "\xD0\x90\xD0\xB1\xD0\xB2");   // А б в
    EXPECT_EQ(codec.ToUtf8("\x88"), "\xE2\x82\xAC");                       // euro sign
    EXPECT_EQ(codec.FromUtf8("\xD0\x9F\xD1\x80\xD0\xB8"), "\xCF\xF0\xE8"); // При
    EXPECT_EQ(codec.FromUtf8("\xC3\xA9"), "?");                            // é is not in it
    EXPECT_EQ(codec.FromUtf8(codec.ToUtf8(AllHighBytes())), AllHighBytes());
}

TEST(TextCodec, ProgramWideCodecConvertsBothWays) {
    EXPECT_FALSE(common::AnsiCodec().CodePage().empty());
    EXPECT_EQ(common::AnsiToUtf8("Players Watching : 3"), "Players Watching : 3");
    EXPECT_EQ(common::Utf8ToAnsi(common::AnsiToUtf8(AllHighBytes())), AllHighBytes());
}
