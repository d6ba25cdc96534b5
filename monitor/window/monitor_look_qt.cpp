#include "monitor/window/monitor_look_qt.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>

namespace monitor {

namespace {

const QColor kText(200, 210, 205);
const QColor kBackground(8, 12, 12);
const QColor kFieldBase(10, 18, 16);
const QColor kFieldBorder(70, 92, 86);
const QColor kSelection(50, 100, 80);
const QColor kWarning(255, 140, 120);

const QColor kButtonFill(40, 60, 52, 180);
const QColor kButtonPressed(70, 100, 90, 200);
const QColor kButtonBorder(90, 120, 110);
const QColor kButtonHoverBorder(150, 200, 180);
const QColor kButtonDisabledText(110, 125, 120);
const QColor kButtonDisabledBorder(60, 75, 70);

} // namespace

void ApplyMonitorLook(QWidget* window) {
    QFont font = window->font();
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed")});
    font.setPixelSize(11);
    window->setFont(font);
    QPalette palette = window->palette();
    // The picture leaves a thin strip at the right edge; the window's own
    // colour there matches the picture's.
    palette.setColor(QPalette::Window, kBackground);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        palette.setColor(role, kText);
    palette.setColor(QPalette::Base, kFieldBase);
    palette.setColor(QPalette::Button, kButtonFill);
    palette.setColor(QPalette::Highlight, kSelection);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

void ApplyListLook(QListWidget* list) {
    // A plain box frame is drawn in the window text colour.
    QPalette palette = list->palette();
    palette.setColor(QPalette::WindowText, kFieldBorder);
    list->setPalette(palette);
    list->setFrameStyle(QFrame::Box | QFrame::Plain);
    list->setLineWidth(1);
}

void ApplyWarningLook(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kWarning);
    label->setPalette(palette);
}

FlatButton::FlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAttribute(Qt::WA_Hover); // repainted when the mouse comes and goes
}

void FlatButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    const bool enabled = isEnabled();
    const bool hovered = enabled && underMouse();
    p.fillRect(rect(), isDown() ? kButtonPressed : kButtonFill);
    p.setPen(!enabled ? kButtonDisabledBorder : hovered ? kButtonHoverBorder : kButtonBorder);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(!enabled ? kButtonDisabledText : hovered ? QColor(Qt::white) : kText);
    p.drawText(rect().adjusted(3, 1, -3, -1), Qt::AlignCenter, text());
}

FramedLineEdit::FramedLineEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
    setFrame(false);
    setTextMargins(2, 0, 2, 0);
}

void FramedLineEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter p(this);
    p.setPen(kFieldBorder);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace monitor
