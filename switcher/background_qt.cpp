#include "switcher/background_qt.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QScreen>

namespace switcher {

namespace {

constexpr char kStyle[] = R"(
QWidget { color: rgb(192,192,192); font-family: Verdana; font-size: 8pt; }
QPushButton { background: transparent; border: none; text-align: left; padding: 1px 2px; }
QPushButton:hover { color: white; }
QPushButton:pressed { color: rgb(255,204,102); }
QPushButton:disabled { color: rgb(96,96,96); }
QLineEdit, QComboBox, QListWidget, QTreeWidget, QTableWidget, QTextBrowser {
  background: rgb(24,28,36); border: 1px solid rgb(70,78,92); selection-background-color: rgb(70,90,130); }
QHeaderView::section { background: rgb(36,42,54); color: rgb(192,192,192); border: 1px solid rgb(60,66,80); }
QComboBox QAbstractItemView { background: rgb(24,28,36); color: rgb(192,192,192); }
QCheckBox { background: transparent; }
QToolTip { color: black; background: rgb(255,255,225); border: 1px solid black; }
)";

} // namespace

BackgroundWindow::BackgroundWindow(const QSize& clientSize, QWidget* parent) : QWidget(parent, Qt::Window) {
    // Fixed border with system menu and minimise box: no maximise, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(clientSize);
    setStyleSheet(kStyle);
    setAutoFillBackground(false);
}

void BackgroundWindow::CentreOnScreen() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void BackgroundWindow::paintEvent(QPaintEvent*) {
    // The background picture: a dark steel gradient, a soft light from the
    // upper left, and a faint diagonal hatch, drawn for the current size so
    // it always covers the whole client area.
    QPainter p(this);
    const QRectF r = rect();
    QLinearGradient base(r.topLeft(), r.bottomRight());
    base.setColorAt(0.0, QColor(38, 46, 60));
    base.setColorAt(0.55, QColor(18, 22, 30));
    base.setColorAt(1.0, QColor(8, 9, 12));
    p.fillRect(r, base);

    QRadialGradient glow(QPointF(r.width() * 0.2, r.height() * 0.15), r.width() * 0.6);
    glow.setColorAt(0.0, QColor(110, 130, 160, 60));
    glow.setColorAt(1.0, QColor(110, 130, 160, 0));
    p.fillRect(r, glow);

    p.setPen(QPen(QColor(255, 255, 255, 10), 1));
    const int span = static_cast<int>(r.width() + r.height());
    for (int x = -static_cast<int>(r.height()); x < span; x += 9)
        p.drawLine(QPointF(x, r.height()), QPointF(x + r.height(), 0));

    // A thin rule along the bottom edge.
    p.setPen(QPen(QColor(150, 160, 180, 70), 1));
    p.drawLine(QPointF(0, r.height() - 1), QPointF(r.width(), r.height() - 1));

    if (!m_headline.isEmpty()) {
        QFont big(QStringLiteral("Verdana"));
        big.setPixelSize(64);
        big.setBold(true);
        big.setLetterSpacing(QFont::AbsoluteSpacing, 6);
        p.setFont(big);
        p.setPen(QColor(0, 0, 0, 110));
        p.drawText(QPointF(21, 89), m_headline); // shadow
        p.setPen(QColor(200, 210, 225, 90));
        p.drawText(QPointF(18, 86), m_headline);
        QFont small(QStringLiteral("Verdana"));
        small.setPixelSize(13);
        small.setLetterSpacing(QFont::AbsoluteSpacing, 3);
        p.setFont(small);
        p.setPen(QColor(192, 192, 192, 140));
        p.drawText(QPointF(22, 112), m_subtitle);
    }
}

void BackgroundWindow::SetHeadline(const QString& headline, const QString& subtitle) {
    m_headline = headline;
    m_subtitle = subtitle;
    update();
}

QPushButton* MakeFlatButton(QWidget* parent, const char* objectName, const QString& caption,
                            const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setGeometry(geometry);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* objectName, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

} // namespace switcher
