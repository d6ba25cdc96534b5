#include "switcher/multiplayer/http_module_qt.h"

#include "common/installed_layout.h"
#include "common/qt/ui_text_qt.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTimer>

namespace switcher {

namespace {

// A global because a program registers it by linking a file in
// (built_in_http_client.cpp), before main runs and without anything to hand
// it to. Constant-initialised, so a registration from another file's static
// initialiser never runs before it.
HttpClientFactory g_builtIn = nullptr;

} // namespace

QStringList HttpModuleLocations() {
    return {QString::fromStdString(common::PrivateModulePath("zandrel", "zandrel_http.so"))};
}

void SetBuiltInHttpClient(HttpClientFactory factory) {
    g_builtIn = factory;
}

DeferredHttpClient::DeferredHttpClient(common::MessageSink* sink, QStringList locations, int timeoutMs)
    : m_sink(sink), m_locations(std::move(locations)), m_timeoutMs(timeoutMs) {}

// Requests still waiting in the client never complete (as the client
// promises), and failures not yet reported are dropped with this object.
DeferredHttpClient::~DeferredHttpClient() = default;

void DeferredHttpClient::Get(const std::string& url, Done done) {
    if (HttpPort* client = Client())
        client->Get(url, std::move(done));
    else
        Fail(std::move(done));
}

void DeferredHttpClient::Post(const std::string& url, Done done) {
    if (HttpPort* client = Client())
        client->Post(url, std::move(done));
    else
        Fail(std::move(done));
}

HttpPort* DeferredHttpClient::Client() {
    if (m_client || m_tried)
        return m_client.get();
    m_tried = true;
    if (g_builtIn) {
        m_client.reset(g_builtIn(m_timeoutMs));
        return m_client.get();
    }
    QString why = QStringLiteral("no location to look in");
    for (const QString& location : m_locations) {
        // The library stays loaded for the rest of the run: the client's code
        // is in it. (QLibrary's destructor does not unload.)
        QLibrary library(location);
        if (!library.load()) {
            why = library.errorString();
            continue;
        }
        const auto abi = reinterpret_cast<HttpModuleAbiFunction>(library.resolve("ZandrelHttpModuleAbi"));
        const auto create = reinterpret_cast<HttpClientFactory>(library.resolve("ZandrelCreateHttpClient"));
        if (!abi || !create || abi() != kHttpModuleAbi) {
            why = library.fileName() + QStringLiteral(" is not an HTTP module of this zandrel version");
            continue;
        }
        m_client.reset(create(m_timeoutMs));
        return m_client.get();
    }
    if (m_sink) {
        m_sink->ShowMessage("The network module zandrel_http could not be loaded, so the game list service "
                            "cannot be reached. Please reinstall zandrel.\r\n\r\n" +
                            common::AnsiText(why));
    }
    return nullptr;
}

void DeferredHttpClient::Fail(Done done) {
    // Never inside the call, as with a real request.
    QTimer::singleShot(0, this, [done = std::move(done)] {
        if (done)
            done(HttpResult{});
    });
}

} // namespace switcher
