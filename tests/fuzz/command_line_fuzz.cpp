// The Windows command-line split that a mod's argument strings go through
// on Linux. Properties beyond "no crash": no argument is made up of bytes
// the input did not have (the split only drops blanks, quotes and
// backslashes), and quoting the arguments back by the Windows rules and
// splitting again gives the same arguments.
#include "common/command_line.h"
#include "tests/support/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using testsupport::Check;

// One argument written so that the split reads it back unchanged.
std::string Quote(const std::string& argument) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\'); // before the closing quote
    return out + "\"";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = common::SplitCommandLine(input);

    std::size_t kept = 0;
    std::string joined;
    for (const std::string& argument : arguments) {
        for (char c : argument) {
            if (c != '"' && c != '\\' && c != ' ' && c != '\t')
                ++kept;
        }
        if (!joined.empty())
            joined += ' ';
        joined += Quote(argument);
    }
    std::size_t plain = 0;
    for (char c : input) {
        if (c != '"' && c != '\\' && c != ' ' && c != '\t')
            ++plain;
    }
    Check(kept == plain);
    Check(common::SplitCommandLine(joined) == arguments);
    return 0;
}
