#pragma once

#include "common/shell.h"

#include <QUrl>
#include <QWidget>

namespace switcher {

// The embedded news page. Navigate() loads a page; the last requested
// address stays readable, and stays empty until the first navigation.
class NewsView : public QWidget {
public:
    using QWidget::QWidget;
    virtual void Navigate(const QUrl& url) = 0;
    const QUrl& RequestedUrl() const { return m_requested; }
    // The plain view's pictures of the shown page: those on screen, and those
    // still to arrive. A web view reports none.
    virtual int PicturesShown() const { return 0; }
    virtual int PicturesPending() const { return 0; }

protected:
    QUrl m_requested;
};

// A web view when the web engine module is installed beside the program and
// the program does not run as root, else a plain HTML view that fetches the
// page and its pictures itself and opens web links through `shell`. The
// choice is made at the first navigation. `shell` must outlive the view.
NewsView* CreateNewsView(QWidget* parent, common::Shell& shell);

} // namespace switcher
