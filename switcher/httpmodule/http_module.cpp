// The HTTP client on QtNetwork, as a module that zandrel loads at its first
// request (see multiplayer/http_module_qt.h). Linked into the program, the
// network stack would be loaded at every start, launcher used or not.
#include "switcher/multiplayer/http_client_qt.h"
#include "switcher/multiplayer/http_module_qt.h"

#include <QtGlobal>

extern "C" {

Q_DECL_EXPORT int ZandrelHttpModuleAbi() {
    return switcher::kHttpModuleAbi;
}

Q_DECL_EXPORT switcher::HttpPort* ZandrelCreateHttpClient(int timeoutMs) {
    return new switcher::QtHttpClient(nullptr, timeoutMs);
}
}
