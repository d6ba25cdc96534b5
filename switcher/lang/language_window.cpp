#include "switcher/lang/language_window.h"

#include "common/qt/ui_text_qt.h"
#include "switcher/lang/language_choice.h"
#include "switcher/window_state_qt.h"

#include <QListWidget>
#include <QPushButton>

namespace switcher {

namespace {

// A language change ends the program with this code.
constexpr int kExitCodeAfterLanguageChange = 1;

} // namespace

LanguageWindow::LanguageWindow(const LanguageTable& language, common::MessageSink& sink,
                               std::string programDirectory, QWidget* parent)
    : BackgroundWindow(QSize(289, 98), parent), m_language(language), m_sink(sink),
      m_programDirectory(std::move(programDirectory)) {
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(common::UiText(language.Text(Lang::LangSelectTitle)));

    m_langs = new QListWidget(this);
    m_langs->setObjectName(QStringLiteral("langs"));
    m_langs->setGeometry(40, 6, 210, 60);
    QPushButton* confirm =
        MakeFlatButton(this, "updatelanguage", common::UiText(language.Text(Lang::LangSelectSelect)),
                       QRect(40, 70, 140, 22));
    QPushButton* exit = MakeFlatButton(
        this, "ExitButton", common::UiText(language.Text(Lang::LangSelectExit)), QRect(190, 70, 60, 22));
    connect(confirm, &QPushButton::clicked, this, &LanguageWindow::Confirm);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    CentreOnScreen();
}

void LanguageWindow::ShowLanguages() {
    m_langs->clear();
    const std::vector<std::string> names = ListLanguages(m_programDirectory, m_language, m_sink);
    if (names.empty()) {
        close();
        return;
    }
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(common::UiText(name), m_langs);
        // The name's own bytes, so the file is found whatever the code page does to the caption.
        item->setData(Qt::UserRole, QByteArray::fromStdString(name));
    }
    ShowRestored(*this);
}

void LanguageWindow::Confirm() {
    // Only a name the user picked counts, not a row that merely has the focus.
    const QList<QListWidgetItem*> picked = m_langs->selectedItems();
    if (picked.isEmpty()) {
        m_sink.ShowMessage(m_language.Text(Lang::LangSelectNoChange));
        return;
    }
    ApplyLanguage(m_programDirectory, picked.front()->data(Qt::UserRole).toByteArray().toStdString());
    m_sink.ShowMessage(m_language.Text(Lang::LangSelectChange));
    emit ExitRequested(kExitCodeAfterLanguageChange);
}

} // namespace switcher
