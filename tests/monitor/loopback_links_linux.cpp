#include "monitor/inspect/tcp_table.h"
#include "tests/monitor/loopback_links.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace monitortest {

LoopbackLinks::LoopbackLinks(int count) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        m_error = "cannot listen on loopback";
        return;
    }
    m_handles.push_back(listener);
    m_port = ntohs(address.sin_port);
    for (int i = 0; i < count; ++i) {
        const int client = ::socket(AF_INET, SOCK_STREAM, 0);
        if (client < 0 || ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            m_error = "cannot connect on loopback";
            return;
        }
        m_handles.push_back(client);
        const int accepted = ::accept(listener, nullptr, nullptr);
        if (accepted >= 0)
            m_handles.push_back(accepted);
    }
}

LoopbackLinks::~LoopbackLinks() {
    for (long long handle : m_handles)
        ::close(static_cast<int>(handle));
}

} // namespace monitortest

TEST(TcpTableSource, MissingTableGivesAnErrorCode) {
    auto source = monitor::MakeTcpTableSource("/nonexistent-proc-root");
    std::vector<monitor::TcpRow> rows{monitor::TcpRow{}};
    std::uint32_t size = 0;
    EXPECT_NE(source->Read(rows, size), 0u);
    EXPECT_TRUE(rows.empty());
}
