#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace common {

// Splits a parameter string into arguments the way a Windows program's
// command line is split (CommandLineToArgvW, applied to the arguments after
// the program name):
// - blanks and tabs outside double quotes separate arguments; runs of them
//   count as one separator, and leading or trailing ones give no argument;
// - a double quote switches quoting on or off and is not kept, so "" gives
//   an empty argument and a"b c"d gives ab cd;
// - 2n backslashes before a double quote give n backslashes, and the quote
//   switches quoting; 2n+1 backslashes before a double quote give n
//   backslashes and a literal quote;
// - backslashes not followed by a double quote are kept as they are;
// - inside quotes, two double quotes in a row give one literal quote and
//   end the quoting ("a""b c" gives a"b and c).
// Used on Linux, where the started program gets an argument vector instead
// of one command line.
std::vector<std::string> SplitCommandLine(std::string_view parameters);

} // namespace common
