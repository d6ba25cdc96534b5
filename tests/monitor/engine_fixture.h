#pragma once

#include "monitor/monitor_engine.h"
#include "tests/support/counting_sound.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_inspection.h"
#include "tests/support/fake_sockets.h"
#include "tests/support/fake_tcp_table.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// The monitor engine on in-memory ports: sockets, TCP table, clock, timer,
// sound and view are all open to the test.
namespace monitortest {

using namespace std::chrono_literals;
// The shared fakes, under the names the rig's users know them by. The clock
// starts at noon, so times of day are easy to read.
using testsupport::CountingSound;
using testsupport::FakeClock;
using FakeTable = testsupport::FakeTcpTable;

class PlainDateTime final : public monitor::DateTimeFormat {
public:
    std::string ShortDate(monitor::TimePoint) const override { return "01.02.2003"; }
    std::string ShortTime(monitor::TimePoint t) const override {
        const auto s = std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count() % 86400;
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(s / 3600), int(s / 60 % 60), int(s % 60));
        return text;
    }
};

class FakeTimer final : public monitor::TimerPort {
public:
    int interval = 8000;
    bool enabled = false;
    int enables = 0;
    void SetInterval(int ms) override { interval = ms; }
    void Enable(bool on) override {
        enabled = on;
        enables += on ? 1 : 0;
    }
};

class FakeView final : public monitor::MonitorView {
public:
    std::vector<std::string> messages;
    std::function<void()> duringMessage;
    void DisplayChanged() override {}
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        if (duringMessage)
            duringMessage();
    }
};

// One established row (state 5) from local port `localPort` to
// `remote`:`remotePort`.
inline monitor::TcpRow Row(std::array<std::uint8_t, 4> remote, int localPort, int remotePort,
                           std::uint32_t state = monitor::kTcpEstablished) {
    monitor::TcpRow row;
    row.State = state;
    row.LocalAddress = {192, 0, 2, 10};
    row.LocalPort = {static_cast<std::uint8_t>(localPort >> 8), static_cast<std::uint8_t>(localPort), 0, 0};
    row.RemoteAddress = remote;
    row.RemotePort = {static_cast<std::uint8_t>(remotePort >> 8), static_cast<std::uint8_t>(remotePort), 0,
                      0};
    return row;
}

// A report as an honest monitor sends it.
inline std::string Report(const std::string& name, const char* game = "199", const char* sust = "102",
                          const char* dll = "384") {
    return std::string(game) + sust + dll + "00" + name;
}

// Every port of the engine but its sockets, as fakes the test can look into.
struct FakePorts {
    FakeTable table;
    inspecttest::FakeInspector inspector;
    inspecttest::FakeKessit kessit;
    CountingSound sound;
    FakeClock clock;
    PlainDateTime dateTime;
    FakeTimer timer;
    FakeView view;

    monitor::EnginePorts On(monitor::SocketArray& sockets, std::function<std::string()> dialUp = {}) {
        return {.Sockets = sockets,
                .TcpTable = table,
                .Inspector = inspector,
                .Kessit = kessit,
                .Sound = sound,
                .Clock = clock,
                .DateTime = dateTime,
                .Timer = timer,
                .View = view,
                .DialUpAddress = std::move(dialUp),
                .Errors = {}};
    }
};

// A config for rigs: the server listens on `port` (0: a free one).
inline monitor::EngineConfig RigConfig(int port, std::string programDirectory = ".",
                                       std::function<void()> afterEvaluation = {}) {
    return {.MonitorPort = port,
            .ProgramDirectory = std::move(programDirectory),
            .AfterEvaluation = std::move(afterEvaluation)};
}

struct EngineRig : FakePorts {
    FakeSockets sockets;
    std::string dialUp;
    int evaluations = 0;
    monitor::MonitorEngine engine;

    explicit EngineRig(std::string programDirectory = ".")
        : engine(On(sockets, [this] { return dialUp; }),
                 RigConfig(monitor::kDefaultMonitorPort, std::move(programDirectory),
                           [this] { ++evaluations; })) {}

    monitor::SharedState& State() { return engine.State(); }
    const std::vector<std::string>& Log() const { return engine.Display().List2; }

    // A server with joiners connected on slots 1..count (addresses
    // 198.51.100.<slot>), each having sent its report "P<slot>".
    void ServerWithJoiners(int count) {
        engine.Start(monitor::InspectionSettings{}, true);
        for (int i = 1; i <= count; ++i) {
            sockets.Request(engine, 1000 + i, "198.51.100." + std::to_string(i));
            sockets.Arrive(engine, i, Framed(Report("P" + std::to_string(i))));
        }
    }

    // A joiner that found the server at `server` and is connected to it.
    void JoinerConnectedTo(const std::string& server) {
        engine.Start(monitor::InspectionSettings{});
        table.rows = {Row({198, 51, 100, 1}, 40001, 2300), Row({198, 51, 100, 1}, 40002, 2300)};
        engine.Tick();
        sockets.Complete(engine, 0, server);
    }
};

} // namespace monitortest
