#pragma once

// The inside of the link switch without its devices: a learning Ethernet
// switch whose every port is a line with its own impairment. A frame from
// host A to host B crosses A's line toward the switch, is switched, then
// crosses B's line toward B; frames in flight wait in one timer queue.
#include "testing/link_impairment.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <queue>
#include <unordered_map>
#include <vector>

namespace linksim {

using Frame = std::shared_ptr<const std::vector<std::uint8_t>>;

struct PortCounters {
    std::uint64_t framesIn = 0;  // read from the host
    std::uint64_t framesOut = 0; // handed to the host
    std::uint64_t droppedLoss = 0;
    std::uint64_t droppedPartition = 0;
    std::uint64_t droppedQueue = 0; // serialiser queue full, or the host did not take it
};

// Hands a frame to the host of a port; false when the host did not take it.
using DeliverFrame = std::function<bool(std::size_t port, const std::vector<std::uint8_t>& frame)>;

class LinkFabric {
public:
    LinkFabric(std::size_t ports, std::uint64_t seed);

    std::size_t Ports() const { return m_ports.size(); }
    LineSettings& Settings(std::size_t port) { return m_ports[port].settings; }
    const PortCounters& Counters(std::size_t port) const { return m_ports[port].counters; }

    // A frame the host of `port` sent, read at `now`.
    void Receive(std::size_t port, Frame frame, LinkTime now);
    // Moves every frame whose time has come, in time order.
    void Advance(LinkTime now, const DeliverFrame& deliver);
    // When the next frame is due, if any is in flight.
    std::optional<LinkTime> NextDue() const;
    std::size_t FramesInFlight() const { return m_flight.size(); }

private:
    struct Port {
        explicit Port(std::uint64_t seed);
        LineSettings settings;
        LineDirection toSwitch;
        LineDirection toHost;
        PortCounters counters;
    };
    enum class Leg { ToSwitch, ToHost };
    struct InFlight {
        LinkTime due;
        std::uint64_t sequence; // equal times leave in the order they entered
        Leg leg;
        std::size_t port;
        Frame frame;
    };
    struct LaterFirst {
        bool operator()(const InFlight& a, const InFlight& b) const {
            return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
        }
    };

    void Enter(std::size_t port, Leg leg, Frame frame, LinkTime now);
    void Switch(std::size_t from, const Frame& frame, LinkTime now);
    void Learn(std::uint64_t mac, std::size_t port);

    std::vector<Port> m_ports;
    std::priority_queue<InFlight, std::vector<InFlight>, LaterFirst> m_flight;
    std::uint64_t m_sequence = 0;
    std::unordered_map<std::uint64_t, std::size_t> m_stations; // MAC address -> port
};

} // namespace linksim
