#include "monitor/monitor_program_qt.h"

#include "monitor/inspect/dial_up.h"
#include "monitor/inspect/memory_access.h"
#include "monitor/peers/network_module_qt.h"
#include "monitor/status_file.h"

#include <QCoreApplication>
#include <utility>

namespace monitor {

MonitorPorts SystemPorts() {
    MonitorPorts ports;
    ports.Errors = DebugReporter();
    ports.Inspector = MakeProcessInspector(ports.Errors);
    ports.Kessit = MakeKessitBinding(ports.Errors);
    ports.Shell = common::MakeSystemShell();
    ports.Sound = CreateSystemSound();
    ports.Clock = std::make_unique<SystemClock>();
    ports.DateTime = CreateSystemDateTimeFormat();
    ports.TcpTable = MakeTcpTableSource();
    ports.DialUpAddress = FindDialUpAddress;
    ports.MakeSockets = NetworkModuleMaker(ports.Errors);
    ports.MemoryAccess = [](std::uint32_t pid) { return MemoryAccessNotice(ReadPtraceFacts(pid)); };
    return ports;
}

// The socket array members that exist from the start.
constexpr int kInitialSockets = 31;

MonitorProgram::MonitorProgram(MonitorPorts ports, MonitorOptions options)
    : m_ports(std::move(ports)), m_options(std::move(options)), m_window(*m_ports.Shell) {
    LazySocketArray* lazySockets = nullptr;
    if (!m_ports.Sockets) {
        auto sockets = std::make_unique<LazySocketArray>(kInitialSockets, std::move(m_ports.MakeSockets));
        lazySockets = sockets.get();
        m_ports.Sockets = std::move(sockets);
    }
    EngineConfig config{.MonitorPort = m_options.MonitorPort,
                        .ProgramDirectory = m_options.ProgramDirectory,
                        .AfterEvaluation = {}};
    if (!m_options.StatusFile.empty()) {
        config.AfterEvaluation = [this, written = std::string()]() mutable {
            WriteStatusFile(m_options.StatusFile, m_engine->State(), m_engine->Display(), written);
        };
    }
    m_engine = std::make_unique<MonitorEngine>(EnginePorts{.Sockets = *m_ports.Sockets,
                                                           .TcpTable = *m_ports.TcpTable,
                                                           .Inspector = *m_ports.Inspector,
                                                           .Kessit = *m_ports.Kessit,
                                                           .Sound = *m_ports.Sound,
                                                           .Clock = *m_ports.Clock,
                                                           .DateTime = *m_ports.DateTime,
                                                           .Timer = m_window.Timer(),
                                                           .View = m_window.View(),
                                                           .DialUpAddress = m_ports.DialUpAddress,
                                                           .Errors = m_ports.Errors},
                                               std::move(config));
    if (lazySockets)
        lazySockets->SetEvents(m_engine.get());

    m_engine->Scan().SetMemoryAccess(m_ports.MemoryAccess);
    // The monitor never maps a game module, and its own module list is among
    // the longest on the machine: reading it at every tick would cost a
    // quarter of a server's tick in a full game.
    m_engine->Scan().SetProcessFilter([self = static_cast<std::uint32_t>(QCoreApplication::applicationPid())](
                                          std::uint32_t pid) { return pid != self; });
    m_window.Attach(*m_engine);
}

MonitorProgram::~MonitorProgram() = default;

} // namespace monitor
