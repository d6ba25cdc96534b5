#include "switcher/message_box_qt.h"

#include "common/qt/ui_text_qt.h"

#include <QApplication>
#include <QMessageBox>

namespace switcher {

void MessageBoxSink::ShowMessage(std::string_view text) {
    // Messages break lines with a carriage return; Qt breaks on line feeds.
    QString shown = common::UiText(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The application's title; messages may quote texts from the network or
    // from files, so they are never read as rich text.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Zandrel"), shown, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace switcher
