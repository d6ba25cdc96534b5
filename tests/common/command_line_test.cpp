#include "common/command_line.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using common::SplitCommandLine;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksAndTabsSeparateAndQuotesGroup) {
    EXPECT_EQ(SplitCommandLine(""), Args{});
    EXPECT_EQ(SplitCommandLine("   \t "), Args{});
    EXPECT_EQ(SplitCommandLine(" -x"), (Args{"-x"}));
    EXPECT_EQ(SplitCommandLine("  -x  IP=10.0.0.5 "), (Args{"-x", "IP=10.0.0.5"}));
    EXPECT_EQ(SplitCommandLine("a\tb \t c"), (Args{"a", "b", "c"}));
    EXPECT_EQ(SplitCommandLine(" -x  loadsingle=\"C:\\My Maps\\one.ssm\""),
              (Args{"-x", "loadsingle=C:\\My Maps\\one.ssm"}));
    EXPECT_EQ(SplitCommandLine("\"a b\"c d"), (Args{"a bc", "d"}));
    EXPECT_EQ(SplitCommandLine("a\"b c\"d"), (Args{"ab cd"}));
    EXPECT_EQ(SplitCommandLine("\"tab\there\""), (Args{"tab\there"}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(SplitCommandLine("x \"open end  "), (Args{"x", "open end  "}));
}

TEST(SplitCommandLine, EmptyQuotesGiveEmptyArguments) {
    EXPECT_EQ(SplitCommandLine("\"\""), (Args{""}));
    EXPECT_EQ(SplitCommandLine("a \"\" b"), (Args{"a", "", "b"}));
    EXPECT_EQ(SplitCommandLine(" \"\"\t"), (Args{""}));
    // Two quotes inside quotes are one literal quote, and quoting ends.
    EXPECT_EQ(SplitCommandLine("\"a\"\"b c\""), (Args{"a\"b", "c"}));
    EXPECT_EQ(SplitCommandLine("\"\"\"\" x"), (Args{"\" x"}));
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeQuotes) {
    EXPECT_EQ(SplitCommandLine("C:\\game\\ a\\\\b"), (Args{"C:\\game\\", "a\\\\b"}));
    EXPECT_EQ(SplitCommandLine("\\\"x"), (Args{"\"x"}));         // 1 -> literal quote
    EXPECT_EQ(SplitCommandLine("\\\\\"a b\""), (Args{"\\a b"})); // 2 -> one backslash, quote opens
    EXPECT_EQ(SplitCommandLine("\\\\\\\"x"), (Args{"\\\"x"}));   // 3 -> backslash and literal quote
    EXPECT_EQ(SplitCommandLine("\"C:\\dir\\\\\" next"), (Args{"C:\\dir\\", "next"}));
    EXPECT_EQ(SplitCommandLine("\"C:\\dir\\\" next\""), (Args{"C:\\dir\" next"}));
    EXPECT_EQ(SplitCommandLine("end\\"), (Args{"end\\"}));
}
