#include "gamelist/service/http_daemon.h"

#include <arpa/inet.h>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>

namespace gamelist {

// What one request carries between the library's calls.
struct RequestState {
    std::string uri;
    bool headersSeen = false;
    std::size_t bodyBytes = 0;
};

struct DaemonCallbacks {
    static void* UriLog(void*, const char* uri, MHD_Connection*) {
        auto* state = new RequestState;
        state->uri = uri ? uri : "";
        return state;
    }

    static void Completed(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
        delete static_cast<RequestState*>(*context);
        *context = nullptr;
    }

    static MHD_Result Send(MHD_Connection* connection, const HttpResponse& r) {
        MHD_Response* response = MHD_create_response_from_buffer(
            r.body.size(), const_cast<char*>(r.body.data()), MHD_RESPMEM_MUST_COPY);
        if (!response)
            return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, r.contentType.c_str());
        const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(r.status), response);
        MHD_destroy_response(response);
        return queued;
    }

    static MHD_Result Access(void* self, MHD_Connection* connection, const char*, const char* method,
                             const char*, const char*, size_t* uploadSize, void** context) {
        auto* daemon = static_cast<HttpDaemon*>(self);
        auto* state = static_cast<RequestState*>(*context);
        if (!state)
            return MHD_NO;
        if (!state->headersSeen) {
            state->headersSeen = true;
            return MHD_YES;
        }
        if (*uploadSize != 0) {
            // The service's requests carry no body: it is counted and dropped.
            state->bodyBytes += *uploadSize;
            *uploadSize = 0;
            return MHD_YES;
        }
        if (state->bodyBytes > daemon->m_maxBodyBytes)
            return Send(connection, {413, "text/plain", "request body too large\n"});

        HttpRequest request;
        request.method = method ? method : "";
        request.target = state->uri;
        request.bodyBytes = state->bodyBytes;
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        if (info && info->client_addr) {
            char text[INET6_ADDRSTRLEN] = {};
            if (info->client_addr->sa_family == AF_INET)
                inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(info->client_addr)->sin_addr, text,
                          sizeof text);
            else if (info->client_addr->sa_family == AF_INET6)
                inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(info->client_addr)->sin6_addr,
                          text, sizeof text);
            request.remoteAddress = text;
        }
        return Send(connection, daemon->m_handler(request));
    }
};

HttpDaemon::HttpDaemon(Handler handler, std::size_t maxBodyBytes)
    : m_handler(std::move(handler)), m_maxBodyBytes(maxBodyBytes) {}

HttpDaemon::~HttpDaemon() {
    Stop();
}

int HttpDaemon::Start(const std::string& address, int port, int threads) {
    sockaddr_in bindAddress{};
    bindAddress.sin_family = AF_INET;
    bindAddress.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &bindAddress.sin_addr) != 1)
        return -1;
    m_daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, static_cast<uint16_t>(port), nullptr, nullptr,
        &DaemonCallbacks::Access, this, MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&bindAddress),
        MHD_OPTION_URI_LOG_CALLBACK, &DaemonCallbacks::UriLog, nullptr, MHD_OPTION_NOTIFY_COMPLETED,
        &DaemonCallbacks::Completed, nullptr, MHD_OPTION_THREAD_POOL_SIZE, static_cast<unsigned>(threads),
        // The request line and headers of one request fit in this; longer ones get an error status.
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<size_t>(32 * 1024), MHD_OPTION_CONNECTION_TIMEOUT,
        10u, MHD_OPTION_CONNECTION_LIMIT, 2000u, MHD_OPTION_END);
    if (!m_daemon)
        return -1;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? info->port : port;
}

void HttpDaemon::Stop() {
    if (m_daemon) {
        MHD_stop_daemon(m_daemon);
        m_daemon = nullptr;
    }
}

} // namespace gamelist
