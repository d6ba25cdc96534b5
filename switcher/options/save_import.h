#pragma once

#include "common/message_sink.h"
#include "switcher/catalogue.h"

#include <string_view>

namespace switcher {

// Registers every player directory under the selected mod's save-game base
// directory in that mod's sudtest.ini (section Game: PlayersUpb and
// Player0..PlayerN-1), replacing the previous list. Only plain directories
// count (no read-only, hidden, system or archive attribute), in listing
// order. Returns false after showing "Unable to write to %s" when a write
// fails; the keys written before stay. Does nothing for index -1.
bool ImportSaveGames(const ModCatalogue& catalogue, int selectedIndex, std::string_view programDirectory,
                     common::MessageSink& sink);

} // namespace switcher
