#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace switcher {

// A top-level window of the switcher: a fixed client size, a background
// picture stretched over the client area, silver text in Verdana and flat
// text buttons.
class BackgroundWindow : public QWidget {
public:
    explicit BackgroundWindow(const QSize& clientSize, QWidget* parent = nullptr);

    // Places the window in the centre of its screen.
    void CentreOnScreen();

    // A large faint headline drawn into the picture's upper left corner.
    void SetHeadline(const QString& headline, const QString& subtitle);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_headline;
    QString m_subtitle;
};

// A flat text button with the given object name, caption and place.
QPushButton* MakeFlatButton(QWidget* parent, const char* objectName, const QString& caption,
                            const QRect& geometry);

// A transparent label with the given object name, text and place.
QLabel* MakeLabel(QWidget* parent, const char* objectName, const QString& text, const QRect& geometry);

} // namespace switcher
