#pragma once

#include <QPushButton>
#include <QString>
#include <QTest>
#include <QWidget>

namespace testsupport {

// A window's control found by its object name (the component names the
// windows keep); null when there is none of that type.
template <typename T> T* Child(QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

// Clicks the window's button of that object name with the left mouse button.
inline void Click(QWidget& window, const char* button) {
    QTest::mouseClick(Child<QPushButton>(window, button), Qt::LeftButton);
}

} // namespace testsupport
