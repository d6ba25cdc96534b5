#include "monitor/inspect/tcp_table.h"

// The text of /proc/net/tcp: a header line, then one line per socket:
//   "  sl  local_address rem_address   st ..."
//   "   0: 0100007F:0CEA 00000000:0000 0A ..."
// Addresses are the 32-bit value in network byte order printed as a host
// number (little-endian on every machine we build for), ports are plain
// hexadecimal numbers, the state is the kernel's numbering.
namespace monitor {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads exactly `digits` hexadecimal digits at `pos`.
bool ReadHex(std::string_view line, std::size_t& pos, int digits, std::uint32_t& value) {
    if (line.size() < pos + static_cast<std::size_t>(digits))
        return false;
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int v = HexValue(line[pos + static_cast<std::size_t>(i)]);
        if (v < 0)
            return false;
        value = (value << 4) | static_cast<std::uint32_t>(v);
    }
    pos += static_cast<std::size_t>(digits);
    return true;
}

bool ReadEndpoint(std::string_view line, std::size_t& pos, std::array<std::uint8_t, 4>& address,
                  std::array<std::uint8_t, 4>& port) {
    std::uint32_t a = 0;
    std::uint32_t p = 0;
    if (!ReadHex(line, pos, 8, a) || pos >= line.size() || line[pos] != ':')
        return false;
    ++pos;
    if (!ReadHex(line, pos, 4, p))
        return false;
    address = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(a >> 8),
               static_cast<std::uint8_t>(a >> 16), static_cast<std::uint8_t>(a >> 24)};
    port = {static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p), 0, 0};
    return true;
}

void SkipBlanks(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
}

// Kernel states 1..11 in the Windows numbering.
constexpr std::uint32_t kWindowsState[12] = {0, 5, 3, 4, 6, 7, 11, 1, 8, 10, 2, 9};

bool ParseLine(std::string_view line, TcpRow& row) {
    std::size_t pos = 0;
    SkipBlanks(line, pos);
    const std::size_t colon = line.find(':', pos);
    if (colon == std::string_view::npos || colon == pos)
        return false;
    for (std::size_t i = pos; i < colon; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
    }
    pos = colon + 1;
    SkipBlanks(line, pos);
    if (!ReadEndpoint(line, pos, row.LocalAddress, row.LocalPort))
        return false;
    SkipBlanks(line, pos);
    if (!ReadEndpoint(line, pos, row.RemoteAddress, row.RemotePort))
        return false;
    SkipBlanks(line, pos);
    std::uint32_t state = 0;
    if (!ReadHex(line, pos, 2, state))
        return false;
    row.State = state < 12 ? kWindowsState[state] : 0;
    return true;
}

} // namespace

std::vector<TcpRow> ParseProcNetTcp(std::string_view text) {
    std::vector<TcpRow> rows;
    rows.reserve(text.size() / 150 + 1);
    std::size_t start = text.find('\n'); // the header line
    while (start != std::string_view::npos && start < text.size()) {
        ++start;
        std::size_t end = text.find('\n', start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        TcpRow row;
        if (ParseLine(line, row))
            rows.push_back(row);
        start = end;
    }
    return rows;
}

} // namespace monitor
