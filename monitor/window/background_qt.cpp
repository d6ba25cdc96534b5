#include "monitor/window/background_qt.h"

#include <QConicalGradient>
#include <QLinearGradient>
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

void BackgroundLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    PaintMonitorBackground(p, size());
}

void PaintMonitorBackground(QPainter& p, const QSize& size) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(size));

    QLinearGradient base(r.topLeft(), r.bottomLeft());
    base.setColorAt(0.0, QColor(16, 26, 24));
    base.setColorAt(0.6, QColor(8, 14, 14));
    base.setColorAt(1.0, QColor(4, 6, 8));
    p.fillRect(r, base);

    // A faint grid, like the glass of an old monitor.
    p.setPen(QPen(QColor(120, 200, 160, 14), 1));
    for (int x = 0; x < size.width(); x += 16)
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, r.height()));
    for (int y = 0; y < size.height(); y += 16)
        p.drawLine(QPointF(0, y + 0.5), QPointF(r.width(), y + 0.5));

    // The radar sits behind the right-hand column of state labels.
    PaintRadar(p, QPointF(r.width() * 0.82, r.height() * 0.62), r.width() * 0.2, 4);

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
