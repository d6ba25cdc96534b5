#pragma once

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QRect>
#include <QSize>

class QPainter;

namespace monitor {

// The monitor's background picture, painted for the given size: a dark
// radar screen with rings, a sweep and a grid, so the silver labels read well.
// Only the part inside `area` is drawn: a label that changes its text
// exposes a small strip of the picture, and the rest need not be drawn again.
void PaintMonitorBackground(QPainter& p, const QSize& size, const QRect& area);

// The label that shows the background picture. It paints the picture
// whenever it is exposed instead of keeping it as a pixmap: the window stays
// open for hours, and a pixmap of the window's size would hold more than a
// megabyte for a picture that is seldom repainted.
class BackgroundLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The window icon: the same radar in 32 x 32 pixels.
QIcon MonitorIcon();

} // namespace monitor
