#include "switcher/news/plain_news_view_qt.h"

#include "switcher/news/news_picture_qt.h"
#include "switcher/news/web_address.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QVBoxLayout>
#include <map>
#include <vector>

namespace switcher {
namespace {

// A document that loads nothing by itself. QTextDocument (and QTextBrowser)
// read a resource that nobody supplied from a local file (an <img src>, a
// table's background or a style sheet's address taken as a path, a share's
// path on Windows included), and a file such as /dev/zero never ends. Every
// resource here is empty unless the view has added it.
class NewsDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl&) override {
        // Not null: a null answer would send QTextDocument on to a resource
        // provider, which may read files.
        if (type == QTextDocument::ImageResource)
            return QVariant(QImage());
        return QVariant(QString());
    }
};

// The name a picture takes inside the document. The page's own names never
// reach the layout: at a device pixel ratio above 1 Qt's image handler looks
// for an "@2x" file beside any picture name it is given.
QUrl InnerName(unsigned page, int index) {
    return QUrl(QStringLiteral("zandrel-news:%1-%2").arg(page).arg(index));
}

struct Picture {
    int position;
    int length;
    QTextImageFormat format;
};

// The pictures of the document, in order.
std::vector<Picture> PicturesOf(const QTextDocument& document) {
    std::vector<Picture> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat())
                pictures.push_back(
                    {fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
        }
    }
    return pictures;
}

} // namespace

PlainNewsView::PlainNewsView(QWidget* parent, common::Shell& shell)
    : NewsView(parent), m_shell(shell), m_view(new QTextBrowser(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    // Links are ours to judge: the browser neither follows nor hands them on.
    m_view->setOpenLinks(false);
    m_view->setOpenExternalLinks(false);
    m_view->setDocument(new NewsDocument(m_view));
    connect(m_view, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { OpenLink(link); });
}

PlainNewsView::~PlainNewsView() = default;

void PlainNewsView::Navigate(const QUrl& url) {
    m_requested = url;
    const unsigned page = ++m_page;
    m_http = std::make_unique<DeferredHttpClient>(nullptr); // quiet: a news page that cannot load stays empty
    m_shown = 0;
    m_pending = 0;
    m_pictureBytes = 0;
    m_picturePixels = 0;
    const QByteArray address = url.toEncoded();
    if (!IsWebAddress(address.toStdString()))
        return;
    m_http->Get(address.toStdString(), [this, page, url](HttpResult result) {
        if (page == m_page && result.arrived)
            ShowPage(url, result.body);
    });
}

void PlainNewsView::ShowPage(const QUrl& url, const std::string& html) {
    // The page is parsed into a document of its own and its picture names
    // replaced before the view lays it out.
    auto* document = new NewsDocument(m_view);
    document->setBaseUrl(url);
    document->setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));

    // Each web address is fetched once, whatever number of places show it;
    // any other picture keeps a name that nothing supplies.
    std::vector<QUrl> sources;
    std::map<QUrl, int> indexOf;
    QTextCursor cursor(document);
    for (Picture& picture : PicturesOf(*document)) {
        const QUrl source = url.resolved(QUrl(picture.format.name()));
        int index = -1;
        if (IsWebAddress(source.toEncoded().toStdString())) {
            const auto found = indexOf.find(source);
            if (found != indexOf.end()) {
                index = found->second;
            } else if (static_cast<int>(sources.size()) < kMaxNewsPictures) {
                index = static_cast<int>(sources.size());
                indexOf.emplace(source, index);
                sources.push_back(source);
            }
        }
        picture.format.setName(InnerName(m_page, index).toString());
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(picture.format);
    }

    QTextDocument* old = m_view->document();
    m_view->setDocument(document);
    old->deleteLater();

    const unsigned page = m_page;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const QUrl inner = InnerName(page, static_cast<int>(i));
        ++m_pending;
        m_http->Get(sources[i].toEncoded().toStdString(), [this, page, inner](HttpResult result) {
            if (page != m_page)
                return;
            --m_pending;
            ShowPicture(inner, result);
        });
    }
}

void PlainNewsView::ShowPicture(const QUrl& name, const HttpResult& result) {
    if (!result.arrived || result.body.size() > kMaxNewsPictureBytes ||
        m_pictureBytes + result.body.size() > kMaxNewsPictureTotalBytes)
        return;
    m_pictureBytes += result.body.size();
    const QImage image = ReadNewsPicture(result.body);
    const std::int64_t pixels = std::int64_t{image.width()} * image.height();
    if (image.isNull() || m_picturePixels + pixels > kMaxNewsPictureTotalPixels)
        return;
    m_picturePixels += pixels;
    QTextDocument* document = m_view->document();
    document->addResource(QTextDocument::ImageResource, name, image);
    // The pictures take their own size now: lay the page out again.
    document->markContentsDirty(0, document->characterCount());
    ++m_shown;
}

void PlainNewsView::OpenLink(const QUrl& link) {
    const QUrl target = m_view->document()->baseUrl().resolved(link);
    if (!IsWebAddress(target.toEncoded().toStdString()))
        return;
    // A place on the page itself: scroll there rather than open it again.
    if (target.hasFragment() && target.adjusted(QUrl::RemoveFragment) == m_view->document()->baseUrl()) {
        m_view->scrollToAnchor(target.fragment());
        return;
    }
    m_shell.Open(target.toEncoded().toStdString(), "", common::ShowMode::Show);
}

} // namespace switcher
