// The peer links of the monitor: roles' socket use, framing, relays and the
// joiner's search for the server (the rest of MonitorEngine is in
// monitor_engine.cpp).
#include "monitor/monitor_engine.h"
#include "monitor/peers/frame.h"
#include "monitor/peers/status_report.h"
#include "monitor/printable_text.h"

namespace monitor {

int MonitorEngine::AllocateSocket() {
    SocketArray& sockets = m_ports.Sockets;
    for (int slot = 1; slot < sockets.Count(); ++slot) {
        if (sockets.State(slot) == SocketState::Closed)
            return slot;
    }
    return sockets.Add();
}

void MonitorEngine::SendFrame(const std::string& text, int slot) {
    SocketArray& sockets = m_ports.Sockets;
    if (slot < 0 || slot >= sockets.Count())
        return;
    SendEncoded(EncodeFrame(text), slot);
}

void MonitorEngine::BroadcastFrame(const std::string& text) {
    if (m_ports.Sockets.Count() <= 1)
        return;
    // Framed once for every joiner.
    const std::string frame = EncodeFrame(text);
    for (int slot = 1; slot < m_ports.Sockets.Count(); ++slot)
        SendEncoded(frame, slot);
}

void MonitorEngine::SendEncoded(const std::string& frame, int slot) {
    SocketArray& sockets = m_ports.Sockets;
    if (sockets.State(slot) == SocketState::Closing)
        sockets.Close(slot);
    if (sockets.State(slot) != SocketState::Connected)
        return;
    sockets.Send(slot, frame);
    if (sockets.BytesToWrite(slot) > kUnsentCap) {
        // A peer that takes nothing would keep every frame in our memory.
        sockets.Close(slot);
        if (IsServer() && slot < kPeerSlots)
            m_state.PeerTable[static_cast<std::size_t>(slot)] = kEmptySlot;
    }
}

void MonitorEngine::OnConnectionRequest(int, int requestId) {
    if (!IsServer()) {
        m_ports.Sockets.Reject(requestId);
        return;
    }
    // One address may not take every slot; a LAN party behind one address
    // still fits.
    const std::string address = m_ports.Sockets.RequestAddress(requestId);
    int taken = 0;
    for (int slot = 1; slot < m_ports.Sockets.Count(); ++slot) {
        if (m_ports.Sockets.State(slot) != SocketState::Closed &&
            m_ports.Sockets.RemoteAddress(slot) == address)
            ++taken;
    }
    if (taken >= kSlotsPerAddress) {
        m_ports.Sockets.Reject(requestId);
        return;
    }
    const int slot = AllocateSocket();
    // Slots beyond the last-seen table could never be judged silent.
    if (slot > kLastServerSlot) {
        m_ports.Sockets.Reject(requestId);
        return;
    }
    // Nothing is sent: the joiner speaks first. Its silence counts from
    // here, so a first report slowed by a long link is not taken for silence.
    m_ports.Sockets.Accept(slot, requestId);
    m_state.PeerLastSeen[static_cast<std::size_t>(slot)] = m_ports.Clock.Steady();
}

void MonitorEngine::OnConnect(int slot) {
    if (slot != 0 || IsServer())
        return;
    // The server's first relay may be a whole server tick away: the silence
    // of the new link counts from its connect, not from the role change.
    m_state.LastServerUpdate = m_ports.Clock.Steady();
    SendFrame(BuildOwnReport(m_state), 0);
}

void MonitorEngine::OnDataArrival(int slot, std::size_t bytesBuffered) {
    SocketArray& sockets = m_ports.Sockets;
    if (slot < 0 || slot >= sockets.Count())
        return;
    if (bytesBuffered > (IsServer() ? kServerReadCap : kJoinerReadCap) || (!IsServer() && slot != 0)) {
        // A flood, or a link a joiner never opened.
        sockets.Close(slot);
        if (IsServer() && slot < kPeerSlots)
            m_state.PeerTable[slot] = kEmptySlot;
        return;
    }
    if (IsServer())
        ServerArrival(slot, bytesBuffered);
    else
        JoinerArrival(bytesBuffered);
}

void MonitorEngine::ServerArrival(int slot, std::size_t bytesBuffered) {
    SocketArray& sockets = m_ports.Sockets;
    if (bytesBuffered < kPrefixLength)
        return;
    const int n = FrameLength(sockets.Peek(slot, kPrefixLength));
    if (n < 0) {
        // The stream cannot be re-synchronised: this link ends here.
        sockets.Close(slot);
        m_state.PeerTable[slot] = kEmptySlot;
        return;
    }
    if (bytesBuffered < static_cast<std::size_t>(n) + kPrefixLength)
        return;
    // One frame per arrival; the rest waits for the next one.
    const std::string frame = sockets.Read(slot, static_cast<std::size_t>(n) + kPrefixLength);
    const std::string payload = frame.substr(kPrefixLength);
    // Only the shape of a status report is kept: anything else (an "Empty"
    // relay among them) would blank another player's line on every joiner.
    if (slot > kLastServerSlot || !HasReportShape(payload))
        return;
    m_state.PeerTable[slot] = WithoutControlBytes(payload);
    m_state.PeerLastSeen[slot] = m_ports.Clock.Steady();
}

void MonitorEngine::JoinerArrival(std::size_t bytesBuffered) {
    SocketArray& sockets = m_ports.Sockets;
    if (bytesBuffered < kPrefixLength)
        return;
    int n = FrameLength(sockets.Peek(0, kPrefixLength));
    if (n < 0) {
        sockets.Close(0);
        return;
    }
    if (bytesBuffered < static_cast<std::size_t>(n) + kPrefixLength)
        return;
    std::string frame = sockets.Read(0, static_cast<std::size_t>(n) + kPrefixLength);
    m_state.LastUpdateText = m_ports.DateTime.ShortTime(m_ports.Clock.Now());
    m_state.LastServerUpdate = m_ports.Clock.Steady();

    // Every complete frame in the buffer.
    std::size_t remaining = bytesBuffered;
    while (remaining >= 5) {
        ApplyRelayedFrame(frame);
        remaining -= frame.size();
        if (remaining < kPrefixLength)
            break;
        n = FrameLength(sockets.Peek(0, kPrefixLength));
        if (n < 0) {
            sockets.Close(0);
            break;
        }
        if (remaining < static_cast<std::size_t>(n) + kPrefixLength)
            break; // the incomplete frame stays buffered
        frame = sockets.Read(0, static_cast<std::size_t>(n) + kPrefixLength);
    }
}

void MonitorEngine::ApplyRelayedFrame(const std::string& frame) {
    const std::string_view report = std::string_view(frame).substr(kPrefixLength);
    const RelayedEntry relayed = ReadRelayed(report);
    if (!relayed.slot || *relayed.slot >= kPeerSlots)
        return;
    m_state.PeerTable[static_cast<std::size_t>(*relayed.slot)] =
        relayed.free ? std::string(kEmptySlot) : WithoutControlBytes(std::string(report));
}

void MonitorEngine::OnClose(int slot) {
    SocketArray& sockets = m_ports.Sockets;
    if (slot < 0 || slot >= sockets.Count())
        return;
    const bool closing = sockets.State(slot) == SocketState::Closing;
    if (IsServer()) {
        // A joiner that leaves before its first report is dropped silently.
        if (slot < kPeerSlots && HoldsReport(m_state.PeerTable[slot]) && closing) {
            Warn(ReadReport(m_state.PeerTable[slot]).tail + " " + sockets.RemoteAddress(slot) +
                 " has disconnected!");
            m_state.PeerTable[slot] = kEmptySlot;
        }
    } else if (slot == 0 && closing) {
        Warn("Server has disconnected!");
    }
    Evaluate();
}

void MonitorEngine::JoinerConnectTick() {
    SocketArray& sockets = m_ports.Sockets;
    if (sockets.State(0) == SocketState::Connected) {
        const std::string address = sockets.RemoteAddress(0);
        // Closing forgets the host, and the label still names it below.
        const std::string host = sockets.RemoteHost(0);
        bool present = false;
        for (int i = 0; i < kTriedCandidates && !present; ++i)
            present = m_state.CandidateServers[static_cast<std::size_t>(i)] == address;
        if (!present) {
            sockets.Close(0);
            AddLogLine("No longer in game - disconnected!");
        }
        SetInterval(kJoinerConnectedTickMs);
        m_state.LastUpdateText = m_ports.DateTime.ShortTime(m_ports.Clock.Now());
        m_display.Label3 = "Connected to: " + host + "    Last update : " + m_state.LastUpdateText;
        Changed();
        return;
    }
    SetInterval(kJoinerSearchTickMs);
    CloseAll();
    if (m_state.CandidateServers[0] == kNoCandidate)
        return;
    const std::string target = m_state.CandidateServers[static_cast<std::size_t>(m_state.CandidateCursor)];
    if (++m_state.CandidateCursor >= kTriedCandidates)
        m_state.CandidateCursor = 0;
    if (target == kNoCandidate) {
        m_state.CandidateServers[0] = kNoCandidate;
        m_state.CandidateCursor = 0;
        return;
    }
    m_display.Label3 = "Trying to connect to: " + target;
    sockets.Connect(0, target, m_state.MonitorPort);
    Changed();
}

} // namespace monitor
