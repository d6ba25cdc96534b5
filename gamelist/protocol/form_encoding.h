#pragma once

#include <string>
#include <string_view>

namespace gamelist {

// The query encoding of the game list requests: a space becomes "+", ASCII
// letters and digits stay, every other byte becomes "%" and two lower-case
// hexadecimal digits.
std::string FormEncode(std::string_view text);

// The reverse: "+" becomes a space and "%" with two hexadecimal digits (either
// case) becomes that byte. A "%" without two hexadecimal digits behind it is
// kept as written, so any input decodes to something.
std::string FormDecode(std::string_view text);

} // namespace gamelist
