#pragma once

#include "common/shell.h"
#include "monitor/clock.h"
#include "monitor/date_time_format.h"
#include "monitor/inspect/error_report.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"
#include "monitor/inspect/tcp_table.h"
#include "monitor/monitor_engine.h"
#include "monitor/peers/lazy_socket_array.h"
#include "monitor/peers/socket_array.h"
#include "monitor/sound.h"
#include "monitor/window/monitor_window.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// varnok's composition root: the ports, the engine and the window are built
// here, in one place, and each is handed what it needs. main.cpp builds one
// MonitorProgram from the platform's ports; tests build one from fakes.
namespace monitor {

// Everything the monitor talks to outside itself.
struct MonitorPorts {
    std::unique_ptr<ProcessInspector> Inspector;
    std::unique_ptr<KessitPort> Kessit;
    std::unique_ptr<common::Shell> Shell;
    std::unique_ptr<SoundPort> Sound;
    std::unique_ptr<ClockPort> Clock;
    std::unique_ptr<DateTimeFormat> DateTime;
    std::unique_ptr<TcpTableSource> TcpTable;
    // Empty: the program makes a socket array that asks MakeSockets for the
    // real one when the first peer link opens.
    std::unique_ptr<SocketArray> Sockets;
    SocketArrayMaker MakeSockets;
    std::function<std::string()> DialUpAddress;
    // Why the game's memory cannot be read (empty: it can).
    std::function<std::string(std::uint32_t)> MemoryAccess;
    // Where internal errors go (the same reporter the inspector and kessit got).
    ErrorReporter Errors;
};

// The platform's own ports.
MonitorPorts SystemPorts();

// Options of the program.
struct MonitorOptions {
    int MonitorPort = kDefaultMonitorPort;
    // Written after every evaluation when not empty.
    std::string StatusFile;
    // Where Save Log writes varnok.LOG (ends with a separator).
    std::string ProgramDirectory;
};

class MonitorProgram {
public:
    MonitorProgram(MonitorPorts ports, MonitorOptions options);
    ~MonitorProgram();
    MonitorProgram(const MonitorProgram&) = delete;
    MonitorProgram& operator=(const MonitorProgram&) = delete;

    MonitorWindow& Window() { return m_window; }
    MonitorEngine& Engine() { return *m_engine; }

private:
    // Destroyed in reverse: the engine first, then the window it shows on,
    // then the ports both use.
    MonitorPorts m_ports;
    MonitorOptions m_options;
    MonitorWindow m_window;
    std::unique_ptr<MonitorEngine> m_engine;
};

} // namespace monitor
