#pragma once

#include "common/shell.h"
#include "switcher/multiplayer/http_module_qt.h"
#include "switcher/news_view_qt.h"

#include <QTextBrowser>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace switcher {

// The news box without a web engine (Windows, and Linux without the module
// or as root): the page as simple HTML, fetched with its pictures through the
// program's HTTP client. Nothing of the page ever reaches a file: pictures
// come only from web addresses, at most kMaxNewsPictures of them,
// kMaxNewsPictureTotalBytes and kMaxNewsPictureTotalPixels in all, each read
// by ReadNewsPicture (which bounds one picture); style
// sheets and every other resource stay empty. A click opens a web link in
// the desktop's browser through the shell and refuses every other scheme.
// Everything arrives through the event loop, so the window never waits.
class PlainNewsView : public NewsView {
public:
    PlainNewsView(QWidget* parent, common::Shell& shell);
    ~PlainNewsView() override;

    void Navigate(const QUrl& url) override;
    int PicturesShown() const override { return m_shown; }
    int PicturesPending() const override { return m_pending; }

private:
    void ShowPage(const QUrl& url, const std::string& html);
    void ShowPicture(const QUrl& name, const HttpResult& result);
    void OpenLink(const QUrl& link);

    common::Shell& m_shell;
    QTextBrowser* m_view;
    // Made again at each navigation: dropping the old one drops the requests
    // of the page that is no longer wanted.
    std::unique_ptr<DeferredHttpClient> m_http;
    unsigned m_page = 0;
    int m_shown = 0;
    int m_pending = 0;
    std::size_t m_pictureBytes = 0;
    std::int64_t m_picturePixels = 0;
};

inline constexpr int kMaxNewsPictures = 32;
inline constexpr std::size_t kMaxNewsPictureTotalBytes = std::size_t{16} << 20;
// 32 MiB of decoded pixels.
inline constexpr std::int64_t kMaxNewsPictureTotalPixels = std::int64_t{1} << 23;

} // namespace switcher
