#pragma once

#include <string>
#include <string_view>

namespace switcher {

// True for an address the game may be told to join: a dotted IPv4 address
// (four decimal parts 0-255, no leading zeros) or a host name of letters,
// digits, hyphens and dots (1-253 characters, labels of 1-63 characters that
// neither begin nor end with a hyphen). A name of digits and dots only must
// be a valid IPv4 address: "1.2.3.256" is refused, not looked up as a name.
bool IsValidJoinAddress(std::string_view address);

// The message for a refused address. The address is shown cut to 60
// characters, with control and non-ASCII bytes written as \xNN.
std::string RefusedJoinAddressMessage(std::string_view address);

} // namespace switcher
