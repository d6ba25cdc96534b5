#include "switcher/message_box_qt.h"

#include "switcher/ui_text_qt.h"

#include <QApplication>
#include <QMessageBox>

namespace switcher {

void MessageBoxSink::ShowMessage(std::string_view text) {
    // Messages break lines with a carriage return; Qt breaks on line feeds.
    QString shown = UiText(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), shown, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace switcher
