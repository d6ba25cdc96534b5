#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace monitor {

// The monitor's background picture, painted for the given size: a dark
// radar screen with rings, a sweep and a grid, so the silver labels read well.
QPixmap PaintMonitorBackground(const QSize& size);

// The window icon: the same radar in 32 x 32 pixels.
QIcon MonitorIcon();

} // namespace monitor
