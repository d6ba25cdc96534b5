#include "common/single_instance.h"

#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace common {

bool AcquireSingleInstance(std::string_view name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // Abstract namespace: sun_path starts with a zero byte and the name
    // follows. Nothing appears in the file system, and the kernel drops the
    // name with the last descriptor, so a crashed program leaves no stale lock.
    const std::size_t room = sizeof(address.sun_path) - 1;
    const std::size_t length = name.size() < room ? name.size() : room;
    std::memcpy(address.sun_path + 1, name.data(), length);
    const auto addressLength = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);

    // Close-on-exec: programs the switcher starts must not keep the lock.
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), addressLength) != 0) {
        // EADDRINUSE: another process (or this one) holds the name. Any other
        // failure also means the lock could not be taken.
        close(fd);
        return false;
    }
    // The descriptor stays open for the life of the process; that is the lock.
    return true;
}

} // namespace common
