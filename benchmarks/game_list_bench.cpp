// Parsing a list reply of 10,000 games, as the launcher does at each refresh,
// and a refresh's whole work on a reply at the caps (100,000 entries in
// 1,000 classes): the parse, the class tree's counts and the filter.
#include "gamelist/protocol/game_list_reply.h"
#include "switcher/multiplayer/launcher_flows.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::string Reply(int entries) {
    std::vector<gamelist::GameListEntry> list;
    for (int i = 0; i < entries; ++i) {
        gamelist::GameListEntry e;
        e.fields = {"10.0." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256),
                    "Player " + std::to_string(i),
                    "12:34",
                    "CDV",
                    "Bridge at Remagen",
                    "4vs4",
                    i % 3 ? "all welcome, experienced players only" : " ",
                    i % 2 ? "ww2" : "winter"};
        list.push_back(e);
    }
    return gamelist::BuildStrippedV2("198.51.100.7", "42", {"ww2", "winter", "desert", "other"}, list);
}

void ParseStrippedV2TenThousand(benchmark::State& state) {
    const std::string body = Reply(10000);
    for (auto _ : state) {
        auto reply = gamelist::ParseStrippedV2(body);
        benchmark::DoNotOptimize(reply);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(body.size()));
}
BENCHMARK(ParseStrippedV2TenThousand)->Unit(benchmark::kMillisecond);

std::string ReplyAtTheCaps() {
    std::vector<std::string> classes;
    for (std::size_t c = 0; c < gamelist::kMaxListClasses; ++c)
        classes.push_back("class" + std::to_string(c));
    std::vector<gamelist::GameListEntry> list;
    for (std::size_t i = 0; i < gamelist::kMaxListEntries; ++i) {
        gamelist::GameListEntry e;
        e.fields = {"10.0." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256),
                    "Player " + std::to_string(i),
                    "12:34",
                    "CDV",
                    "Bridge at Remagen",
                    "4vs4",
                    "all welcome",
                    "CLASS" + std::to_string(i % classes.size())};
        list.push_back(e);
    }
    return gamelist::BuildStrippedV2("198.51.100.7", "42", classes, list);
}

void RefreshAtTheCaps(benchmark::State& state) {
    const std::string body = ReplyAtTheCaps();
    for (auto _ : state) {
        const auto reply = gamelist::ParseStrippedV2(body);
        const auto nodes = switcher::LauncherFlows::ClassNodes(reply.classes, reply.entries);
        const auto all = switcher::LauncherFlows::FilterRows(reply.entries, true, {});
        const auto one = switcher::LauncherFlows::FilterRows(reply.entries, false, reply.classes[500]);
        benchmark::DoNotOptimize(nodes);
        benchmark::DoNotOptimize(all);
        benchmark::DoNotOptimize(one);
    }
}
BENCHMARK(RefreshAtTheCaps)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
