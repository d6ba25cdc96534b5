#include "common/command_line.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
// clang-format off
#include <windows.h>
#include <shellapi.h> // needs windows.h first
// clang-format on

namespace {

// The arguments that Windows itself finds in "prog " + parameters.
std::vector<std::string> SplitBySystem(const std::string& parameters) {
    const std::string line = "prog " + parameters;
    std::wstring wide(line.size() + 1, L'\0');
    const int length =
        MultiByteToWideChar(CP_ACP, 0, line.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(wide.c_str(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; argv && i < count; ++i) {
        std::string narrow;
        for (const wchar_t* p = argv[i]; *p; ++p) {
            narrow += static_cast<char>(*p); // the cases below are plain ASCII
        }
        arguments.push_back(narrow);
    }
    LocalFree(argv);
    return arguments;
}

} // namespace

TEST(SplitCommandLine, AgreesWithCommandLineToArgvW) {
    const char* cases[] = {
        " -x",
        " -x IP=10.0.0.5",
        "  IP=host",
        " -x  loadsingle=\"C:\\My Maps\\one.ssm\"",
        "a\tb \t c",
        "\"a b\"c d",
        "a\"b c\"d",
        "\"\"",
        "a \"\" b",
        "\"a\"\"b c\"",
        "\"a\"\"\"b",
        "\"\"\"\"",
        "\"\"\"\" x",
        "\"\"\"\"\" x",
        "x \"open end  ",
        "C:\\game\\ a\\\\b",
        "\\\"x",
        "\\\\\"a b\"",
        "\\\\\\\"x",
        "\"C:\\dir\\\\\" next",
        "\"C:\\dir\\\" next\"",
        "end\\",
        "\"end\\\\\"",
    };
    for (const char* parameters : cases) {
        EXPECT_EQ(common::SplitCommandLine(parameters), SplitBySystem(parameters))
            << "parameters: " << parameters;
    }
}
