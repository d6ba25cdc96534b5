// The server's tick with 46 joiners: its own report and 46 relays to each of
// them. First on in-memory sockets (the engine's own cost), then on real
// loopback sockets through the Qt socket array (what varnok pays). Target:
// under 1 ms of CPU per tick.
#include "monitor/peers/socket_array_qt.h"
#include "monitor/peers/status_report.h"
#include "tests/monitor/engine_fixture.h"

#include <QCoreApplication>
#include <QTcpSocket>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kJoiners = 46;

void BM_ServerTickFakes(benchmark::State& state) {
    monitortest::EngineRig rig;
    rig.ServerWithJoiners(kJoiners);
    for (auto _ : state) {
        rig.engine.Tick();
        state.PauseTiming();
        for (int slot = 1; slot <= kJoiners; ++slot)
            rig.sockets[slot].sent.clear();
        // Everyone keeps reporting, so nobody is dropped.
        for (int slot = 1; slot <= kJoiners; ++slot)
            rig.sockets.Arrive(rig.engine, slot, monitortest::Framed(monitortest::Report("P")));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ServerTickFakes)->Unit(benchmark::kMicrosecond);

void BM_ServerTickLoopback(benchmark::State& state) {
    int argc = 1;
    char name[] = "monitor_tick_bench";
    char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;

    monitor::QtSocketArray sockets(31);
    monitortest::FakePorts fakes;
    monitor::MonitorEngine engine(fakes.On(sockets), monitortest::RigConfig(0));
    sockets.SetEvents(&engine);
    // Port 0: the server listens on a free port.
    engine.Start(monitor::InspectionSettings{}, true);
    const quint16 serverPort = sockets.ListeningPort();
    if (!serverPort) {
        state.SkipWithError("cannot listen");
        return;
    }
    std::vector<std::unique_ptr<QTcpSocket>> joiners;
    for (int i = 0; i < kJoiners; ++i) {
        auto joiner = std::make_unique<QTcpSocket>();
        // One address each, as on a real network: the server gives one
        // address at most 12 slots.
        joiner->bind(QHostAddress(QStringLiteral("127.0.1.%1").arg(i + 1)));
        joiner->connectToHost(QHostAddress::LocalHost, serverPort);
        joiner->waitForConnected(2000);
        joiners.push_back(std::move(joiner));
    }
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents();
    const std::string report = monitortest::Framed(monitortest::Report("P"));
    for (auto _ : state) {
        state.PauseTiming();
        for (auto& joiner : joiners) {
            joiner->write(report.data(), static_cast<qint64>(report.size()));
            joiner->flush();
        }
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        state.ResumeTiming();
        engine.Tick();
        // The writes leave the process in the event loop: part of the tick's cost.
        QCoreApplication::processEvents();
        state.PauseTiming();
        for (auto& joiner : joiners) {
            joiner->waitForReadyRead(0);
            joiner->readAll();
        }
        state.ResumeTiming();
    }
    int reporting = 0;
    for (int slot = 1; slot <= kJoiners; ++slot)
        reporting += monitor::HoldsReport(engine.State().PeerTable[slot]) ? 1 : 0;
    state.counters["joiners"] = reporting;
}
BENCHMARK(BM_ServerTickLoopback)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
