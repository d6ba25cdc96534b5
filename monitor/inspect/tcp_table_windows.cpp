#include "monitor/inspect/tcp_table.h"

#include <windows.h>

#include <cstring>
#include <iphlpapi.h>

namespace monitor {
namespace {

class GetTcpTableSource final : public TcpTableSource {
public:
    std::uint32_t Read(std::vector<TcpRow>& rows, std::uint32_t& size) override {
        rows.clear();
        ULONG bytes = kTcpTableBytes;
        // A 29000-byte table, rows sorted.
        const DWORD code = GetTcpTable(reinterpret_cast<PMIB_TCPTABLE>(m_buffer), &bytes, TRUE);
        size = bytes;
        if (code != NO_ERROR)
            return code;
        std::uint32_t count = 0;
        std::memcpy(&count, m_buffer, 4);
        if (count > kMaxTcpRows)
            count = kMaxTcpRows;
        rows.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const unsigned char* raw = m_buffer + 4 + i * kTcpRowBytes;
            TcpRow& row = rows[i];
            std::memcpy(&row.State, raw, 4);
            std::memcpy(row.LocalAddress.data(), raw + 4, 4);
            std::memcpy(row.LocalPort.data(), raw + 8, 4);
            std::memcpy(row.RemoteAddress.data(), raw + 12, 4);
            std::memcpy(row.RemotePort.data(), raw + 16, 4);
        }
        return 0;
    }

private:
    alignas(8) unsigned char m_buffer[kTcpTableBytes];
};

} // namespace

std::unique_ptr<TcpTableSource> MakeTcpTableSource(std::string) {
    return std::make_unique<GetTcpTableSource>();
}

} // namespace monitor
