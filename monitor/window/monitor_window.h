#pragma once

#include "common/shell.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/monitor_engine.h"
#include "monitor/shared_state.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QMessageBox;
class QPushButton;
class QTimer;

namespace monitor {

// The community website that the link under the log opens.
inline constexpr char kWebsiteUrl[] = "http://www.zandrel-community.net/";

// The monitor window: it shows the engine's display and forwards clicks,
// timer ticks and socket events. Controls keep their component names as
// object names; the window itself is "Form1".
class MonitorWindow : public QWidget, private MonitorView, private TimerPort {
    Q_OBJECT

public:
    // `shell` opens the website link; it must outlive the window.
    explicit MonitorWindow(common::Shell& shell, QWidget* parent = nullptr);
    ~MonitorWindow() override;

    // What the engine is handed to show on and to run the tick with.
    MonitorView& View() { return *this; }
    TimerPort& Timer() { return *this; }
    // The engine this window shows and forwards to; set once, before Start.
    void Attach(MonitorEngine& engine);

    // Start-up after the window is shown (see MonitorEngine::Start); then the
    // timer runs the tick.
    void Start(const InspectionSettings& settings, bool asServer = false);

    // One tick of Timer1.
    void Tick();

    // Brings the window forward (a second start asked for it).
    void Activate();

    void OpenUrl(const std::string& target);

    MonitorEngine& Engine() { return *m_engine; }
    SharedState& State() { return m_engine->State(); }
    GameScan& Scan() { return m_engine->Scan(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // MonitorView
    void DisplayChanged() override;
    void ShowMessage(const std::string& text) override;
    // TimerPort
    void SetInterval(int ms) override;
    void Enable(bool on) override;

    void CreateControls();
    void FilterText1();

    common::Shell& m_shell;
    MonitorEngine* m_engine = nullptr;

    QTimer* m_timer1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QListWidget* m_list1 = nullptr;
    // What DisplayChanged last put on the labels and into List1, as it came.
    std::array<std::optional<std::string>, 10> m_shownTexts;
    std::vector<std::string> m_shownList1;
    QListWidget* m_list2 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label6 = nullptr;
    QLabel* m_label7 = nullptr;
    QLabel* m_stateText = nullptr;
    QLabel* m_startetLabel = nullptr;
    QLabel* m_correct = nullptr;
    QLabel* m_surun = nullptr;
    QLabel* m_externIp = nullptr;
    QLabel* m_interIp = nullptr;
    QLabel* m_localPlayer = nullptr;
    QLabel* m_saveLogNotice = nullptr;
    QPointer<QMessageBox> m_message;
    int m_logSaves = 0;
    QLabel* m_dllNotice = nullptr;
    QLabel* m_memoryNotice = nullptr;
};

} // namespace monitor
