#pragma once

#include "switcher/multiplayer/http_port.h"

#include <QObject>
#include <deque>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace switcher {

// The HTTP port on QNetworkAccessManager: one request at a time, queued in
// order; redirects followed; the body of an error status is a reply; a
// request that has not finished `timeoutMs` after it went out, or whose body
// grows beyond kMaxReplyBytes, is aborted as failed. Completion runs from the
// event loop, never inside Get or Post. Requests still waiting when the client
// is destroyed never complete.
class QtHttpClient : public QObject, public HttpPort {
public:
    // Only tests shorten `timeoutMs`.
    explicit QtHttpClient(QObject* parent = nullptr, int timeoutMs = kRequestTimeoutMs);
    ~QtHttpClient() override;

    void Get(const std::string& url, Done done) override;
    void Post(const std::string& url, Done done) override;

    // Requests made or waiting (tests).
    int Pending() const { return static_cast<int>(m_queue.size()) + (m_current ? 1 : 0); }

private:
    struct Request {
        bool post;
        std::string url;
        Done done;
    };
    void StartNext();
    void Finish(bool arrived);

    QNetworkAccessManager* m_manager = nullptr;
    int m_timeoutMs;
    QTimer* m_deadline;
    std::deque<Request> m_queue;
    QNetworkReply* m_current = nullptr;
    Done m_currentDone;
    std::string m_body;
    bool m_tooLarge = false;
};

} // namespace switcher
