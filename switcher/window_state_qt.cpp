#include "switcher/window_state_qt.h"

#include <QWidget>

namespace switcher {

void RestoreIfMinimised(QWidget& window) {
    if (window.windowState() & Qt::WindowMinimized)
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
}

void ShowRestored(QWidget& window) {
    RestoreIfMinimised(window);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace switcher
