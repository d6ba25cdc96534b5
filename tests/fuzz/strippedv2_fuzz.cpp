// The client's parse of a list reply: any bytes give a reply whose fields
// hold no carriage return, no entry field holds "|", and rebuilding from
// safe fields parses back to the same entries.
#include "gamelist/protocol/game_list_reply.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const gamelist::GameListReply reply = gamelist::ParseStrippedV2(body);
    if (reply.ownAddress.find('\r') != std::string::npos || reply.watchers.find('\r') != std::string::npos)
        __builtin_trap();
    if (!reply.complete && !reply.entries.empty())
        __builtin_trap();
    for (const auto& c : reply.classes)
        if (c.empty() || c.find_first_of("\r|") != std::string::npos)
            __builtin_trap();
    std::vector<gamelist::GameListEntry> safe;
    if (reply.entries.size() > gamelist::kMaxListEntries || reply.classes.size() > gamelist::kMaxListClasses)
        __builtin_trap();
    for (const auto& ref : reply.entries) {
        const gamelist::GameListEntry e = ref.Copy();
        gamelist::GameListEntry s;
        for (std::size_t f = 0; f < e.fields.size(); ++f) {
            if (e.fields[f].find_first_of("\r|") != std::string::npos)
                __builtin_trap();
            s.fields[f] = gamelist::SafeListField(e.fields[f], 64);
        }
        safe.push_back(s);
    }
    const auto again = gamelist::ParseStrippedV2(gamelist::BuildStrippedV2("a", "1", {"c"}, safe));
    if (again.entries != safe)
        __builtin_trap();
    return 0;
}
