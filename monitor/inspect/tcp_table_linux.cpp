#include "monitor/inspect/tcp_table.h"

#include <fcntl.h>
#include <unistd.h>

namespace monitor {
namespace {

// /proc/net/tcp of the network namespace we run in: IPv4 only, as the
// platform table of the game's era.
class ProcNetTcpSource final : public TcpTableSource {
public:
    explicit ProcNetTcpSource(std::string procRoot) : m_path(std::move(procRoot) + "/net/tcp") {}

    std::uint32_t Read(std::vector<TcpRow>& rows, std::uint32_t& size) override {
        rows.clear();
        size = kTcpTableBytes;
        if (!ReadAll())
            return 2; // the file cannot be read: "file not found"
        rows = ParseProcNetTcp(m_text);
        // The same bound as the platform table's fixed buffer.
        if (rows.size() > kMaxTcpRows) {
            size = static_cast<std::uint32_t>(4 + rows.size() * kTcpRowBytes);
            rows.clear();
            return kInsufficientBuffer;
        }
        SortTcpRows(rows);
        return 0;
    }

private:
    bool ReadAll() {
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        m_text.clear();
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0) {
                ::close(fd);
                return false;
            }
            if (n == 0)
                break;
            m_text.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
        return true;
    }

    std::string m_path;
    std::string m_text; // kept between calls: no new allocation per tick
};

} // namespace

std::unique_ptr<TcpTableSource> MakeTcpTableSource(std::string procRoot) {
    return std::make_unique<ProcNetTcpSource>(std::move(procRoot));
}

} // namespace monitor
