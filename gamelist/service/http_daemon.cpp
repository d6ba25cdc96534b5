#include "gamelist/service/http_daemon.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace gamelist {

// What one request carries between the library's calls.
struct RequestState {
    std::string uri;
    bool headersSeen = false;
    bool refused = false; // a 413 is queued
    std::size_t bodyBytes = 0;
};

struct DaemonCallbacks {
    static void* UriLog(void*, const char* uri, MHD_Connection*) {
        auto* state = new RequestState;
        state->uri = uri ? uri : "";
        return state;
    }

    static void Completed(void* self, MHD_Connection* connection, void** context,
                          MHD_RequestTerminationCode code) {
        delete static_cast<RequestState*>(*context);
        *context = nullptr;
        // A kept-alive connection waits for its next request, under the same deadline.
        if (code == MHD_REQUEST_TERMINATED_COMPLETED_OK)
            static_cast<HttpDaemon*>(self)->HeadAwaited(connection);
    }

    static void Connection(void* self, MHD_Connection* connection, void**,
                           MHD_ConnectionNotificationCode code) {
        auto* daemon = static_cast<HttpDaemon*>(self);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            if (info)
                daemon->ConnectionOpened(connection, info->connect_fd);
        } else {
            daemon->ConnectionClosed(connection);
        }
    }

    static void ReleaseShared(void* body) { delete static_cast<std::shared_ptr<const std::string>*>(body); }

    static MHD_Result Send(MHD_Connection* connection, const HttpResponse& r) {
        MHD_Response* response = nullptr;
        if (r.sharedBody) {
            // The response keeps the body alive until the library has sent it.
            auto* kept = new std::shared_ptr<const std::string>(r.sharedBody);
            response = MHD_create_response_from_buffer_with_free_callback_cls(
                r.sharedBody->size(), const_cast<char*>(r.sharedBody->data()), &ReleaseShared, kept);
            if (!response)
                delete kept;
        } else {
            response = MHD_create_response_from_buffer(r.body.size(), const_cast<char*>(r.body.data()),
                                                       MHD_RESPMEM_MUST_COPY);
        }
        if (!response)
            return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, r.contentType.c_str());
        for (const auto& [name, value] : r.headers)
            MHD_add_response_header(response, name.c_str(), value.c_str());
        const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(r.status), response);
        MHD_destroy_response(response);
        return queued;
    }

    static std::string Header(MHD_Connection* connection, const char* name) {
        const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
        return value ? value : "";
    }

    static MHD_Result TooLarge(HttpDaemon* daemon, MHD_Connection* connection, RequestState* state) {
        state->refused = true;
        daemon->RequestArrived(connection);
        // Queued before the rest of the body is read; the library then closes the connection.
        return Send(connection, {413, "text/plain", "request body too large\n", {}, {}});
    }

    static MHD_Result Access(void* self, MHD_Connection* connection, const char*, const char* method,
                             const char*, const char*, size_t* uploadSize, void** context) {
        auto* daemon = static_cast<HttpDaemon*>(self);
        auto* state = static_cast<RequestState*>(*context);
        if (!state)
            return MHD_NO;
        if (!state->headersSeen) {
            state->headersSeen = true;
            const std::string length = Header(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
            std::uint64_t announced = 0;
            const auto [end, error] =
                std::from_chars(length.data(), length.data() + length.size(), announced);
            if (!length.empty() && (error != std::errc() || announced > daemon->m_limits.maxBodyBytes))
                return TooLarge(daemon, connection, state);
            return MHD_YES;
        }
        if (state->refused) {
            // The library may still hand over what had arrived with the head.
            *uploadSize = 0;
            return MHD_YES;
        }
        if (*uploadSize != 0) {
            // The service's requests carry no body: it is counted and dropped.
            state->bodyBytes += *uploadSize;
            *uploadSize = 0;
            if (state->bodyBytes > daemon->m_limits.maxBodyBytes)
                return TooLarge(daemon, connection, state); // a body without a length (chunked)
            return MHD_YES;
        }

        daemon->RequestArrived(connection);
        HttpRequest request;
        request.method = method ? method : "";
        request.target = state->uri;
        request.bodyBytes = state->bodyBytes;
        request.host = Header(connection, MHD_HTTP_HEADER_HOST);
        request.origin = Header(connection, "Origin");
        request.fetchSite = Header(connection, "Sec-Fetch-Site");
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

HttpDaemon::HttpDaemon(Handler handler, HttpLimits limits)
    : m_handler(std::move(handler)), m_limits(limits) {}

HttpDaemon::~HttpDaemon() {
    Stop();
}

int HttpDaemon::Start(const std::string& address, int port, int threads) {
    sockaddr_in bindAddress{};
    bindAddress.sin_family = AF_INET;
    bindAddress.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &bindAddress.sin_addr) != 1)
        return -1;
    m_stopping = false;
    m_daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, static_cast<uint16_t>(port), nullptr, nullptr,
        &DaemonCallbacks::Access, this, MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&bindAddress),
        MHD_OPTION_URI_LOG_CALLBACK, &DaemonCallbacks::UriLog, nullptr, MHD_OPTION_NOTIFY_COMPLETED,
        &DaemonCallbacks::Completed, this, MHD_OPTION_NOTIFY_CONNECTION, &DaemonCallbacks::Connection, this,
        MHD_OPTION_THREAD_POOL_SIZE, static_cast<unsigned>(threads),
        // The request line and headers of one request fit in this; longer ones get an error status.
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<size_t>(32 * 1024), MHD_OPTION_CONNECTION_TIMEOUT,
        10u, MHD_OPTION_CONNECTION_LIMIT, m_limits.connections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        m_limits.connectionsPerAddress, MHD_OPTION_END);
    if (!m_daemon)
        return -1;
    m_watchdog = std::thread([this] { EnforceDeadlines(); });
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? info->port : port;
}

void HttpDaemon::Stop() {
    if (!m_daemon)
        return;
    {
        std::lock_guard lock(m_headMutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_watchdog.join();
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
}

void HttpDaemon::ConnectionOpened(MHD_Connection* connection, int fd) {
    std::lock_guard lock(m_headMutex);
    m_connections[connection] = {fd, true, Clock::now() + m_limits.requestDeadline};
}

void HttpDaemon::HeadAwaited(MHD_Connection* connection) {
    std::lock_guard lock(m_headMutex);
    const auto it = m_connections.find(connection);
    if (it != m_connections.end()) {
        it->second.headPending = true;
        it->second.deadline = Clock::now() + m_limits.requestDeadline;
    }
}

void HttpDaemon::RequestArrived(MHD_Connection* connection) {
    std::lock_guard lock(m_headMutex);
    const auto it = m_connections.find(connection);
    if (it != m_connections.end())
        it->second.headPending = false;
}

void HttpDaemon::ConnectionClosed(MHD_Connection* connection) {
    // The library closes the socket after this returns, so a socket in the
    // table is always still open.
    std::lock_guard lock(m_headMutex);
    m_connections.erase(connection);
}

void HttpDaemon::EnforceDeadlines() {
    std::unique_lock lock(m_headMutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, std::chrono::milliseconds(100));
        const Clock::time_point now = Clock::now();
        for (auto& [connection, open] : m_connections) {
            if (open.headPending && now >= open.deadline) {
                // Its worker sees the end of the stream and closes the connection.
                shutdown(open.fd, SHUT_RDWR);
                open.headPending = false;
            }
        }
    }
}

} // namespace gamelist
