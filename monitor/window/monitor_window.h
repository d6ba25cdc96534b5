#pragma once

#include "common/shell.h"
#include "monitor/clock.h"
#include "monitor/date_time_format.h"
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"
#include "monitor/monitor_engine.h"
#include "monitor/peers/lazy_socket_array.h"
#include "monitor/peers/socket_array.h"
#include "monitor/shared_state.h"
#include "monitor/sound.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
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

// Everything the window talks to outside itself.
struct MonitorPorts {
    std::unique_ptr<ProcessInspector> Inspector;
    std::unique_ptr<KessitPort> Kessit;
    std::unique_ptr<common::Shell> Shell;
    std::unique_ptr<SoundPort> Sound;
    std::unique_ptr<ClockPort> Clock;
    std::unique_ptr<DateTimeFormat> DateTime;
    std::unique_ptr<TcpTableSource> TcpTable;
    // Empty: the window makes a socket array that asks MakeSockets for the
    // real one when the first peer link opens.
    std::unique_ptr<SocketArray> Sockets;
    SocketArrayMaker MakeSockets;
    std::function<std::string()> DialUpAddress;
    // Why the game's memory cannot be read (empty: it can).
    std::function<std::string(std::uint32_t)> MemoryAccess;
};

// The platform's own ports.
MonitorPorts SystemPorts();

// Options of the program that reach the window.
struct MonitorOptions {
    int MonitorPort = kDefaultMonitorPort;
    // Written after every evaluation when not empty.
    std::string StatusFile;
};

// The monitor window: it shows the engine's display and forwards clicks,
// timer ticks and socket events. Controls keep their component names as
// object names; the window itself is "Form1".
class MonitorWindow : public QWidget, private MonitorView, private TimerPort {
    Q_OBJECT

public:
    explicit MonitorWindow(MonitorPorts ports, MonitorOptions options = {}, QWidget* parent = nullptr);
    ~MonitorWindow() override;

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

    MonitorPorts m_ports;
    MonitorOptions m_options;
    std::unique_ptr<MonitorEngine> m_engine;

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
