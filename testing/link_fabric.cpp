#include "testing/link_fabric.h"

namespace linksim {

namespace {

constexpr std::size_t kEthernetHeader = 14;
// Bounds the memory of a switch that is fed faster than its lines drain.
constexpr std::size_t kMaxInFlight = 100'000;
constexpr std::size_t kMaxStations = 8192;

// Spreads one seed into independent seeds, one per direction of each line,
// so the draws of one line do not depend on traffic on the others.
std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

std::uint64_t Mac(const std::vector<std::uint8_t>& frame, std::size_t at) {
    std::uint64_t mac = 0;
    for (std::size_t i = 0; i < 6; ++i)
        mac = mac << 8 | frame[at + i];
    return mac;
}

bool IsGroupAddress(std::uint64_t mac) {
    return (mac >> 40) & 1;
}

} // namespace

LinkFabric::Port::Port(std::uint64_t seed) : toSwitch(SplitMix(seed)), toHost(SplitMix(seed + 1)) {}

LinkFabric::LinkFabric(std::size_t ports, std::uint64_t seed) {
    m_ports.reserve(ports);
    for (std::size_t i = 0; i < ports; ++i)
        m_ports.emplace_back(SplitMix(seed + 2 * i));
}

void LinkFabric::Receive(std::size_t port, Frame frame, LinkTime now) {
    if (port >= m_ports.size() || !frame || frame->size() < kEthernetHeader)
        return;
    ++m_ports[port].counters.framesIn;
    Enter(port, Leg::ToSwitch, std::move(frame), now);
}

void LinkFabric::Enter(std::size_t port, Leg leg, Frame frame, LinkTime now) {
    Port& p = m_ports[port];
    if (m_flight.size() >= kMaxInFlight) {
        ++p.counters.droppedQueue;
        return;
    }
    LineDirection& direction = leg == Leg::ToSwitch ? p.toSwitch : p.toHost;
    const Passage passage = direction.Admit(p.settings, now, frame->size());
    switch (passage.verdict) {
    case Verdict::Pass:
        m_flight.push({passage.departure, m_sequence++, leg, port, std::move(frame)});
        break;
    case Verdict::Loss:
        ++p.counters.droppedLoss;
        break;
    case Verdict::Partition:
        ++p.counters.droppedPartition;
        break;
    case Verdict::Queue:
        ++p.counters.droppedQueue;
        break;
    }
}

void LinkFabric::Learn(std::uint64_t mac, std::size_t port) {
    if (IsGroupAddress(mac))
        return;
    if (m_stations.size() >= kMaxStations && !m_stations.contains(mac))
        m_stations.clear();
    m_stations[mac] = port;
}

void LinkFabric::Switch(std::size_t from, const Frame& frame, LinkTime now) {
    Learn(Mac(*frame, 6), from);
    const std::uint64_t destination = Mac(*frame, 0);
    if (!IsGroupAddress(destination)) {
        if (const auto known = m_stations.find(destination); known != m_stations.end()) {
            // A frame for a station on its own port never leaves the switch.
            if (known->second != from)
                Enter(known->second, Leg::ToHost, frame, now);
            return;
        }
    }
    for (std::size_t port = 0; port < m_ports.size(); ++port)
        if (port != from)
            Enter(port, Leg::ToHost, frame, now);
}

void LinkFabric::Advance(LinkTime now, const DeliverFrame& deliver) {
    while (!m_flight.empty() && m_flight.top().due <= now) {
        InFlight f = m_flight.top();
        m_flight.pop();
        Port& p = m_ports[f.port];
        // A cable cut while the frame was on it loses the frame too.
        if (p.settings.partition) {
            ++p.counters.droppedPartition;
            continue;
        }
        if (f.leg == Leg::ToSwitch) {
            Switch(f.port, f.frame, f.due);
        } else if (deliver(f.port, *f.frame)) {
            ++p.counters.framesOut;
        } else {
            ++p.counters.droppedQueue;
        }
    }
}

std::optional<LinkTime> LinkFabric::NextDue() const {
    if (m_flight.empty())
        return std::nullopt;
    return m_flight.top().due;
}

} // namespace linksim
