#include "switcher/news_view_qt.h"

#include "common/installed_layout.h"
#include "switcher/multiplayer/http_module_qt.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTextBrowser>
#include <QVBoxLayout>

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

// The web engine lives in a module beside the program (zandrel_webnews),
// loaded at the first navigation.
struct WebModule {
    using Create = QWidget* (*)(QWidget*);
    using Load = void (*)(QWidget*, const QUrl*);
    Create create = nullptr;
    Load load = nullptr;

    static const WebModule& Get() {
        static const WebModule module = [] {
            WebModule m;
            QLibrary library(
                QString::fromStdString(common::PrivateModulePath("zandrel", "zandrel_webnews.so")));
            if (library.load()) {
                m.create = reinterpret_cast<Create>(library.resolve("ZandrelCreateWebView"));
                m.load = reinterpret_cast<Load>(library.resolve("ZandrelLoadWebPage"));
            }
            if (!m.create || !m.load)
                m = WebModule{};
            return m;
        }();
        return module;
    }
    bool Usable() const { return create && load; }
};

class WebNewsView : public NewsView {
public:
    explicit WebNewsView(QWidget* parent) : NewsView(parent) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    void Navigate(const QUrl& url) override {
        m_requested = url;
        const WebModule& module = WebModule::Get();
        if (!m_view) {
            m_view = module.create(this);
            layout()->addWidget(m_view);
            m_view->show();
        }
        module.load(m_view, &url);
    }

private:
    QWidget* m_view = nullptr;
};

// Without a web engine: fetch the page through the HTTP module and show it
// as simple HTML. A page asked for later replaces one still on its way.
class PlainNewsView : public HostedView<QTextBrowser> {
public:
    explicit PlainNewsView(QWidget* parent) : HostedView(parent), m_http(nullptr) {}
    void Navigate(const QUrl& url) override {
        m_requested = url;
        const unsigned request = ++m_latest;
        m_http.Get(url.toEncoded().toStdString(), [this, request](HttpResult result) {
            if (request != m_latest || !result.arrived)
                return;
            QTextBrowser* view = TheView();
            view->setOpenExternalLinks(true);
            view->setHtml(QString::fromUtf8(result.body.data(), static_cast<qsizetype>(result.body.size())));
        });
    }

private:
    DeferredHttpClient m_http; // quiet: a news page that cannot load stays empty
    unsigned m_latest = 0;
};

} // namespace

namespace {

// Chooses the concrete view at the first navigation, so that a start with the
// news option off never loads the web engine.
class DeferredNewsView : public NewsView {
public:
    explicit DeferredNewsView(QWidget* parent) : NewsView(parent) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    void Navigate(const QUrl& url) override {
        m_requested = url;
        if (!m_inner) {
            m_inner = WebModule::Get().Usable() ? static_cast<NewsView*>(new WebNewsView(this))
                                                : static_cast<NewsView*>(new PlainNewsView(this));
            layout()->addWidget(m_inner);
            m_inner->show();
        }
        m_inner->Navigate(url);
    }

private:
    NewsView* m_inner = nullptr;
};

} // namespace

NewsView* CreateNewsView(QWidget* parent) {
    return new DeferredNewsView(parent);
}

} // namespace switcher
