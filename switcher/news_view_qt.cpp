#include "switcher/news_view_qt.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextBrowser>
#include <QVBoxLayout>

#if defined(ZANDREL_HAVE_WEBENGINE)
#include <QWebEngineView>
#endif

namespace switcher {

namespace {

// Hosts the concrete view so that the window deals with one widget type. The
// view is made at the first navigation: a web engine costs a noticeable part
// of start-up, and with the news option off it is never needed.
template <typename View> class HostedView : public NewsView {
public:
    explicit HostedView(QWidget* parent) : NewsView(parent) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

protected:
    View* TheView() {
        if (!m_view) {
            m_view = new View(this);
            layout()->addWidget(m_view);
            m_view->show();
        }
        return m_view;
    }

private:
    View* m_view = nullptr;
};

#if defined(ZANDREL_HAVE_WEBENGINE)

class WebNewsView : public HostedView<QWebEngineView> {
public:
    using HostedView::HostedView;
    void Navigate(const QUrl& url) override {
        m_requested = url;
        TheView()->load(url);
    }
};

#endif

// Without a web engine: fetch the page and show it as simple HTML. A newer
// request replaces an older one that has not answered yet.
class PlainNewsView : public HostedView<QTextBrowser> {
public:
    explicit PlainNewsView(QWidget* parent) : HostedView(parent), m_network(new QNetworkAccessManager(this)) {}
    void Navigate(const QUrl& url) override {
        m_requested = url;
        if (m_pending)
            m_pending->abort();
        QNetworkReply* reply = m_network->get(QNetworkRequest(url));
        m_pending = reply;
        QObject::connect(reply, &QNetworkReply::finished, this, [this, reply] {
            if (m_pending == reply)
                m_pending = nullptr;
            if (reply->error() == QNetworkReply::NoError) {
                QTextBrowser* view = TheView();
                view->setOpenExternalLinks(true);
                view->setHtml(QString::fromUtf8(reply->readAll()));
            }
            reply->deleteLater();
        });
    }

private:
    QNetworkAccessManager* m_network;
    QNetworkReply* m_pending = nullptr;
};

} // namespace

NewsView* CreateNewsView(QWidget* parent) {
#if defined(ZANDREL_HAVE_WEBENGINE)
    return new WebNewsView(parent);
#else
    return new PlainNewsView(parent);
#endif
}

} // namespace switcher
