#pragma once

#include "switcher/background_qt.h"
#include "switcher/lang/language_table.h"

#include <QImage>
#include <string>

class QLabel;
class QPushButton;

namespace switcher {

// The multiplayer launcher (TForm3): the game list, the class filter, the
// host boxes and their commands. Created hidden at start-up.
class LauncherWindow : public BackgroundWindow {
public:
    explicit LauncherWindow(const LanguageTable& language, QWidget* parent = nullptr);

    // The parts that follow the main window's selected mod. `name` is ANSI.
    void ShowModName(const std::string& name);
    void ShowBanner(const QImage& banner); // a null image clears the banner
    void ShowRankingButton(bool visible);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildLists();

    const LanguageTable& m_language;
    bool m_listsBuilt = false;
    QLabel* m_modename;
    QLabel* m_banner;
    QPushButton* m_ligabutton = nullptr;
};

} // namespace switcher
