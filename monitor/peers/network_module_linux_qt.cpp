#include "common/installed_layout.h"
#include "monitor/inspect/inspect_faults.h"
#include "monitor/peers/network_module_qt.h"

#include <QLibrary>

namespace monitor {

SocketArrayMaker NetworkModuleMaker(ErrorReporter errors) {
    return [errors = std::move(errors)](int members, SocketEvents* events) -> std::unique_ptr<SocketArray> {
        // Never unloaded: the sockets it makes live until the program ends.
        QLibrary module(QString::fromStdString(common::PrivateModulePath("varnok", "varnok_net.so")));
        auto make = reinterpret_cast<MakeSocketArrayFunction>(module.resolve(kMakeSocketArraySymbol));
        if (!make) {
            ReportError(errors, 126, "varnok", "LoadNetworkModule", module.errorString().toStdString());
            return nullptr;
        }
        return std::unique_ptr<SocketArray>(make(members, events));
    };
}

} // namespace monitor
