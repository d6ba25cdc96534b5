#pragma once

#include <string>
#include <vector>

// Real TCP connections on 127.0.0.1 for the table tests: a listener on a
// free port and `count` accepted connections to it, held open while the
// object lives.
namespace monitortest {

class LoopbackLinks {
public:
    explicit LoopbackLinks(int count);
    ~LoopbackLinks();
    LoopbackLinks(const LoopbackLinks&) = delete;
    LoopbackLinks& operator=(const LoopbackLinks&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    int port() const { return m_port; }

private:
    std::vector<long long> m_handles;
    int m_port = 0;
    std::string m_error;
};

} // namespace monitortest
