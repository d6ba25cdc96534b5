#include "switcher/news_view_qt.h"

#include "common/installed_layout.h"
#include "switcher/news/plain_news_view_qt.h"
#include "switcher/web_engine_sandbox.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QVBoxLayout>

namespace switcher {

namespace {

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

// Chooses the concrete view at the first navigation, so that a start with the
// news option off never loads the web engine.
class DeferredNewsView : public NewsView {
public:
    DeferredNewsView(QWidget* parent, common::Shell& shell) : NewsView(parent), m_shell(shell) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    void Navigate(const QUrl& url) override {
        m_requested = url;
        if (!m_inner) {
            // As root the module is not even loaded (see web_engine_sandbox.h).
            const bool web = WebEngineMayRun() && WebModule::Get().Usable();
            m_inner = web ? static_cast<NewsView*>(new WebNewsView(this))
                          : static_cast<NewsView*>(new PlainNewsView(this, m_shell));
            layout()->addWidget(m_inner);
            m_inner->show();
        }
        m_inner->Navigate(url);
    }

    int PicturesShown() const override { return m_inner ? m_inner->PicturesShown() : 0; }
    int PicturesPending() const override { return m_inner ? m_inner->PicturesPending() : 0; }

private:
    common::Shell& m_shell;
    NewsView* m_inner = nullptr;
};

} // namespace

NewsView* CreateNewsView(QWidget* parent, common::Shell& shell) {
    return new DeferredNewsView(parent, shell);
}

} // namespace switcher
