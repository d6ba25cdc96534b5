#pragma once

#include "common/shell.h"
#include "monitor/clock.h"
#include "monitor/date_time_format.h"
#include "monitor/evaluation.h"
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"
#include "monitor/local_tick.h"
#include "monitor/shared_state.h"
#include "monitor/sound.h"

#include <QWidget>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace monitor {

// The community website that the link under the log opens.
inline constexpr char kWebsiteUrl[] = "http://www.zandrel-community.net/";

// Everything the window talks to outside itself.
struct MonitorPorts {
    std::unique_ptr<ProcessInspector> Inspector;
    std::unique_ptr<KessitPort> Kessit;
    std::unique_ptr<common::Shell> Shell;
    std::unique_ptr<SoundPort> Sound;
    std::unique_ptr<ClockPort> Clock;
    std::unique_ptr<DateTimeFormat> DateTime;
};

// The platform's own ports.
MonitorPorts SystemPorts();

// The monitor window. Controls keep their component names as object names.
class Form1 : public QWidget, public EvaluationView, public LocalStateView {
    Q_OBJECT

public:
    explicit Form1(MonitorPorts ports, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up after the window is shown: port, joiner role, game DLL
    // settings, the game checks once, the labels, the evaluation; then the
    // timer runs the tick.
    void Start(const InspectionSettings& settings);

    // One tick of Timer1 (the timer is stopped while it runs).
    void Tick();

    // Brings the window forward (a second start asked for it).
    void Activate();

    void OpenUrl(const std::string& target);

    // EvaluationView
    void ClearStatusList() override;
    void AddStatusLine(std::string line) override;
    void SetCounts(std::string text) override;
    void AddLogLine(std::string line) override;
    void PlayWarningSound() override;
    void SaveLog() override;
    std::string PlayerCountText() const override;
    std::string RemoteAddress(int socketSlot) const override;

    // LocalStateView
    void SetGameStateText(std::string text) override;
    void SetDllStateText(std::string text) override;
    void SetInstanceCountText(std::string text) override;

    SharedState& State() { return m_state; }
    GameScan& Scan() { return m_scan; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FilterText1();
    void TakeRole(bool server);
    void ShowPlayerName();

    MonitorPorts m_ports;
    SharedState m_state;
    GameScan m_scan;

    QTimer* m_timer1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QListWidget* m_list2 = nullptr;
    QLabel* m_label6 = nullptr;
    QLabel* m_label7 = nullptr;
    QLabel* m_stateText = nullptr;
    QLabel* m_startetLabel = nullptr;
    QLabel* m_correct = nullptr;
    QLabel* m_surun = nullptr;
    QLabel* m_localPlayer = nullptr;
    QLabel* m_saveLogNotice = nullptr;
    QLabel* m_dllNotice = nullptr;
};

} // namespace monitor
