// The service's parse of an announcement: any query gives either nothing or
// a game, and a parsed game encodes and parses back to itself.
#include "gamelist/protocol/add_query.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view query(reinterpret_cast<const char*>(data), size);
    const auto game = gamelist::ParseAddV2Query(query);
    if (!game)
        return 0;
    const std::string path = gamelist::BuildAddV2Path(*game);
    const auto again = gamelist::ParseAddV2Query(std::string_view(path).substr(path.find('?') + 1));
    if (!again || !(*again == *game))
        __builtin_trap();
    return 0;
}
