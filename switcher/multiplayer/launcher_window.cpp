#include "switcher/multiplayer/launcher_window.h"

#include "common/qt/ui_text_qt.h"
#include "switcher/banner_qt.h"
#include "switcher/multiplayer/game_list_model_qt.h"
#include "switcher/multiplayer/launcher_flows.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <utility>

namespace switcher {

namespace {

constexpr int kColumns = 7;
constexpr char kLockedStyle[] = "color: rgb(255,0,0);";
constexpr char kFreeStyle[] = "color: rgb(192,192,192);";

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QRect& geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    return edit;
}

} // namespace

LauncherWindow::LauncherWindow(const LanguageTable& language, QWidget* parent)
    : BackgroundWindow(QSize(785, 521), parent), m_language(language) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Multiplayer Launcher"));
    auto tr = [&](Lang key) { return common::UiText(language.Text(key)); };
    // Each button is connected where it is made. Its command does nothing
    // until Attach has given the window its flows, shell and mod.
    const auto make = [this, &tr](const char* name, Lang key, const QRect& geometry,
                                  std::function<void()> run) {
        QPushButton* button = MakeFlatButton(this, name, tr(key), geometry);
        connect(button, &QPushButton::clicked, this, [this, run = std::move(run)] {
            if (m_flows)
                run();
        });
        return button;
    };

    // Upper part: the banner, and at the right the class tree.
    m_banner = MakeLabel(this, "banner", QString(), QRect(16, 14, kBannerWidth, kBannerHeight));
    m_banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MakeLabel(this, "ModClassesLabel", tr(Lang::MplayModClasses), QRect(560, 8, 209, 18));
    make("GetTheMod", Lang::MplayGetTheMod, QRect(560, 128, 209, 20), [this] { GetTheMod(); });

    // Lower left: the watcher count over the commands.
    MakeLabel(this, "PlayersWatchingLabel", tr(Lang::MplayPlayersWatching), QRect(16, 362, 140, 18));
    m_usercount = MakeLabel(this, "usercount", QString(), QRect(156, 362, 60, 18));
    m_usercount->setTextFormat(Qt::PlainText);
    const struct {
        const char* name;
        Lang key;
        std::function<void()> run;
    } commands[] = {{"WaitAndChat", Lang::MplayWaitAndChat, [this] { m_flows->WaitAndChat(); }},
                    {"Join", Lang::MplayJoin, [this] { m_flows->Join(); }},
                    {"Refresh", Lang::MplayRefresh, [this] { m_flows->Refresh(); }},
                    {"CopyIP", Lang::MplayCopyIP, [this] { CopyIp(); }},
                    {"ligabutton", Lang::MplayGotoRanking,
                     [this] { m_shell->Open(m_currentMod().LigaUrl, "", common::ShowMode::ShowNormal); }},
                    {"CloseButton", Lang::MplayClose, [this] { close(); }}};
    int top = 384;
    for (const auto& c : commands) {
        QPushButton* button = make(c.name, c.key, QRect(16, top, 160, 20), c.run);
        if (QLatin1String(c.name) == QLatin1String("ligabutton"))
            m_ligabutton = button;
        if (QLatin1String(c.name) == QLatin1String("Refresh"))
            m_refresh = button;
        top += 22;
    }

    // Lower right: the host boxes (made at the first show), the Host button beside modename.
    m_host = make("Host", Lang::MplayHost, QRect(200, 424, 110, 22), [this] { m_flows->Host(); });
    m_modename = MakeLabel(this, "modename", QString(), QRect(316, 424, 453, 22));

    // Message texts, kept in invisible labels.
    const struct {
        const char* name;
        Lang key;
    } hidden[] = {{"caption_Error1", Lang::MplayErrror1},
                  {"caption_Error2", Lang::MplayErrror2},
                  {"caption_Error3", Lang::MplayErrror3},
                  {"caption_stayinchat", Lang::MplayStayInChatMsg}};
    for (const auto& h : hidden)
        MakeLabel(this, h.name, tr(h.key), QRect(0, 0, 10, 10))->hide();

    // The timer runs from creation to the end of the program, shown or not.
    m_refreshtimer = new QTimer(this);
    m_refreshtimer->setObjectName(QStringLiteral("refreshtimer"));
    m_refreshtimer->setInterval(60000);
    connect(m_refreshtimer, &QTimer::timeout, this, [this] {
        if (m_flows)
            m_flows->Tick();
    });
    m_refreshtimer->start();

    CentreOnScreen();
}

LauncherWindow::~LauncherWindow() = default;

void LauncherWindow::Attach(LauncherFlows& flows, common::Shell& shell,
                            std::function<const ModRecord&()> currentMod, std::string serviceRoot) {
    m_flows = &flows;
    m_shell = &shell;
    m_currentMod = std::move(currentMod);
    m_serviceRoot = std::move(serviceRoot);
}

void LauncherWindow::showEvent(QShowEvent* event) {
    BuildLists();
    BackgroundWindow::showEvent(event);
    // A restore from the taskbar is no new opening.
    if (!event->spontaneous() && m_flows)
        m_flows->Open();
}

void LauncherWindow::closeEvent(QCloseEvent* event) {
    if (m_flows && m_listsBuilt)
        m_flows->Close();
    BackgroundWindow::closeEvent(event);
}

// The class tree, the game list and the host boxes are made when the window
// is first shown: item views and line edits are the most expensive controls
// of the program to create, and a run that never opens the launcher does not
// need them. What the main window drives from the start (modename, banner,
// the ranking button) is made with the window.
void LauncherWindow::BuildLists() {
    if (m_listsBuilt)
        return;
    m_listsBuilt = true;
    auto tr = [&](Lang key) { return common::UiText(m_language.Text(key)); };

    // Upper right: the class tree.
    m_filter = new QTreeWidget(this);
    m_filter->setObjectName(QStringLiteral("filter"));
    m_filter->setHeaderHidden(true);
    m_filter->setRootIsDecorated(false);
    m_filter->setGeometry(560, 28, 209, 98);
    connect(m_filter, &QTreeWidget::itemClicked, this, [this] {
        if (m_flows)
            m_flows->ApplyFilter();
    });

    // Middle: the game list, its rows made on demand by the model.
    const Lang headers[] = {Lang::MplayHeaderIP,      Lang::MplayHeaderUsername, Lang::MplayHeaderPosted,
                            Lang::MplayHeaderVersion, Lang::MplayHeaderMap,      Lang::MplayHeaderPlayer,
                            Lang::MplayHeaderComment};
    QStringList headerTexts;
    for (const Lang key : headers)
        headerTexts << tr(key);
    m_gameModel = new GameListModel(headerTexts, this);
    m_games = MakeGameTable(this, m_gameModel);
    m_games->setObjectName(QStringLiteral("gameslist3"));
    m_games->setGeometry(16, 154, 753, 200);
    const int widths[] = {100, 100, 80, 72, 110, 32, 250};
    for (int c = 0; c < kColumns; ++c)
        m_games->setColumnWidth(c, widths[c]);
    ShowRows(std::make_shared<ShownGames>());
    connect(m_games, &QTableView::doubleClicked, this, [this] {
        if (m_flows)
            m_flows->Join();
    });
    // Shown over the list's top edge when a reply held more than a list keeps.
    m_listCut = MakeLabel(
        this, "listcut",
        QStringLiteral("This list was cut: the service sent more than 100000 games or 1000 classes."),
        QRect(16, 134, 536, 18));
    m_listCut->setStyleSheet(QString::fromLatin1(kLockedStyle));
    m_listCut->hide();
    m_filter->show();
    m_games->show();

    // Lower right: the host boxes under their labels.
    const struct {
        const char* label;
        const char* name;
        Lang key;
    } boxes[] = {{"IPLabel", "ip", Lang::MplayIP},
                 {"UserNameLabel", "username", Lang::MplayUserName},
                 {"MapLabel", "map", Lang::MplayMap},
                 {"CommentLabel", "comment", Lang::MplayComment}};
    QLineEdit** edits[] = {&m_ip, &m_username, &m_map, &m_comment};
    int left = 200;
    const int boxWidths[] = {110, 110, 110, 150};
    for (int i = 0; i < 4; ++i) {
        MakeLabel(this, boxes[i].label, tr(boxes[i].key), QRect(left, 370, boxWidths[i], 18))->show();
        *edits[i] = MakeEdit(this, boxes[i].name, QRect(left, 390, boxWidths[i], 21));
        (*edits[i])->show();
        left += boxWidths[i] + 6;
    }
    MakeLabel(this, "PlayersLabel", tr(Lang::MplayPlayers), QRect(left, 370, 769 - left, 18))->show();
    m_players = new QComboBox(this);
    m_players->setObjectName(QStringLiteral("players"));
    m_players->setEditable(true);
    m_players->setInsertPolicy(QComboBox::NoInsert);
    m_players->addItems({"1vs1", "2vs2", "3vs3", "4vs4", "5vs5", "6vs6"});
    m_players->setCurrentIndex(3);
    m_players->setGeometry(left, 390, 769 - left, 21);
    m_players->show();
}

void LauncherWindow::CopyIp() {
    if (!m_flows)
        return;
    const std::string ip = m_flows->ShownEntry(SelectedRow() < 0 ? 0 : SelectedRow())[GameListEntry::IP];
    QGuiApplication::clipboard()->setText(common::UiText(ip));
}

void LauncherWindow::GetTheMod() {
    if (!m_flows || !m_shell)
        return;
    const int node = SelectedClassNode();
    const auto& classes = m_flows->Classes();
    if (node <= 0 || static_cast<std::size_t>(node) > classes.size())
        return;
    const std::string address = LauncherFlows::ModDownloadAddress(m_serviceRoot, classes[node - 1]);
    if (!address.empty())
        m_shell->Open(address, "", common::ShowMode::ShowNormal);
}

void LauncherWindow::ShowModName(const std::string& name) {
    m_modename->setText(common::UiText(name));
}

void LauncherWindow::ShowBanner(const QImage& banner) {
    // The label is exactly banner-sized and aligned top-left, so a larger
    // picture is clipped and a smaller one is not stretched.
    if (banner.isNull())
        m_banner->clear();
    else
        m_banner->setPixmap(QPixmap::fromImage(banner));
}

void LauncherWindow::ShowRankingButton(bool visible) {
    m_ligabutton->setVisible(visible);
}

// --- LauncherView ---

QLineEdit* LauncherWindow::BoxEdit(Box box) const {
    switch (box) {
    case Box::Ip:
        return m_ip;
    case Box::Username:
        return m_username;
    case Box::Map:
        return m_map;
    case Box::Comment:
        return m_comment;
    }
    return m_ip;
}

std::string LauncherWindow::BoxText(Box box) const {
    return common::AnsiText(BoxEdit(box)->text());
}

void LauncherWindow::SetBoxText(Box box, const std::string& text) {
    BoxEdit(box)->setText(common::UiText(text));
}

std::string LauncherWindow::PlayersText() const {
    return common::AnsiText(m_players->currentText());
}

std::string LauncherWindow::PlayersSelection() const {
    const int index = m_players->findText(m_players->currentText(), Qt::MatchExactly);
    return index < 0 ? std::string() : common::AnsiText(m_players->itemText(index));
}

void LauncherWindow::SetPlayersText(const std::string& text) {
    const QString shown = common::UiText(text);
    const int index = m_players->findText(shown, Qt::MatchExactly);
    if (index >= 0)
        m_players->setCurrentIndex(index);
    m_players->setEditText(shown);
}

void LauncherWindow::SetWatcherCount(const std::string& count) {
    m_usercount->setText(common::UiText(count));
}

void LauncherWindow::ShowClassNodes(const std::vector<std::string>& nodes) {
    m_filter->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(nodes.size()));
    for (const auto& node : nodes)
        items.append(new QTreeWidgetItem(QStringList{common::UiText(node)}));
    m_filter->addTopLevelItems(items);
}

void LauncherWindow::SelectClassNode(int node) {
    if (QTreeWidgetItem* item = m_filter->topLevelItem(node))
        m_filter->setCurrentItem(item);
}

int LauncherWindow::SelectedClassNode() const {
    QTreeWidgetItem* item = m_filter->currentItem();
    return item ? m_filter->indexOfTopLevelItem(item) : 0;
}

void LauncherWindow::ShowRows(std::shared_ptr<const ShownGames> shown) {
    m_gameModel->Show(std::move(shown));
    m_games->setCurrentIndex(m_gameModel->index(0, 0));
}

void LauncherWindow::ShowListCut(bool cut) {
    if (m_listCut)
        m_listCut->setVisible(cut);
}

int LauncherWindow::SelectedRow() const {
    const QModelIndex current = m_games->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void LauncherWindow::ShowLocked(bool locked) {
    const QString style = QString::fromLatin1(locked ? kLockedStyle : kFreeStyle);
    m_host->setStyleSheet(style);
    m_refresh->setStyleSheet(style);
}

void LauncherWindow::ShowBusyCursor(bool busy) {
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void LauncherWindow::EnsureTimerRuns() {
    if (!m_refreshtimer->isActive())
        m_refreshtimer->start();
}

void LauncherWindow::CloseSoon() {
    QTimer::singleShot(0, this, [this] { close(); });
}

} // namespace switcher
