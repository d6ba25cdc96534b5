#include "switcher/news/web_address.h"

#include "common/ascii_case.h"

namespace switcher {
namespace {} // namespace

bool IsWebAddress(std::string_view url) {
    std::string_view rest;
    if (common::StartsWithIgnoringAsciiCase(url, "http://"))
        rest = url.substr(7);
    else if (common::StartsWithIgnoringAsciiCase(url, "https://"))
        rest = url.substr(8);
    else
        return false;
    // A host comes first: not another slash or backslash, not the end.
    return !rest.empty() && rest[0] != '/' && rest[0] != '\\' && rest[0] != '?' && rest[0] != '#';
}

} // namespace switcher
