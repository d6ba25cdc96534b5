#pragma once

namespace switcher {

// The web engine refuses to run as root unless its sandbox is off, and the
// news box would end the program at the first page. Run as root, this adds
// --no-sandbox to the engine's flags; elsewhere it does nothing.
void AllowWebEngineAsRoot();

} // namespace switcher
