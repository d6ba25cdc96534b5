#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace switcher {

// What one HTTP request gave: `arrived` is true when a reply came, whatever
// its status (the body of an error status is a reply like any other); false
// when the connection failed, timed out or the body grew beyond the limit.
struct HttpResult {
    bool arrived = false;
    std::string body;
};

// Port: the HTTP client of the game list requests. Requests are asynchronous:
// `done` runs later on the caller's thread (a fake may run it at once). One
// client serves one request at a time; later requests wait their turn, and
// every caller receives the reply of its own request.
class HttpPort {
public:
    using Done = std::function<void(HttpResult)>;
    virtual ~HttpPort() = default;
    virtual void Get(const std::string& url, Done done) = 0;
    // A POST with an empty body.
    virtual void Post(const std::string& url, Done done) = 0;
};

// Reply bodies beyond this size count as failed requests, so a hostile
// service cannot make the switcher hold more.
inline constexpr std::size_t kMaxReplyBytes = 16u << 20;
// How long one request may take in all.
inline constexpr int kRequestTimeoutMs = 100000;

} // namespace switcher
