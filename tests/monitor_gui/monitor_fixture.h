#pragma once

#include "monitor/monitor_program_qt.h"
#include "tests/support/counting_sound.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_inspection.h"
#include "tests/support/fake_sockets.h"
#include "tests/support/fake_tcp_table.h"
#include "tests/support/fixed_date_time.h"
#include "tests/support/recording_shell.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

// The monitor window with in-memory ports that the test can look into.
namespace monitorgui {

using testsupport::CountingSound;
using testsupport::FakeClock;
using testsupport::RecordingShell;

struct FakeMonitor {
    inspecttest::FakeInspector* inspector = new inspecttest::FakeInspector;
    RecordingShell* shell = new RecordingShell;
    CountingSound* sound = new CountingSound;
    FakeClock* clock = new FakeClock(monitor::TimePoint{} + std::chrono::hours(24 * 365 * 30));
    monitortest::FakeSockets* sockets = new monitortest::FakeSockets;
    std::unique_ptr<monitor::MonitorProgram> program;
    monitor::MonitorWindow* window = nullptr;
    // What the memory-access check answers for the game (empty: allowed).
    std::string memoryNotice;

    // `programDirectory` is where Save Log writes (with its separator).
    explicit FakeMonitor(std::string programDirectory = {}) {
        monitor::MonitorPorts ports;
        ports.Inspector.reset(inspector);
        ports.Kessit = std::make_unique<inspecttest::FakeKessit>();
        ports.Shell.reset(shell);
        ports.Sound.reset(sound);
        ports.Clock.reset(clock);
        ports.DateTime = std::make_unique<testsupport::FixedDateTime>("01.02.2003", "04:05:06");
        ports.TcpTable = std::make_unique<testsupport::FakeTcpTable>();
        ports.Sockets.reset(sockets);
        ports.MemoryAccess = [this](std::uint32_t) { return memoryNotice; };
        program = std::make_unique<monitor::MonitorProgram>(
            std::move(ports),
            monitor::MonitorOptions{.StatusFile = {}, .ProgramDirectory = std::move(programDirectory)});
        window = &program->Window();
    }

    template <class T> T* Find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString Text(const char* label) const { return Find<QLabel>(label)->text(); }
    QStringList Lines(const char* list) const {
        QStringList lines;
        const auto* l = Find<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i)
            lines << l->item(i)->text();
        return lines;
    }
};

} // namespace monitorgui
