// The launcher's game list showing 100,000 rows: handing the rows to the
// table (what a refresh does before it returns to the event loop) and the
// first paint of the table with the last rows in view.
#include "switcher/multiplayer/game_list_model_qt.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <memory>
#include <numeric>
#include <string>

namespace {

std::shared_ptr<const switcher::ShownGames> HundredThousandRows() {
    auto list = std::make_shared<gamelist::GameList>();
    for (int i = 0; i < 100000; ++i) {
        gamelist::GameListEntry e;
        e.fields = {"10.0.0." + std::to_string(i % 256),
                    "Player " + std::to_string(i),
                    "12:34",
                    "CDV",
                    "Bridge at Remagen",
                    "4vs4",
                    "all welcome",
                    "ww2"};
        list->Add(e);
    }
    auto shown = std::make_shared<switcher::ShownGames>();
    shown->list = list;
    shown->rows.resize(list->size());
    std::iota(shown->rows.begin(), shown->rows.end(), 0u);
    return shown;
}

void ShowHundredThousandRows(benchmark::State& state) {
    const auto shown = HundredThousandRows();
    auto* model = new switcher::GameListModel(
        {"IP", "Username", "Posted", "Version", "Map", "Players", "Comment"}, nullptr);
    QTableView* table = switcher::MakeGameTable(nullptr, model);
    table->resize(753, 200);
    table->show();
    for (auto _ : state) {
        model->Show(std::make_shared<switcher::ShownGames>());
        model->Show(shown);
        table->setCurrentIndex(model->index(0, 0));
        table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
        benchmark::DoNotOptimize(table->grab());
    }
    delete table;
    delete model;
}
BENCHMARK(ShowHundredThousandRows)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
