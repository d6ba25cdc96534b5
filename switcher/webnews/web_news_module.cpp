// The web engine behind the news box, as a module that zandrel loads only when
// it first shows a news page. Linking the web engine into the program would
// make every start pay for loading it, news option on or off.
//
// A news page is a remote page, often over plain HTTP, so it stays among web
// pages: every navigation and every request outside http(s) is refused (the
// engine would hand an unknown scheme to the desktop, and a file: address
// would read the player's files), no window opens, and nothing local is
// reachable.
#include "switcher/news/web_address.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <QWidget>

namespace {

bool IsWeb(const QUrl& url) {
    return switcher::IsWebAddress(url.toEncoded().toStdString());
}

// Sub-resources (pictures, frames, scripts, style sheets) from web addresses only.
class WebOnlyRequests : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (!IsWeb(info.requestUrl()))
            info.block(true);
    }
};

class NewsPage : public QWebEnginePage {
public:
    explicit NewsPage(QObject* parent) : QWebEnginePage(parent) {
        setUrlRequestInterceptor(new WebOnlyRequests(this));
        QWebEngineSettings* s = settings();
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
        s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
        s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
        s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    }

protected:
    // Every navigation asks here first, a link to a scheme that the engine
    // would pass to the desktop's handler included.
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override { return IsWeb(url); }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

} // namespace

extern "C" {

Q_DECL_EXPORT QWidget* ZandrelCreateWebView(QWidget* parent) {
    auto* view = new QWebEngineView(parent);
    view->setPage(new NewsPage(view));
    // No context menu: its entries open links in new windows and save files.
    view->setContextMenuPolicy(Qt::NoContextMenu);
    return view;
}

Q_DECL_EXPORT void ZandrelLoadWebPage(QWidget* view, const QUrl* url) {
    if (auto* web = qobject_cast<QWebEngineView*>(view); web && IsWeb(*url))
        web->load(*url);
}
}
