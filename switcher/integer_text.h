#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace switcher {

// Reads a descriptor's integer text (UseLauncher): an optional '+' or '-',
// then decimal digits, or '$' and hexadecimal digits. Nothing else is allowed,
// not even surrounding blanks. The value must fit a 32-bit signed integer
// ("$FFFFFFFF" is too large, not -1). Empty result for anything else.
std::optional<std::int32_t> ParseIntegerText(std::string_view text);

// "'<text>' is not a valid integer value"
std::string InvalidIntegerMessage(std::string_view text);

} // namespace switcher
