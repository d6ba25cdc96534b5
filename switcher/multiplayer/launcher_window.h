#pragma once

#include "common/shell.h"
#include "switcher/background_qt.h"
#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"
#include "switcher/multiplayer/launcher_view.h"

#include <QImage>
#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class QTreeWidget;

namespace switcher {

class GameListModel;
class LauncherFlows;

// The multiplayer launcher (TForm3): the game list, the class filter, the
// host boxes and their commands. Created hidden at start-up; the rules live
// in LauncherFlows, which this window shows and feeds.
class LauncherWindow : public BackgroundWindow, private LauncherView {
public:
    explicit LauncherWindow(const LanguageTable& language, QWidget* parent = nullptr);
    ~LauncherWindow() override;

    // What the flows are handed to show on.
    LauncherView& View() { return *this; }
    // What the commands work with, built by the program's composition root;
    // set once, before the window is first shown. `currentMod` gives the main
    // window's selected mod. Everything must outlive the window.
    void Attach(LauncherFlows& flows, common::Shell& shell, std::function<const ModRecord&()> currentMod,
                std::string serviceRoot);

    // The parts that follow the main window's selected mod. `name` is ANSI.
    void ShowModName(const std::string& name);
    void ShowBanner(const QImage& banner); // a null image clears the banner
    void ShowRankingButton(bool visible);

    // The rules behind the window (tests look at its state).
    const LauncherFlows* Flows() const { return m_flows; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLists();
    void CopyIp();
    void GetTheMod();

    // LauncherView
    std::string BoxText(Box box) const override;
    void SetBoxText(Box box, const std::string& text) override;
    std::string PlayersText() const override;
    std::string PlayersSelection() const override;
    void SetPlayersText(const std::string& text) override;
    void SetWatcherCount(const std::string& count) override;
    void ShowClassNodes(const std::vector<std::string>& nodes) override;
    void SelectClassNode(int node) override;
    int SelectedClassNode() const override;
    void ShowRows(std::shared_ptr<const ShownGames> shown) override;
    void ShowListCut(bool cut) override;
    int SelectedRow() const override;
    void ShowLocked(bool locked) override;
    void ShowBusyCursor(bool busy) override;
    void EnsureTimerRuns() override;
    void CloseSoon() override;
    QLineEdit* BoxEdit(Box box) const;

    const LanguageTable& m_language;
    common::Shell* m_shell = nullptr;
    std::function<const ModRecord&()> m_currentMod;
    std::string m_serviceRoot;
    LauncherFlows* m_flows = nullptr;

    bool m_listsBuilt = false;
    QLabel* m_modename;
    QLabel* m_banner;
    QLabel* m_usercount;
    QPushButton* m_ligabutton = nullptr;
    QPushButton* m_host = nullptr;
    QPushButton* m_refresh = nullptr;
    QTimer* m_refreshtimer;
    QTreeWidget* m_filter = nullptr;
    QTableView* m_games = nullptr;
    GameListModel* m_gameModel = nullptr;
    QLabel* m_listCut = nullptr;
    QLineEdit* m_ip = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_map = nullptr;
    QLineEdit* m_comment = nullptr;
    QComboBox* m_players = nullptr;
};

} // namespace switcher
