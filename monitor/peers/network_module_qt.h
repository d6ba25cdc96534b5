#pragma once

#include "monitor/inspect/error_report.h"
#include "monitor/peers/lazy_socket_array.h"

// The Qt socket array lives in a module of its own beside the program
// (varnok_net), so that QtNetwork is loaded only when the first peer link is
// opened, not by every monitor that idles beside a game.
namespace monitor {

// The exported function of the module: a new Qt socket array with `members`
// members that reports to `events`; the caller owns it.
inline constexpr char kMakeSocketArraySymbol[] = "VarnokMakeSocketArray";
using MakeSocketArrayFunction = SocketArray* (*)(int members, SocketEvents* events);

// A maker that loads the module at its first call (beside the program, or in
// lib/varnok/ of an installation). When the module cannot be loaded, an
// error line to `errors` names the cause. On Windows the array is linked in.
SocketArrayMaker NetworkModuleMaker(ErrorReporter errors);

} // namespace monitor
