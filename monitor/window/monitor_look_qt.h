#pragma once

#include <QLineEdit>
#include <QPushButton>

class QLabel;
class QListWidget;

// The monitor's look: light grey text in a small condensed face on dark
// green-black, flat framed buttons and lists. It is set with a palette, a
// font and two small painted controls rather than a style sheet: the style
// sheet engine alone kept about a megabyte of code and caches resident in a
// window that stays open for hours.
namespace monitor {

// Font and colours of the window and everything in it.
void ApplyMonitorLook(QWidget* window);
// A list with the thin frame of the look.
void ApplyListLook(QListWidget* list);
// A label that warns (reddish text).
void ApplyWarningLook(QLabel* label);

// A flat button: a translucent fill and a one-pixel border; the border and
// text light up under the mouse, the fill darkens while pressed, and both
// grey out when the button is disabled.
class FlatButton final : public QPushButton {
public:
    FlatButton(const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A line edit with the thin frame of the look.
class FramedLineEdit final : public QLineEdit {
public:
    FramedLineEdit(const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace monitor
