#include "common/command_line.h"

namespace common {

std::vector<std::string> SplitCommandLine(std::string_view parameters) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false; // something (possibly an empty quoted pair) was seen
    bool quoted = false;
    std::size_t i = 0;
    const std::size_t n = parameters.size();

    while (i < n) {
        const char c = parameters[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inArgument) {
                arguments.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            std::size_t count = 0;
            while (i < n && parameters[i] == '\\') {
                ++count;
                ++i;
            }
            if (i < n && parameters[i] == '"') {
                current.append(count / 2, '\\');
                if (count % 2 == 1) {
                    current += '"'; // an escaped quote
                    ++i;
                }
                // An even count leaves the quote to the next round, where it
                // switches quoting.
            } else {
                current.append(count, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < n && parameters[i + 1] == '"') {
                current += '"';
                quoted = false;
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        current += c;
        ++i;
    }
    if (inArgument) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}

} // namespace common
