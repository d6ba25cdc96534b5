#include "switcher/multiplayer/launcher_window.h"

#include "switcher/banner_qt.h"
#include "switcher/ui_text_qt.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

namespace switcher {

namespace {

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
    auto tr = [&](const char* key) { return UiText(language.Text(key)); };

    // Upper part: the banner, and at the right the class tree.
    m_banner = MakeLabel(this, "banner", QString(), QRect(16, 14, kBannerWidth, kBannerHeight));
    m_banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MakeLabel(this, "ModClassesLabel", tr("Mplay.ModClasses"), QRect(560, 8, 209, 18));
    MakeFlatButton(this, "GetTheMod", tr("Mplay.GetTheMod"), QRect(560, 128, 209, 20));

    // Lower left: the watcher count over the commands.
    MakeLabel(this, "PlayersWatchingLabel", tr("Mplay.PlayersWatching"), QRect(16, 362, 140, 18));
    MakeLabel(this, "usercount", QString(), QRect(156, 362, 60, 18));
    const struct {
        const char* name;
        const char* key;
    } commands[] = {{"WaitAndChat", "Mplay.WaitAndChat"}, {"Join", "Mplay.Join"},
                    {"Refresh", "Mplay.Refresh"},         {"CopyIP", "Mplay.CopyIP"},
                    {"ligabutton", "Mplay.GotoRanking"},  {"CloseButton", "Mplay.Close"}};
    int top = 384;
    for (const auto& c : commands) {
        QPushButton* button = MakeFlatButton(this, c.name, tr(c.key), QRect(16, top, 160, 20));
        if (QLatin1String(c.name) == QLatin1String("ligabutton"))
            m_ligabutton = button;
        top += 22;
    }

    // Lower right: the host boxes (made at the first show), the Host button beside modename.
    MakeFlatButton(this, "Host", tr("Mplay.Host"), QRect(200, 424, 110, 22));
    m_modename = MakeLabel(this, "modename", QString(), QRect(316, 424, 453, 22));

    // Message texts, kept in invisible labels.
    const struct {
        const char* name;
        const char* key;
    } hidden[] = {{"caption_Error1", "Mplay.Errror1"},
                  {"caption_Error2", "Mplay.Errror2"},
                  {"caption_Error3", "Mplay.Errror3"},
                  {"caption_stayinchat", "Mplay.StayInChatMsg"}};
    for (const auto& h : hidden)
        MakeLabel(this, h.name, tr(h.key), QRect(0, 0, 10, 10))->hide();

    CentreOnScreen();
}

void LauncherWindow::showEvent(QShowEvent* event) {
    BuildLists();
    BackgroundWindow::showEvent(event);
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
    auto tr = [&](const char* key) { return UiText(m_language.Text(key)); };

    // Upper right: the class tree.
    auto* filter = new QTreeWidget(this);
    filter->setObjectName(QStringLiteral("filter"));
    filter->setHeaderHidden(true);
    filter->setRootIsDecorated(false);
    filter->setGeometry(560, 28, 209, 98);

    // Middle: the game list.
    auto* games = new QTableWidget(1, 7, this);
    games->setObjectName(QStringLiteral("gameslist3"));
    games->setGeometry(16, 154, 753, 200);
    games->setSelectionBehavior(QAbstractItemView::SelectRows);
    games->setSelectionMode(QAbstractItemView::SingleSelection);
    games->setEditTriggers(QAbstractItemView::NoEditTriggers);
    games->verticalHeader()->hide();
    const char* headers[] = {"Mplay.HeaderIP",      "Mplay.HeaderUsername", "Mplay.HeaderPosted",
                             "Mplay.HeaderVersion", "Mplay.HeaderMap",      "Mplay.HeaderPlayer",
                             "Mplay.HeaderComment"};
    const int widths[] = {100, 100, 80, 72, 110, 32, 250};
    QStringList headerTexts;
    for (const char* key : headers)
        headerTexts << tr(key);
    games->setHorizontalHeaderLabels(headerTexts);
    for (int c = 0; c < 7; ++c) {
        games->setColumnWidth(c, widths[c]);
        games->setItem(0, c, new QTableWidgetItem(QStringLiteral(" ")));
    }
    filter->show();
    games->show();

    // Lower right: the host boxes under their labels.
    const struct {
        const char* label;
        const char* name;
        const char* key;
    } boxes[] = {{"IPLabel", "ip", "Mplay.IP"},
                 {"UserNameLabel", "username", "Mplay.UserName"},
                 {"MapLabel", "map", "Mplay.Map"},
                 {"CommentLabel", "comment", "Mplay.Comment"}};
    int left = 200;
    const int boxWidths[] = {110, 110, 110, 150};
    for (int i = 0; i < 4; ++i) {
        MakeLabel(this, boxes[i].label, tr(boxes[i].key), QRect(left, 370, boxWidths[i], 18))->show();
        MakeEdit(this, boxes[i].name, QRect(left, 390, boxWidths[i], 21))->show();
        left += boxWidths[i] + 6;
    }
    MakeLabel(this, "PlayersLabel", tr("Mplay.Players"), QRect(left, 370, 769 - left, 18))->show();
    auto* players = new QComboBox(this);
    players->setObjectName(QStringLiteral("players"));
    players->setEditable(true);
    players->addItems({"1vs1", "2vs2", "3vs3", "4vs4", "5vs5", "6vs6"});
    players->setCurrentIndex(3);
    players->setGeometry(left, 390, 769 - left, 21);
    players->show();
}

void LauncherWindow::ShowModName(const std::string& name) {
    m_modename->setText(UiText(name));
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

} // namespace switcher
