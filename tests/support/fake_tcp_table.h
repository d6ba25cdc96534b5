#pragma once

#include "monitor/inspect/tcp_table.h"

#include <cstdint>
#include <vector>

namespace testsupport {

// The machine's TCP table as the test sets it: `rows` on success, or the
// error `code` with no rows. Empty until the test adds rows.
class FakeTcpTable final : public monitor::TcpTableSource {
public:
    std::uint32_t Read(std::vector<monitor::TcpRow>& out, std::uint32_t& outSize) override {
        ++reads;
        out = code ? std::vector<monitor::TcpRow>{} : rows;
        outSize = size;
        return code;
    }

    std::vector<monitor::TcpRow> rows;
    std::uint32_t code = 0;
    std::uint32_t size = monitor::kTcpTableBytes; // the byte count reported back
    int reads = 0;
};

} // namespace testsupport
