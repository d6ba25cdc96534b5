#include "monitor/network_module_qt.h"

#include "monitor/inspect/inspect_faults.h"

#include <QCoreApplication>
#include <QLibrary>

namespace monitor {

SocketArrayMaker NetworkModuleMaker() {
    return [](int members, SocketEvents* events) -> std::unique_ptr<SocketArray> {
        // Never unloaded: the sockets it makes live until the program ends.
        QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/varnok_net"));
        auto make = reinterpret_cast<MakeSocketArrayFunction>(module.resolve(kMakeSocketArraySymbol));
        if (!make) {
            ReportError(ErrorSinkReporter(), 126, "varnok", "LoadNetworkModule",
                        module.errorString().toStdString());
            return nullptr;
        }
        return std::unique_ptr<SocketArray>(make(members, events));
    };
}

} // namespace monitor
