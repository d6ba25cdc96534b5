#include "monitor/window/monitor_window.h"

#include "common/qt/ui_text_qt.h"
#include "monitor/player_count.h"
#include "monitor/window/background_qt.h"
#include "monitor/window/monitor_look_qt.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <utility>
#include <vector>

namespace monitor {

namespace {

// Positions of the controls are kept in twips, as the window was designed;
// 15 twips make one pixel.
constexpr int kTwipsPerPixel = 15;

QRect Twips(int left, int top, int width, int height) {
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

const QSize kClientSize(7875 / kTwipsPerPixel, 9255 / kTwipsPerPixel);

// Windows' restore show command: the site opens in a normal window.
constexpr auto kShowRestore = common::ShowMode::Restore;

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const QRect& place) {
    auto* button = new FlatButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, const QRect& place) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QListWidget* MakeList(QWidget* parent, const char* name, const QRect& place) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(place);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ApplyListLook(list);
    return list;
}

} // namespace

MonitorWindow::MonitorWindow(common::Shell& shell, QWidget* parent)
    : QWidget(parent, Qt::Window), m_shell(shell) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Varnok"));
    setWindowIcon(MonitorIcon());
    // Fixed border with a minimise box: no maximise, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientSize);
    ApplyMonitorLook(this);
    CreateControls();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

MonitorWindow::~MonitorWindow() = default;

void MonitorWindow::Attach(MonitorEngine& engine) {
    m_engine = &engine;
    // The DLL checksum stops the tick while it reads the file.
    ChecksumHooks hooks;
    hooks.StopTimer = [this] { m_timer1->stop(); };
    hooks.StartTimer = [this] { m_timer1->start(); };
    m_engine->Scan().SetChecksumHooks(std::move(hooks));
}

void MonitorWindow::CreateControls() {
    // The background picture lies under everything else.
    auto* image1 = new BackgroundLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(Twips(-105, -15, 7950, 9300));
    image1->setMouseTracking(true);

    auto* command5 = MakeButton(this, "Command5", "Sub", Twips(7110, 3465, 435, 300));
    auto* command4 = MakeButton(this, "Command4", "Add", Twips(7110, 3120, 435, 300));
    m_text1 = new FramedLineEdit(QStringLiteral("0"), this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(Twips(6720, 3270, 360, 300));
    auto* command3 = MakeButton(this, "Command3", "Save Log", Twips(6105, 8535, 1455, 375));
    m_list2 = MakeList(this, "List2", Twips(480, 7230, 7065, 1230));

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kServerTickMs);

    m_command2 = MakeButton(this, "Command2", "I am a Joiner", Twips(2250, 930, 1455, 375));
    m_list1 = MakeList(this, "List1", Twips(495, 1605, 4695, 5325));
    m_command1 = MakeButton(this, "Command1", "I am Server", Twips(555, 930, 1455, 375));
    MakeLabel(this, "Label9", "Spieleranzahl :", Twips(5250, 3450, 1425, 255));
    MakeLabel(this, "Label8", "Number of Players:", Twips(5250, 3210, 1425, 255));
    m_label7 = MakeLabel(this, "Label7", "Website : Trevano", Twips(2625, 8640, 3001, 225));
    m_label6 = MakeLabel(this, "Label6", "", Twips(2265, 1365, 2790, 225));
    m_label3 = MakeLabel(this, "Label3", "Trying to connect to:", Twips(2430, 90, 5355, 225));
    MakeLabel(this, "Label2", "Players in game :", Twips(510, 1365, 2775, 375));
    MakeLabel(this, "Label5", "Log:", Twips(525, 6990, 975, 375));
    MakeLabel(this, "Label1", "DLL :", Twips(5310, 6120, 855, 255));
    m_correct = MakeLabel(this, "Correct", "Not checked", Twips(5310, 6360, 1215, 255));
    m_startetLabel = MakeLabel(this, "StartetLabel", "Game not started", Twips(5310, 5730, 1335, 255));
    MakeLabel(this, "Label4", "Active SUSTs :", Twips(5310, 5415, 1215, 255));
    m_surun = MakeLabel(this, "surun", "", Twips(6450, 5415, 375, 255));
    m_stateText = MakeLabel(this, "StateText", "Joiner", Twips(2190, 570, 855, 255));
    m_externIp = MakeLabel(this, "ExternIP", "", Twips(5865, 1005, 1545, 270));
    m_interIp = MakeLabel(this, "InterIP", "", Twips(5850, 540, 1545, 270));

    // Two additions of ours: the local player's name above the local state,
    // and a notice beside "Save Log" when the log file could not be written
    // (the log list itself never carries such a line).
    m_localPlayer = MakeLabel(this, "LocalPlayer", "", QRect(354, 336, 166, 17));
    m_saveLogNotice = MakeLabel(this, "SaveLogNotice", "", QRect(407, 596, 116, 17));
    ApplyWarningLook(m_saveLogNotice);
    m_saveLogNotice->hide();
    // Under the DLL state: why the game DLL is not judged, when it is not.
    m_dllNotice = MakeLabel(this, "DllNotice", "No genuine digest set", QRect(354, 441, 166, 17));
    m_dllNotice->setToolTip(QStringLiteral(
        "varnok.ini names no genuine digest of the game DLL, so the DLL file is not judged (\"456\").\n"
        "Run \"varnok --digest FILE\" on the genuine game DLL and paste the line under [integrity]."));
    ApplyWarningLook(m_dllNotice);
    m_dllNotice->hide();
    m_memoryNotice = MakeLabel(this, "MemoryNotice", "", QRect(354, 458, 166, 17));
    m_memoryNotice->setToolTip(
        QStringLiteral("The kernel lets a program read the memory only of programs it started itself\n"
                       "(kernel.yama.ptrace_scope), so kessit cannot check the game DLL in memory.\n"
                       "The README and \"man varnok\" say how to allow it."));
    ApplyWarningLook(m_memoryNotice);
    m_memoryNotice->hide();

    QFont underlined = m_label7->font();
    underlined.setUnderline(true);
    m_label7->setFont(underlined);
    // Qt loads the system's hand cursor while the mouse is over the link and
    // gives the default pointer back once it moves on to the background.
    m_label7->setCursor(Qt::PointingHandCursor);
    m_label7->installEventFilter(this);

    connect(command5, &QPushButton::clicked, this,
            [this] { m_text1->setText(common::UiText(SubPlayer(common::AnsiText(m_text1->text())))); });
    connect(command4, &QPushButton::clicked, this,
            [this] { m_text1->setText(common::UiText(AddPlayer(common::AnsiText(m_text1->text())))); });
    connect(m_text1, &QLineEdit::textChanged, this, &MonitorWindow::FilterText1);
    connect(command3, &QPushButton::clicked, this, [this] { m_engine->SaveLog(); });
    connect(m_command1, &QPushButton::clicked, this, [this] { m_engine->TakeServerRole(); });
    connect(m_command2, &QPushButton::clicked, this, [this] { m_engine->TakeJoinerRole(); });
    connect(m_timer1, &QTimer::timeout, this, &MonitorWindow::Tick);
}

void MonitorWindow::Start(const InspectionSettings& settings, bool asServer) {
    m_dllNotice->setVisible(settings.GenuineDigests.empty());
    m_engine->SetPlayerCountText(common::AnsiText(m_text1->text()));
    m_engine->Start(settings, asServer);
}

void MonitorWindow::Tick() {
    m_engine->Tick();
}

void MonitorWindow::Activate() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void MonitorWindow::OpenUrl(const std::string& target) {
    m_shell.Open(target, "0", kShowRestore);
}

void MonitorWindow::FilterText1() {
    // Setting the filtered text changes Text1 again; the filter leaves its own
    // result as it is, so that second run ends here.
    const QString filtered = common::UiText(FilterPlayerCount(common::AnsiText(m_text1->text())));
    if (filtered != m_text1->text()) {
        m_text1->setText(filtered);
        return;
    }
    if (m_engine)
        m_engine->SetPlayerCountText(common::AnsiText(filtered));
}

bool MonitorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_label7 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        m_label7->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        OpenUrl(kWebsiteUrl);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

// The display is applied at every tick and nearly always unchanged: a text is
// compared as it came, and converted for the screen only when it changed.
void SetText(QLabel* label, const std::string& text, std::optional<std::string>& shown) {
    if (shown == text)
        return;
    shown = text;
    label->setText(common::UiText(text));
}

} // namespace

void MonitorWindow::DisplayChanged() {
    const MonitorDisplay& d = m_engine->Display();
    std::optional<std::string>* shown = m_shownTexts.data();
    SetText(m_stateText, d.StateText, *shown++);
    SetText(m_label3, d.Label3, *shown++);
    SetText(m_label6, d.Label6, *shown++);
    SetText(m_startetLabel, d.StartetLabel, *shown++);
    SetText(m_correct, d.Correct, *shown++);
    SetText(m_surun, d.Surun, *shown++);
    SetText(m_externIp, d.ExternIP, *shown++);
    SetText(m_interIp, d.InterIP, *shown++);
    SetText(m_localPlayer, d.LocalPlayer, *shown++);
    SetText(m_memoryNotice, d.MemoryNotice, *shown++);
    m_memoryNotice->setVisible(!d.MemoryNotice.empty());
    m_command1->setEnabled(d.ServerButtonEnabled);
    m_command2->setEnabled(d.JoinerButtonEnabled);

    // List1 is rebuilt by every evaluation, and shown anew only when it changed.
    if (d.List1 != m_shownList1) {
        m_shownList1 = d.List1;
        m_list1->clear();
        for (const std::string& line : d.List1)
            m_list1->addItem(common::UiText(line));
    }
    // List2 only grows; each new line becomes the topmost visible one.
    if (m_list2->count() < static_cast<int>(d.List2.size())) {
        for (std::size_t i = static_cast<std::size_t>(m_list2->count()); i < d.List2.size(); ++i)
            m_list2->addItem(common::UiText(d.List2[i]));
        m_list2->scrollToItem(m_list2->item(m_list2->count() - 1), QAbstractItemView::PositionAtTop);
    }

    // Every line was written in turn by a save; the last one stays selected.
    if (d.LogSaves != m_logSaves) {
        m_logSaves = d.LogSaves;
        if (m_list2->count() > 0)
            m_list2->setCurrentRow(m_list2->count() - 1);
    }
    if (d.SaveLogError.empty()) {
        m_saveLogNotice->hide();
        m_saveLogNotice->setToolTip(QString());
    } else {
        // Reported beside the button only: the log list stays as it is.
        m_saveLogNotice->setText(QStringLiteral("Log not saved!"));
        m_saveLogNotice->setToolTip(common::UiText(d.SaveLogError));
        m_saveLogNotice->show();
    }
}

void MonitorWindow::ShowMessage(const std::string& text) {
    // One box at a time, not blocking: the tick goes on meanwhile and a later
    // message replaces the text of the box still open.
    if (!m_message) {
        m_message = new QMessageBox(QMessageBox::NoIcon, windowTitle(), QString(), QMessageBox::Ok, this);
        m_message->setObjectName(QStringLiteral("MessageBox"));
        // The guarded pointer forgets the box when it closes; a slot on its
        // destruction would also run while this window is being destroyed.
        m_message->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_message->setText(common::UiText(text));
    m_message->open();
}

void MonitorWindow::SetInterval(int ms) {
    m_timer1->setInterval(ms);
}

void MonitorWindow::Enable(bool on) {
    if (on)
        m_timer1->start();
    else
        m_timer1->stop();
}

} // namespace monitor
