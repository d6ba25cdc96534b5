#include "switcher/web_engine_sandbox.h"

namespace switcher {

// The Windows build has no web engine: the news box shows plain HTML.
void AllowWebEngineAsRoot() {}

} // namespace switcher
