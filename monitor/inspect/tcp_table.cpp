#include "monitor/inspect/tcp_table.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace monitor {
namespace {

std::uint32_t AddressKey(const std::array<std::uint8_t, 4>& a) {
    return (std::uint32_t(a[0]) << 24) | (std::uint32_t(a[1]) << 16) | (std::uint32_t(a[2]) << 8) | a[3];
}

bool InGameRange(int port) {
    return port >= kGamePortLow && port <= kGamePortHigh;
}

int RemotePort(const TcpRow& row) {
    return row.State == kTcpEstablished ? PortFromBytes(row.RemotePort) : 0;
}

} // namespace

int PortFromBytes(const std::array<std::uint8_t, 4>& field) {
    return field[0] * 256 + field[1];
}

std::string AddressText(const std::array<std::uint8_t, 4>& address) {
    std::string text;
    text.reserve(15);
    for (std::size_t i = 0; i < 4; ++i) {
        if (i)
            text += '.';
        text += std::to_string(address[i]);
    }
    return text;
}

std::string TextFromBytes(const std::uint8_t* bytes, std::size_t n) {
    std::size_t end = 0;
    while (end < n && bytes[end] != 0)
        ++end;
    return std::string(reinterpret_cast<const char*>(bytes), end);
}

void AnalyseTcpTable(const std::vector<TcpRow>& rows, bool isServer, int monitorPort,
                     std::string_view externalAddress, std::array<std::string, kCandidateSlots>& candidates) {
    if (isServer)
        return;
    // One pass counts, per remote address, the rows that speak for it; each
    // nomination then looks its count up instead of walking the table again.
    std::unordered_map<std::uint32_t, int> counts;
    counts.reserve(rows.size());
    for (const TcpRow& row : rows) {
        const int remotePort = RemotePort(row);
        if (remotePort != 0 && remotePort != monitorPort && PortFromBytes(row.LocalPort) != monitorPort)
            ++counts[AddressKey(row.RemoteAddress)];
    }
    std::size_t slot = 0;
    for (const TcpRow& row : rows) {
        const std::uint32_t key = AddressKey(row.RemoteAddress);
        if (key == 0)
            continue;
        if (!InGameRange(PortFromBytes(row.LocalPort)) && !InGameRange(RemotePort(row)))
            continue;
        std::string address = AddressText(row.RemoteAddress);
        if (address == externalAddress)
            continue;
        const auto found = counts.find(key);
        if (found == counts.end() || found->second < 2)
            continue;
        candidates[slot] = std::move(address);
        if (++slot == candidates.size())
            return; // no slot beyond the last
    }
}

std::string TcpTableErrorText(std::uint32_t code, std::uint32_t size) {
    return "Error analyzing Netstate! Try to DISABLE P2P Software! " + std::to_string(code) + ":" +
           std::to_string(size);
}

void SortTcpRows(std::vector<TcpRow>& rows) {
    const auto key = [](const TcpRow& r) {
        return std::make_tuple(AddressKey(r.LocalAddress), PortFromBytes(r.LocalPort),
                               AddressKey(r.RemoteAddress), PortFromBytes(r.RemotePort));
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const TcpRow& a, const TcpRow& b) { return key(a) < key(b); });
}

} // namespace monitor
