#pragma once

#include "monitor/monitor_window.h"
#include "tests/monitor/fake_sockets.h"
#include "tests/monitor/inspect/fake_inspection.h"

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

struct OpenCall {
    std::string target;
    std::string parameters;
    int mode = -1;
};

class RecordingShell final : public common::Shell {
public:
    std::vector<OpenCall> calls;
    void Open(std::string_view target, std::string_view parameters, common::ShowMode mode) override {
        calls.push_back({std::string(target), std::string(parameters), static_cast<int>(mode)});
    }
};

class CountingSound final : public monitor::SoundPort {
public:
    int plays = 0;
    void PlayErrorSound() override { ++plays; }
};

class FixedClock final : public monitor::ClockPort {
public:
    monitor::TimePoint now = monitor::TimePoint{} + std::chrono::hours(24 * 365 * 30);
    monitor::TimePoint Now() const override { return now; }
};

class PlainDateTime final : public monitor::DateTimeFormat {
public:
    std::string ShortDate(monitor::TimePoint) const override { return "01.02.2003"; }
    std::string ShortTime(monitor::TimePoint) const override { return "04:05:06"; }
};

class EmptyTcpTable final : public monitor::TcpTableSource {
public:
    std::uint32_t Read(std::vector<monitor::TcpRow>& rows, std::uint32_t& size) override {
        rows.clear();
        size = monitor::kTcpTableBytes;
        return 0;
    }
};

struct FakeMonitor {
    inspecttest::FakeInspector* inspector = new inspecttest::FakeInspector;
    RecordingShell* shell = new RecordingShell;
    CountingSound* sound = new CountingSound;
    FixedClock* clock = new FixedClock;
    monitortest::FakeSockets* sockets = new monitortest::FakeSockets;
    std::unique_ptr<monitor::MonitorWindow> window;

    FakeMonitor() {
        monitor::MonitorPorts ports;
        ports.Inspector.reset(inspector);
        ports.Kessit = std::make_unique<inspecttest::FakeKessit>();
        ports.Shell.reset(shell);
        ports.Sound.reset(sound);
        ports.Clock.reset(clock);
        ports.DateTime = std::make_unique<PlainDateTime>();
        ports.TcpTable = std::make_unique<EmptyTcpTable>();
        ports.Sockets.reset(sockets);
        window = std::make_unique<monitor::MonitorWindow>(std::move(ports));
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
