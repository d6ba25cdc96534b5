#include "switcher/join_address.h"

#include <algorithm>
#include <cstdio>

namespace switcher {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsIpv4(std::string_view address) {
    int parts = 0;
    while (true) {
        const auto dot = address.find('.');
        const std::string_view part = address.substr(0, dot);
        // Up to three digits, and no leading zero: Windows would read
        // "010" as octal, so such a part is ambiguous.
        if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), IsDigit) ||
            (part.size() > 1 && part.front() == '0')) {
            return false;
        }
        int value = 0;
        for (const char c : part) {
            value = value * 10 + (c - '0');
        }
        if (value > 255) {
            return false;
        }
        ++parts;
        if (dot == std::string_view::npos) {
            break;
        }
        address.remove_prefix(dot + 1);
    }
    return parts == 4;
}

bool IsHostName(std::string_view name) {
    if (name.empty() || name.size() > 253) {
        return false;
    }
    while (true) {
        const auto dot = name.find('.');
        const std::string_view label = name.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
            return false;
        }
        for (const char c : label) {
            if (!IsLetter(c) && !IsDigit(c) && c != '-') {
                return false;
            }
        }
        if (dot == std::string_view::npos) {
            return true;
        }
        name.remove_prefix(dot + 1);
    }
}

} // namespace

// The address comes from the remote game list service and is put unquoted
// behind " IP=" on the game's command line. Anything beyond an address's own
// characters (blanks, quotes, shell or option characters) could smuggle
// further arguments into the game's command line, so only these two plain
// shapes pass.
bool IsValidJoinAddress(std::string_view address) {
    const bool numeric = !address.empty() && std::all_of(address.begin(), address.end(),
                                                         [](char c) { return IsDigit(c) || c == '.'; });
    return numeric ? IsIpv4(address) : IsHostName(address);
}

std::string RefusedJoinAddressMessage(std::string_view address) {
    constexpr std::size_t kShown = 60;
    std::string shown;
    for (const char c : address.substr(0, kShown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    if (address.size() > kShown) {
        shown += "...";
    }
    return "Refusing to join: the address \"" + shown + "\" is not a valid IPv4 address or host name.";
}

} // namespace switcher
