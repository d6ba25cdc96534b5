// Compiled into programs that link the HTTP client themselves (the window
// tests): their launcher uses the client directly instead of loading the
// module, which is not beside them.
#include "switcher/multiplayer/http_client_qt.h"
#include "switcher/multiplayer/http_module_qt.h"

namespace {

[[maybe_unused]] const bool g_registered = [] {
    switcher::SetBuiltInHttpClient(
        [](int timeoutMs) -> switcher::HttpPort* { return new switcher::QtHttpClient(nullptr, timeoutMs); });
    return true;
}();

} // namespace
