// What one redraw of the overview costs on a Bridge-Pro-sized home: rooms,
// zones and the home group, each with its lights and scenes resolved and
// sorted. Run: <build>/HueBridgeKit/bench/bench_home
#include "BridgeProHome.h"
#include "HueHome.h"

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

using BridgePro::id;

void overviewRedraw(benchmark::State &state)
{
    const HueHome home(BridgePro::home());
    qsizetype scenes = 0;
    for (auto _ : state) {
        const QList<HueGroup> rooms = home.rooms();
        const QList<HueGroup> zones = home.zones();
        const std::optional<HueGroup> whole = home.home();
        scenes = 0;
        for (const HueGroup &group : rooms)
            scenes += group.scenes.size();
        for (const HueGroup &group : zones)
            scenes += group.scenes.size();
        benchmark::DoNotOptimize(whole);
    }
    state.counters["resources"] = double(home.resources.size());
    state.counters["scenes"] = double(scenes);
}
BENCHMARK(overviewRedraw)->Unit(benchmark::kMicrosecond);

void allGroups(benchmark::State &state)
{
    const HueHome home(BridgePro::home());
    for (auto _ : state)
        benchmark::DoNotOptimize(home.allGroups());
}
BENCHMARK(allGroups)->Unit(benchmark::kMicrosecond);

// What recomputing the groups after a local change needs.
void groupMembers(benchmark::State &state)
{
    const HueHome home(BridgePro::home());
    for (auto _ : state)
        benchmark::DoNotOptimize(home.groupMembers());
}
BENCHMARK(groupMembers)->Unit(benchmark::kMicrosecond);

void groupLookup(benchmark::State &state)
{
    const HueHome home(BridgePro::home());
    for (auto _ : state)
        benchmark::DoNotOptimize(home.group(id("room", 7)));
}
BENCHMARK(groupLookup)->Unit(benchmark::kMicrosecond);

// A card that looks up its own light.
void lightLookup(benchmark::State &state)
{
    const HueHome home(BridgePro::home());
    for (auto _ : state)
        benchmark::DoNotOptimize(home.light(id("light", 7)));
}
BENCHMARK(lightLookup)->Unit(benchmark::kMicrosecond);

void applyEventBatch(benchmark::State &state)
{
    HueHome home(BridgePro::home());
    QList<HueEvent> batch;
    for (int i = 0; i < 50; ++i) {
        HueResource light(id("light", i * 3), u"light"_s);
        light.brightness = i;
        batch.append(HueEvent{HueEvent::Kind::update, {light}});
    }
    for (auto _ : state) {
        for (const HueEvent &event : batch)
            benchmark::DoNotOptimize(home.apply(event));
    }
}
BENCHMARK(applyEventBatch)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
