#include "switcher/multiplayer/http_client_qt.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace switcher {

QtHttpClient::QtHttpClient(QObject* parent, int timeoutMs)
    : QObject(parent), m_timeoutMs(timeoutMs), m_deadline(new QTimer(this)) {
    // A deadline for the whole request: Qt's transfer time-out restarts at
    // every byte, so a service that sends one byte at a time would hold the
    // client, and every request queued behind it, for ever.
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        if (m_current)
            m_current->abort(); // finishes at once, as canceled
    });
}

QtHttpClient::~QtHttpClient() {
    m_queue.clear();
    if (m_current) {
        m_current->disconnect(this);
        m_current->abort();
        m_current->deleteLater();
    }
}

void QtHttpClient::Get(const std::string& url, Done done) {
    m_queue.push_back({false, url, std::move(done)});
    if (!m_current)
        QTimer::singleShot(0, this, [this] { StartNext(); });
}

void QtHttpClient::Post(const std::string& url, Done done) {
    m_queue.push_back({true, url, std::move(done)});
    if (!m_current)
        QTimer::singleShot(0, this, [this] { StartNext(); });
}

void QtHttpClient::StartNext() {
    if (m_current || m_queue.empty())
        return;
    Request request = std::move(m_queue.front());
    m_queue.pop_front();
    // Made at the first request, so a run that never opens the launcher
    // never pays for the network stack.
    if (!m_manager)
        m_manager = new QNetworkAccessManager(this);
    // The address is bytes as the service root and the encoded query give
    // them. QUrl keeps the percent-encoding but normalises it as RFC 3986
    // allows: escapes of unreserved characters are sent plain ("%2e" as
    // ".") and hexadecimal digits in capitals. The service decodes both.
    QNetworkRequest q(
        QUrl(QString::fromLatin1(request.url.data(), static_cast<qsizetype>(request.url.size())),
             QUrl::TolerantMode));
    q.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    q.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_currentDone = std::move(request.done);
    m_body.clear();
    m_tooLarge = false;
    if (request.post) {
        q.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
        m_current = m_manager->post(q, QByteArray());
    } else {
        m_current = m_manager->get(q);
    }
    m_deadline->start(m_timeoutMs);
    // Read as it arrives, so the limit holds for what is kept in memory.
    m_current->setReadBufferSize(1 << 20);
    connect(m_current, &QNetworkReply::readyRead, this, [this] {
        const QByteArray chunk = m_current->readAll();
        if (m_body.size() + static_cast<std::size_t>(chunk.size()) > kMaxReplyBytes) {
            m_tooLarge = true;
            m_current->abort();
            return;
        }
        m_body.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
    });
    connect(m_current, &QNetworkReply::finished, this, [this] {
        if (!m_tooLarge) {
            const QByteArray rest = m_current->readAll();
            if (m_body.size() + static_cast<std::size_t>(rest.size()) > kMaxReplyBytes)
                m_tooLarge = true;
            else
                m_body.append(rest.constData(), static_cast<std::size_t>(rest.size()));
        }
        // Any HTTP status is a reply; no status means the request failed.
        const bool arrived = !m_tooLarge &&
                             m_current->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
                             m_current->error() != QNetworkReply::OperationCanceledError &&
                             m_current->error() != QNetworkReply::TimeoutError;
        Finish(arrived);
    });
}

void QtHttpClient::Finish(bool arrived) {
    m_deadline->stop();
    m_current->deleteLater();
    m_current = nullptr;
    Done done = std::move(m_currentDone);
    HttpResult result{arrived, arrived ? std::move(m_body) : std::string()};
    m_body = std::string();
    // The next request starts before this caller goes on, so the order holds
    // even when the callback queues more.
    if (!m_queue.empty())
        QTimer::singleShot(0, this, [this] { StartNext(); });
    if (done)
        done(std::move(result));
}

} // namespace switcher
