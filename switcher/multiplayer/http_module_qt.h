#pragma once

#include "common/message_sink.h"
#include "switcher/multiplayer/http_port.h"

#include <QObject>
#include <QStringList>
#include <memory>

namespace switcher {

// The HTTP client lives in a module of its own (zandrel_http), so that zandrel
// does not load the network stack at start-up: most runs never make a request.
// The module exports these two functions.
inline constexpr int kHttpModuleAbi = 1;
using HttpModuleAbiFunction = int (*)();                // "ZandrelHttpModuleAbi"
using HttpClientFactory = HttpPort* (*)(int timeoutMs); // "ZandrelCreateHttpClient"

// Where the module is looked for, in order (file names without the suffix).
QStringList HttpModuleLocations();

// A program that links the HTTP client itself (the window tests do) hands its
// factory here at start-up; the client is then made from it and no module is
// loaded. zandrel leaves it unset.
void SetBuiltInHttpClient(HttpClientFactory factory);

// The HTTP port on the module's client, which is loaded at the first request.
// When the module cannot be loaded, that first request shows why on `sink`
// (when one is given), and every request fails as an unreachable service
// would: its completion runs later from the event loop with nothing arrived.
class DeferredHttpClient : public QObject, public HttpPort {
public:
    explicit DeferredHttpClient(common::MessageSink* sink, QStringList locations = HttpModuleLocations(),
                                int timeoutMs = kRequestTimeoutMs);
    ~DeferredHttpClient() override;

    void Get(const std::string& url, Done done) override;
    void Post(const std::string& url, Done done) override;

    // Whether a client is there: false before the first request and after a
    // failed load.
    bool Loaded() const { return m_client != nullptr; }

private:
    HttpPort* Client();
    void Fail(Done done);

    common::MessageSink* m_sink;
    QStringList m_locations;
    int m_timeoutMs;
    bool m_tried = false;
    std::unique_ptr<HttpPort> m_client;
};

} // namespace switcher
