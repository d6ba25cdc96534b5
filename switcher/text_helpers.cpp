#include "switcher/text_helpers.h"

namespace switcher {

std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement) {
    std::string result(text);
    if (pattern.empty()) {
        return result;
    }
    // Each search restarts where the last replacement began: nothing before
    // that point changed, so a match formed by the join can only start at or
    // after (position - pattern length + 1). This gives the same result as
    // searching from the beginning every time, without quadratic rescans.
    std::size_t from = 0;
    for (std::size_t at = result.find(pattern, from); at != std::string::npos;
         at = result.find(pattern, from)) {
        result.replace(at, pattern.size(), replacement);
        from = at >= pattern.size() - 1 ? at - (pattern.size() - 1) : 0;
    }
    return result;
}

CharSet MakeCharSet(std::string_view characters) {
    CharSet set;
    for (char c : characters) {
        set.set(static_cast<unsigned char>(c));
    }
    return set;
}

std::vector<std::string> SplitBySet(std::string_view text, const CharSet& delimiters) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && delimiters.test(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        const std::size_t start = i;
        while (i < n && !delimiters.test(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        if (i > start) {
            tokens.emplace_back(text.substr(start, i - start));
        }
    }
    return tokens;
}

} // namespace switcher
