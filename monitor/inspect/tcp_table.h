#pragma once

#include "monitor/shared_state.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The machine's TCP connection table and the search in it for the machine
// that hosts the game: a remote address reached through a port in 2300..2400
// with at least two established connections outside the monitors' own port.
namespace monitor {

inline constexpr int kGamePortLow = 2300;
inline constexpr int kGamePortHigh = 2400;
inline constexpr int kTcpEstablished = 5;
// The table buffer is announced as 29000 bytes: a 4-byte count and rows of
// 20 bytes, so at most 1449 rows.
inline constexpr std::uint32_t kTcpTableBytes = 29000;
inline constexpr std::size_t kTcpRowBytes = 20;
inline constexpr std::size_t kMaxTcpRows = (kTcpTableBytes - 4) / kTcpRowBytes;
// The platform's code for a buffer that is too small.
inline constexpr std::uint32_t kInsufficientBuffer = 122;

// One row as the platform delivers it. States use the Windows numbering
// (1 closed, 2 listen, ..., 5 established, ...). Port fields hold the port in
// network byte order in their first two bytes; the address bytes are in
// network order too.
struct TcpRow {
    std::uint32_t State = 0;
    std::array<std::uint8_t, 4> LocalAddress{};
    std::array<std::uint8_t, 4> LocalPort{};
    std::array<std::uint8_t, 4> RemoteAddress{};
    std::array<std::uint8_t, 4> RemotePort{};
};

// Port: the source of the table. Returns 0 and fills `rows` (sorted by local
// address, local port, remote address, remote port), or the platform's error
// code with `size` set to the byte count the platform reported back.
class TcpTableSource {
public:
    virtual ~TcpTableSource() = default;
    virtual std::uint32_t Read(std::vector<TcpRow>& rows, std::uint32_t& size) = 0;
};

// Windows: GetTcpTable. Linux: /proc/net/tcp under `procRoot`.
std::unique_ptr<TcpTableSource> MakeTcpTableSource(std::string procRoot = "/proc");

// First byte * 256 + second byte.
int PortFromBytes(const std::array<std::uint8_t, 4>& field);
// Dotted decimal, byte by byte in stored order.
std::string AddressText(const std::array<std::uint8_t, 4>& address);
// The text of the first n bytes up to the first NUL.
std::string TextFromBytes(const std::uint8_t* bytes, std::size_t n);

// Fills `candidates` from slot 0 upward (the caller has reset every slot to
// "0"): a row nominates its remote address when that is not 0.0.0.0, its
// local or remote port lies in 2300..2400, the address is not
// `externalAddress`, and this monitor is a joiner; the nomination stays when
// the whole table holds at least two rows with that remote address, a remote
// port that is neither 0 nor `monitorPort` and a local port that is not
// `monitorPort` (only established rows have a remote port). Counting is done
// once per address. After slot 28 is filled the analysis stops.
void AnalyseTcpTable(const std::vector<TcpRow>& rows, bool isServer, int monitorPort,
                     std::string_view externalAddress, std::array<std::string, kCandidateSlots>& candidates);

// The text of the message shown when the table cannot be read.
std::string TcpTableErrorText(std::uint32_t code, std::uint32_t size);

// Parses the text of /proc/net/tcp into rows (IPv4 only, states mapped to the
// Windows numbering), in file order. Lines that do not parse are skipped.
std::vector<TcpRow> ParseProcNetTcp(std::string_view text);

// Sorts rows as GetTcpTable does when asked for a sorted table.
void SortTcpRows(std::vector<TcpRow>& rows);

} // namespace monitor
