// The entry point of the varnok_net module.
#include "monitor/peers/network_module_qt.h"
#include "monitor/peers/socket_array_qt.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT monitor::SocketArray* VarnokMakeSocketArray(int members,
                                                                     monitor::SocketEvents* events) {
    auto* sockets = new monitor::QtSocketArray(members);
    sockets->SetEvents(events);
    return sockets;
}
