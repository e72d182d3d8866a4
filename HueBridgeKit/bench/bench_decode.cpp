// How much decoding a Bridge-Pro-sized resource listing costs on top of parsing
// its JSON. Run: build-bench/HueBridgeKit/bench/bench_decode
#include "HueResource.h"
#include "LossyArray.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

QString id(const char *kind, int n)
{
    return u"%1-%2-4000-8000-%3"_s.arg(QLatin1StringView(kind)).arg(n, 8, 10, QChar(u'0')).arg(n, 12, 16, QChar(u'0'));
}

QJsonObject ref(const QString &rid, const char *rtype)
{
    return {{"rid"_L1, rid}, {"rtype"_L1, QLatin1StringView(rtype)}};
}

// About 150 lights, 300 devices, 50 rooms and zones, 500 scenes with 10 actions
// each and a connectivity record per device: roughly what a Bridge Pro holds.
QByteArray bridgeProListing()
{
    QJsonArray data;
    const QJsonObject gamut{{"red"_L1, QJsonObject{{"x"_L1, 0.6915}, {"y"_L1, 0.3083}}},
                            {"green"_L1, QJsonObject{{"x"_L1, 0.17}, {"y"_L1, 0.7}}},
                            {"blue"_L1, QJsonObject{{"x"_L1, 0.1532}, {"y"_L1, 0.0475}}}};
    for (int d = 0; d < 300; ++d) {
        QJsonArray services{ref(id("zc", d), "zigbee_connectivity")};
        if (d < 150)
            services.append(ref(id("light", d), "light"));
        data.append(QJsonObject{
            {"id"_L1, id("device", d)},
            {"type"_L1, u"device"_s},
            {"metadata"_L1, QJsonObject{{"name"_L1, u"Device %1"_s.arg(d)}, {"archetype"_L1, u"sultan_bulb"_s}}},
            {"product_data"_L1, QJsonObject{{"model_id"_L1, u"LCA001"_s}}},
            {"services"_L1, services}});
        data.append(QJsonObject{{"id"_L1, id("zc", d)},
                                {"type"_L1, u"zigbee_connectivity"_s},
                                {"owner"_L1, ref(id("device", d), "device")},
                                {"status"_L1, u"connected"_s},
                                {"mac_address"_L1, u"00:17:88:01:aa:bb:cc:dd"_s}});
    }
    for (int l = 0; l < 150; ++l) {
        data.append(QJsonObject{
            {"id"_L1, id("light", l)},
            {"type"_L1, u"light"_s},
            {"owner"_L1, ref(id("device", l), "device")},
            {"metadata"_L1, QJsonObject{{"name"_L1, u"Lamp %1"_s.arg(l)}, {"archetype"_L1, u"sultan_bulb"_s}}},
            {"on"_L1, QJsonObject{{"on"_L1, l % 2 == 0}}},
            {"dimming"_L1, QJsonObject{{"brightness"_L1, 46.85}, {"min_dim_level"_L1, 0.20000000298023225}}},
            {"color_temperature"_L1,
             QJsonObject{{"mirek"_L1, QJsonValue::Null},
                         {"mirek_valid"_L1, false},
                         {"mirek_schema"_L1, QJsonObject{{"mirek_minimum"_L1, 153}, {"mirek_maximum"_L1, 500}}}}},
            {"color"_L1, QJsonObject{{"xy"_L1, QJsonObject{{"x"_L1, 0.5}, {"y"_L1, 0.41}}},
                                     {"gamut"_L1, gamut},
                                     {"gamut_type"_L1, u"C"_s}}},
            {"dynamics"_L1, QJsonObject{{"speed"_L1, 0}, {"status"_L1, u"none"_s}}},
            {"effects"_L1, QJsonObject{{"status_values"_L1, QJsonArray{u"no_effect"_s, u"candle"_s}}}},
        });
    }
    for (int g = 0; g < 50; ++g) {
        QJsonArray children;
        for (int c = 0; c < 6; ++c)
            children.append(ref(id("device", (g * 6 + c) % 300), "device"));
        data.append(QJsonObject{
            {"id"_L1, id(g < 40 ? "room" : "zone", g)},
            {"type"_L1, g < 40 ? u"room"_s : u"zone"_s},
            {"metadata"_L1, QJsonObject{{"name"_L1, u"Room %1"_s.arg(g)}, {"archetype"_L1, u"living_room"_s}}},
            {"children"_L1, children},
            {"services"_L1, QJsonArray{ref(id("gl", g), "grouped_light")}}});
        data.append(QJsonObject{{"id"_L1, id("gl", g)},
                                {"type"_L1, u"grouped_light"_s},
                                {"on"_L1, QJsonObject{{"on"_L1, true}}},
                                {"dimming"_L1, QJsonObject{{"brightness"_L1, 70.5}}}});
    }
    for (int s = 0; s < 500; ++s) {
        QJsonArray actions;
        for (int a = 0; a < 10; ++a) {
            QJsonObject action{{"on"_L1, QJsonObject{{"on"_L1, true}}},
                               {"dimming"_L1, QJsonObject{{"brightness"_L1, 80.0}}}};
            if (a % 2)
                action.insert("color"_L1, QJsonObject{{"xy"_L1, QJsonObject{{"x"_L1, 0.3 + a * 0.01}, {"y"_L1, 0.3}}}});
            else
                action.insert("color_temperature"_L1, QJsonObject{{"mirek"_L1, 200 + a}});
            actions.append(QJsonObject{{"target"_L1, ref(id("light", (s + a) % 150), "light")}, {"action"_L1, action}});
        }
        data.append(QJsonObject{
            {"id"_L1, id("scene", s)},
            {"type"_L1, u"scene"_s},
            {"metadata"_L1, QJsonObject{{"name"_L1, u"Scene %1"_s.arg(s)}}},
            {"group"_L1, ref(id("room", s % 40), "room")},
            {"actions"_L1, actions},
            {"palette"_L1, QJsonObject{{"color"_L1, QJsonArray{}}, {"dimming"_L1, QJsonArray{}}}},
            {"status"_L1, QJsonObject{{"active"_L1, u"inactive"_s}}},
            {"speed"_L1, 0.5},
            {"auto_dynamic"_L1, false},
        });
    }
    return QJsonDocument(QJsonObject{{"errors"_L1, QJsonArray{}}, {"data"_L1, data}}).toJson(QJsonDocument::Compact);
}

const QByteArray &listing()
{
    static const QByteArray bytes = bridgeProListing();
    return bytes;
}

void parseOnly(benchmark::State &state)
{
    for (auto _ : state) {
        auto document = QJsonDocument::fromJson(listing());
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * listing().size());
}

void parseAndDecode(benchmark::State &state)
{
    for (auto _ : state) {
        const auto document = QJsonDocument::fromJson(listing());
        auto resources = LossyArray<HueResource>::fromJson(document.object().value("data"_L1));
        benchmark::DoNotOptimize(resources);
        if (!resources || resources->elements.size() != 1350)
            state.SkipWithError("unexpected resource count");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * listing().size());
    state.counters["bytes"] = double(listing().size());
}

} // namespace

BENCHMARK(parseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(parseAndDecode)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
