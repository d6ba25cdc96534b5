#include "monitor/single_instance_qt.h"

#include <QtGlobal>

namespace monitor {

QString InstanceName() {
    const QString own = qEnvironmentVariable("VARNOK_INSTANCE");
    if (!own.isEmpty())
        return own;
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return QStringLiteral("varnok-") + user;
}

} // namespace monitor
