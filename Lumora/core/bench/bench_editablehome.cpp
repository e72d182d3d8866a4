// What the event stream costs while the user drags a control: a batch of 50
// reports arriving during active holds, and one local change to the whole
// home as each slider position makes. Run: <build>/Lumora/core/bench/bench_editablehome
#include "BridgeProHome.h"
#include "EditableHome.h"

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const EditableHome::Instant t0 = EditableHome::Instant{} + 1000s;

// A room and a zone are being dimmed (their lights and every group containing
// them are held) when the bridge reports 50 changes, half of them about held
// lights: each either set aside or applied.
void receiveDuringHolds(benchmark::State &state)
{
    EditableHome editable;
    editable.replace(BridgePro::home(), t0);
    editable.applyLocallyToGroupedLight(HueLightCommand{true, 30, std::nullopt, std::nullopt}, u"gl-room-3"_s, t0);
    editable.applyLocallyToGroupedLight(HueLightCommand{std::nullopt, 70, std::nullopt, std::nullopt}, u"gl-zone-2"_s,
                                        t0);
    QStringList held;
    for (const HueHome::GroupMembers &group : editable.home.groupMembers()) {
        if (group.groupedLightID == u"gl-room-3"_s || group.groupedLightID == u"gl-zone-2"_s)
            held += group.lightIDs;
    }

    QList<HueEvent> batch;
    for (int i = 0; i < 50; ++i) {
        const QString target = i % 2 ? held.at(i % held.size()) : BridgePro::id("light", i * 3);
        HueResource report(target, u"light"_s);
        report.brightness = i;
        report.isOn = true;
        batch.append(HueEvent{HueEvent::Kind::update, {report}});
    }
    // The holds never run out: every batch lands within them.
    const EditableHome::Instant now = t0 + 500ms;
    for (auto _ : state)
        benchmark::DoNotOptimize(editable.receive(batch, now));
    state.counters["holds"] = double(editable.holds.size());
    state.counters["deferred"] = double(editable.deferred.size());
}
BENCHMARK(receiveDuringHolds)->Unit(benchmark::kMicrosecond);

// One slider position on the whole home: 150 lights changed and every room
// and zone recomputed.
void dimWholeHome(benchmark::State &state)
{
    EditableHome editable;
    editable.replace(BridgePro::home(), t0);
    double brightness = 1;
    for (auto _ : state) {
        brightness = brightness >= 100 ? 1 : brightness + 1;
        editable.applyLocallyToGroupedLight(HueLightCommand{std::nullopt, brightness, std::nullopt, std::nullopt},
                                            u"gl-home"_s, t0);
    }
}
BENCHMARK(dimWholeHome)->Unit(benchmark::kMicrosecond);

// One slider position on a single light.
void dimOneLight(benchmark::State &state)
{
    EditableHome editable;
    editable.replace(BridgePro::home(), t0);
    double brightness = 1;
    for (auto _ : state) {
        brightness = brightness >= 100 ? 1 : brightness + 1;
        editable.applyLocallyToLight(HueLightCommand{std::nullopt, brightness, std::nullopt, std::nullopt},
                                     BridgePro::id("light", 7), t0);
    }
}
BENCHMARK(dimOneLight)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
