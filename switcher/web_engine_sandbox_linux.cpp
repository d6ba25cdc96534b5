#include "switcher/web_engine_sandbox.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace switcher {

void AllowWebEngineAsRoot() {
    if (geteuid() != 0)
        return;
    const char* current = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    std::string flags = current ? current : "";
    if (flags.find("--no-sandbox") != std::string::npos)
        return;
    flags = flags.empty() ? "--no-sandbox" : flags + " --no-sandbox";
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
}

} // namespace switcher
