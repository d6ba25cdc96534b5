#include "switcher/web_engine_sandbox.h"

#include <unistd.h>

namespace switcher {

bool WebEngineMayRun() {
    return geteuid() != 0;
}

} // namespace switcher
