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

// A web view when the build has one, else a plain HTML view that fetches the
// page itself.
NewsView* CreateNewsView(QWidget* parent);

} // namespace switcher
