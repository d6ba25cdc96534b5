#include "switcher/web_engine_sandbox.h"

namespace switcher {

// The Windows build has no web engine module: the news box shows plain HTML
// whatever this answers.
bool WebEngineMayRun() {
    return true;
}

} // namespace switcher
