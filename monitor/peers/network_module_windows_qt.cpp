#include "monitor/peers/network_module_qt.h"

// Built against a static Qt, a module would hold a second copy of Qt: on
// Windows the socket array is linked into the program instead.
extern "C" monitor::SocketArray* VarnokMakeSocketArray(int members, monitor::SocketEvents* events);

namespace monitor {

SocketArrayMaker NetworkModuleMaker(ErrorReporter) {
    return [](int members, SocketEvents* events) -> std::unique_ptr<SocketArray> {
        return std::unique_ptr<SocketArray>(VarnokMakeSocketArray(members, events));
    };
}

} // namespace monitor
