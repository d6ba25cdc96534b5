// The web engine behind the news box, as a module that zandrel loads only when
// it first shows a news page. Linking the web engine into the program would
// make every start pay for loading it, news option on or off.
#include <QUrl>
#include <QWebEngineView>
#include <QWidget>

extern "C" {

Q_DECL_EXPORT QWidget* ZandrelCreateWebView(QWidget* parent) {
    return new QWebEngineView(parent);
}

Q_DECL_EXPORT void ZandrelLoadWebPage(QWidget* view, const QUrl* url) {
    if (auto* web = qobject_cast<QWebEngineView*>(view))
        web->load(*url);
}
}
