#include "monitor/window/background_qt.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QRadialGradient>

namespace monitor {

namespace {

void PaintRadar(QPainter& p, const QPointF& centre, double radius, int rings) {
    QRadialGradient screen(centre, radius);
    screen.setColorAt(0.0, QColor(20, 60, 40, 150));
    screen.setColorAt(1.0, QColor(6, 18, 12, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawEllipse(centre, radius, radius);

    QConicalGradient sweep(centre, 90);
    sweep.setColorAt(0.0, QColor(90, 220, 140, 70));
    sweep.setColorAt(0.15, QColor(90, 220, 140, 0));
    sweep.setColorAt(1.0, QColor(90, 220, 140, 0));
    p.setBrush(sweep);
    p.drawEllipse(centre, radius, radius);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(90, 200, 130, 60), 1));
    for (int i = 1; i <= rings; ++i) {
        const double r = radius * i / rings;
        p.drawEllipse(centre, r, r);
    }
    p.drawLine(QPointF(centre.x() - radius, centre.y()), QPointF(centre.x() + radius, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - radius), QPointF(centre.x(), centre.y() + radius));
}

} // namespace

void BackgroundLabel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    PaintMonitorBackground(p, size(), event->rect());
}

void PaintMonitorBackground(QPainter& p, const QSize& size, const QRect& area) {
    const QRectF r(QPointF(0, 0), QSizeF(size));
    const QRect exposed = area.intersected(QRect(QPoint(0, 0), size));
    if (exposed.isEmpty())
        return;
    p.setClipRect(exposed);

    QLinearGradient base(r.topLeft(), r.bottomLeft());
    base.setColorAt(0.0, QColor(16, 26, 24));
    base.setColorAt(0.6, QColor(8, 14, 14));
    base.setColorAt(1.0, QColor(4, 6, 8));
    p.fillRect(exposed, base);

    // A faint grid, like the glass of an old monitor: whole-pixel lines, so
    // they need no antialiasing, and only those that cross the exposed part.
    p.setPen(QPen(QColor(120, 200, 160, 14), 1));
    const int firstX = (exposed.left() + 15) / 16 * 16;
    const int firstY = (exposed.top() + 15) / 16 * 16;
    for (int x = firstX; x <= exposed.right(); x += 16)
        p.drawLine(QPointF(x + 0.5, exposed.top()), QPointF(x + 0.5, exposed.bottom() + 1));
    for (int y = firstY; y <= exposed.bottom(); y += 16)
        p.drawLine(QPointF(exposed.left(), y + 0.5), QPointF(exposed.right() + 1, y + 0.5));

    p.setRenderHint(QPainter::Antialiasing);
    // The radar sits behind the right-hand column of state labels.
    const QPointF centre(r.width() * 0.82, r.height() * 0.62);
    const double radius = r.width() * 0.2;
    if (exposed.intersects(
            QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius).toAlignedRect()))
        PaintRadar(p, centre, radius, 4);

    // Frames around the two list areas and a rule under the role buttons.
    p.setPen(QPen(QColor(140, 170, 160, 60), 1));
    p.drawRoundedRect(QRectF(26.5, 84.5, r.width() - 185, 383), 6, 6);
    p.drawRoundedRect(QRectF(26.5, 460.5, r.width() - 45, 110), 6, 6);
    p.drawLine(QPointF(20, 32.5), QPointF(r.width() - 20, 32.5));
}

QIcon MonitorIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 20, 14));
    p.drawEllipse(QPointF(16, 16), 15.5, 15.5);
    PaintRadar(p, QPointF(16, 16), 15, 3);
    return QIcon(icon);
}

} // namespace monitor
