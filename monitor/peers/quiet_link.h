#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace monitor {

// An accepted TCP link held on its bare descriptor, outside the event loop:
// nothing watches it, and its owner takes what has arrived when it chooses.
// The server takes its joiners' frames at its tick, so a game of 47 costs it
// a few wake-ups per tick instead of one per frame.
class QuietLink {
public:
    // Takes over the descriptor and makes it non-blocking.
    explicit QuietLink(std::intptr_t descriptor);
    ~QuietLink();
    QuietLink(const QuietLink&) = delete;
    QuietLink& operator=(const QuietLink&) = delete;

    // Moves what the system holds into Buffered(), until that holds more
    // than `cap` bytes. False once the peer has closed the link or the link
    // has failed; what came before stays buffered.
    bool Pull(std::size_t cap);
    // Queues bytes; Flush sends what the system takes now, and the rest
    // waits, in order, for the next Flush. A caller that queues many frames
    // at once pays for one system call per link, not one per frame.
    void Send(std::string_view bytes) { m_out.append(bytes); }
    void Flush();

    std::string& Buffered() { return m_in; }
    std::size_t Unsent() const { return m_out.size(); }
    bool Failed() const { return m_failed; }
    // Dotted addresses of the two ends; empty when unknown.
    std::string PeerAddress() const;
    std::string LocalAddress() const;

private:
    std::intptr_t m_descriptor;
    std::string m_in;
    std::string m_out;
    bool m_failed = false;
};

// The system's side of a quiet link (one file per platform).
namespace quiet_link_os {
// Bytes read (> 0), 0 when the peer has closed, -1 when nothing waits, -2
// on failure.
long Receive(std::intptr_t descriptor, char* buffer, std::size_t size);
// Bytes taken (>= 0), -1 when the system takes nothing now, -2 on failure.
long Transmit(std::intptr_t descriptor, const char* bytes, std::size_t size);
void MakeNonBlocking(std::intptr_t descriptor);
void CloseDescriptor(std::intptr_t descriptor);
std::string PeerAddress(std::intptr_t descriptor);
std::string LocalAddress(std::intptr_t descriptor);
} // namespace quiet_link_os

} // namespace monitor
