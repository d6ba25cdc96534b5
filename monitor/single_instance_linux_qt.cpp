// The activation channel on a Unix socket in the abstract namespace, watched
// with socket notifiers: QtCore alone, so a monitor that never opens a peer
// link never loads QtNetwork.
#include "common/single_instance.h"
#include "monitor/single_instance_qt.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace monitor {

namespace {

constexpr char kActivate[] = "activate";
constexpr int kWaitMs = 2000;
// A later start sends one short word; more is never read.
constexpr std::size_t kRequestBytes = 64;

// The abstract address of the name: a leading NUL, then the name's bytes
// (cut to fit), no file in the file system.
socklen_t AbstractAddress(const QString& name, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const QByteArray bytes = name.toUtf8();
    const std::size_t length = std::min(static_cast<std::size_t>(bytes.size()), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, bytes.constData(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

} // namespace

InstanceChannel::InstanceChannel(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {}

InstanceChannel::~InstanceChannel() {
    delete m_listener; // before its socket is closed
    if (m_socket >= 0)
        close(static_cast<int>(m_socket));
}

bool InstanceChannel::BecomeFirst() {
    // The lock is an abstract socket of its own; the kernel frees it with the
    // process, so a crashed monitor never blocks the next one.
    if (!common::AcquireSingleInstance((QStringLiteral("lock-") + m_name).toStdString()))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true; // the monitor runs; later starts just cannot raise it
    sockaddr_un address;
    const socklen_t length = AbstractAddress(m_name, address);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return true;
    }
    m_socket = fd;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_listener = notifier;
    connect(notifier, &QSocketNotifier::activated, this, &InstanceChannel::OnConnection);
    return true;
}

bool InstanceChannel::ActivateFirst(const QString& name) {
    sockaddr_un address;
    const socklen_t length = AbstractAddress(name, address);
    // The first monitor may hold the lock but not listen yet: try a few times.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        const timeval wait{kWaitMs / 1000, (kWaitMs % 1000) * 1000};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
            const ssize_t sent = send(fd, kActivate, sizeof kActivate - 1, MSG_NOSIGNAL);
            close(fd);
            return sent == static_cast<ssize_t>(sizeof kActivate - 1);
        }
        close(fd);
        QThread::msleep(200);
    }
    return false;
}

void InstanceChannel::OnConnection() {
    for (;;) {
        const int client =
            accept4(static_cast<int>(m_socket), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            return; // nothing more waiting (or a transient failure: the notifier fires again)
        // Only the word "activate" raises the window; anything else, or a
        // connection that closes without a word, is ignored. The request is
        // read when it arrives; the connection then ends.
        auto* notifier = new QSocketNotifier(client, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier, client] {
            char request[kRequestBytes];
            const ssize_t got = recv(client, request, sizeof request, 0);
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            if (got > 0 && QByteArray(request, static_cast<int>(got)).startsWith(kActivate))
                emit ActivationRequested();
            notifier->setEnabled(false);
            notifier->deleteLater();
            close(client);
        });
    }
}

} // namespace monitor
