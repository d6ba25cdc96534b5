#pragma once

#include "switcher/background_qt.h"
#include "switcher/lang/language_table.h"

class QListWidget;

namespace switcher {

// The language selection window (TForm7): the installed languages in a list,
// a confirm button and an Exit button.
class LanguageWindow : public BackgroundWindow {
public:
    explicit LanguageWindow(const LanguageTable& language, QWidget* parent = nullptr);

private:
    QListWidget* m_langs;
};

} // namespace switcher
