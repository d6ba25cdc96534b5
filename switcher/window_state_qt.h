#pragma once

class QWidget;

namespace switcher {

// Puts a minimised window back to its normal size; other windows stay as they are.
void RestoreIfMinimised(QWidget& window);

// Restores, shows and brings a window to the front (not modal). Showing a
// window that is already open only brings it forward.
void ShowRestored(QWidget& window);

} // namespace switcher
