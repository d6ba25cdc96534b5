#pragma once

#include <bitset>
#include <string>
#include <string_view>
#include <vector>

namespace switcher {

// Replaces every occurrence of `pattern`, searching again from the start after
// each replacement, so occurrences that form when a replacement joins its
// neighbours are replaced too. The replacement must not contain the pattern.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement);

using CharSet = std::bitset<256>;
CharSet MakeCharSet(std::string_view characters);

// The maximal runs of characters outside `delimiters`, in order; never an
// empty token.
std::vector<std::string> SplitBySet(std::string_view text, const CharSet& delimiters);

} // namespace switcher
