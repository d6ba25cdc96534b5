#include "monitor/peers/quiet_link.h"

namespace monitor {

QuietLink::QuietLink(std::intptr_t descriptor) : m_descriptor(descriptor) {
    quiet_link_os::MakeNonBlocking(m_descriptor);
}

QuietLink::~QuietLink() {
    quiet_link_os::CloseDescriptor(m_descriptor);
}

bool QuietLink::Pull(std::size_t cap) {
    if (m_failed)
        return false;
    char chunk[16384];
    while (m_in.size() <= cap) {
        const long got = quiet_link_os::Receive(m_descriptor, chunk, sizeof chunk);
        if (got > 0) {
            m_in.append(chunk, static_cast<std::size_t>(got));
            // A short read emptied what the system held: asking again would
            // only hear "nothing waits" (a close behind it is seen next time).
            if (static_cast<std::size_t>(got) < sizeof chunk)
                return true;
            continue;
        }
        if (got == -1)
            return true;
        m_failed = true;
        return false;
    }
    return true;
}

void QuietLink::Flush() {
    std::size_t sent = 0;
    while (!m_failed && sent < m_out.size()) {
        const long taken = quiet_link_os::Transmit(m_descriptor, m_out.data() + sent, m_out.size() - sent);
        if (taken == -1)
            break;
        if (taken < 0) {
            m_failed = true;
            break;
        }
        sent += static_cast<std::size_t>(taken);
    }
    m_out.erase(0, sent);
}

std::string QuietLink::PeerAddress() const {
    return quiet_link_os::PeerAddress(m_descriptor);
}

std::string QuietLink::LocalAddress() const {
    return quiet_link_os::LocalAddress(m_descriptor);
}

} // namespace monitor
