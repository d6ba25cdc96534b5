#include "switcher/news/web_address.h"

namespace switcher {
namespace {

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

} // namespace

bool IsWebAddress(std::string_view url) {
    std::string_view rest;
    if (StartsWithFolded(url, "http://"))
        rest = url.substr(7);
    else if (StartsWithFolded(url, "https://"))
        rest = url.substr(8);
    else
        return false;
    // A host comes first: not another slash or backslash, not the end.
    return !rest.empty() && rest[0] != '/' && rest[0] != '\\' && rest[0] != '?' && rest[0] != '#';
}

} // namespace switcher
