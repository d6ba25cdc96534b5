#pragma once

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

protected:
    QUrl m_requested;
};

// A web view when the web engine module is installed beside the program,
// else a plain HTML view that fetches the page itself. The choice is made at
// the first navigation.
NewsView* CreateNewsView(QWidget* parent);

} // namespace switcher
