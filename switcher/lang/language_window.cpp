#include "switcher/lang/language_window.h"

#include "switcher/ui_text_qt.h"

#include <QListWidget>
#include <QPushButton>

namespace switcher {

LanguageWindow::LanguageWindow(const LanguageTable& language, QWidget* parent)
    : BackgroundWindow(QSize(289, 98), parent) {
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(UiText(language.Text("LangSelect.Title")));

    m_langs = new QListWidget(this);
    m_langs->setObjectName(QStringLiteral("langs"));
    m_langs->setGeometry(40, 6, 210, 60);
    MakeFlatButton(this, "updatelanguage", UiText(language.Text("LangSelect.Select")),
                   QRect(40, 70, 140, 22));
    QPushButton* exit =
        MakeFlatButton(this, "ExitButton", UiText(language.Text("LangSelect.Exit")), QRect(190, 70, 60, 22));
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    CentreOnScreen();
}

} // namespace switcher
