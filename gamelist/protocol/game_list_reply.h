#pragma once

#include "gamelist/protocol/game_list.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gamelist {

// The parsed reply of one list request (the strippedV2 format).
struct GameListReply {
    std::string ownAddress;
    std::string watchers;
    std::vector<std::string> classes;
    GameList entries;
    // False when the body held fewer than the three leading records; the
    // parse then fills what there was and no entries.
    bool complete = false;
    // True when the body held more entries or classes than a reply may
    // keep; the parse then keeps the first ones up to each cap.
    bool cut = false;

    bool operator==(const GameListReply&) const = default;
};

// Parses a strippedV2 body. Records are separated by runs of carriage
// returns (a line feed is no separator and stays in the record); record 0 is
// the own address, record 1 the watcher count, record 2 the classes split on
// runs of "|", and every further record one entry split on runs of "|". Runs
// collapse, so no piece is ever empty: the pieces fill the fields in order,
// missing fields stay empty and pieces beyond the eighth are ignored.
// At most kMaxListEntries entries and kMaxListClasses classes are kept, far
// more than a real list holds, so a crafted reply cannot exhaust memory.
GameListReply ParseStrippedV2(std::string_view body);

inline constexpr std::size_t kMaxListEntries = 100000;
inline constexpr std::size_t kMaxListClasses = 1000;

// Builds a strippedV2 body. The service's side: it must send fields that
// parse back to themselves, so each field is made safe first with
// SafeListField.
std::string BuildStrippedV2(std::string_view ownAddress, std::string_view watchers,
                            const std::vector<std::string>& classes,
                            const std::vector<GameListEntry>& entries);

// Appends one entry record (CR first) to `body`; fields are taken as given.
void AppendStrippedV2Entry(std::string& body, const GameListEntry& entry);

// A field as it can travel in a list: CR, LF and "|" removed, at most
// `maxLength` bytes, and an empty result sent as one blank (an empty field
// would collapse in the parse and shift the fields behind it).
std::string SafeListField(std::string_view text, std::size_t maxLength);

} // namespace gamelist
