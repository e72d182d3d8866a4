// The demo as the application uses it: a store built from the demo's settings
// and services finds the demo bridge, pairs with the button the demo presses,
// opens the home directly on the next start, and follows the outside changes
// the demo makes, which keep their pace and leave alone what the user just
// changed; all on loopback, and no other client on this machine gets a key.
#include "BridgeFixture.h"
#include "BridgeSimulator.h"
#include "DemoBridge.h"
#include "DemoHome.h"
#include "DemoOutsideChange.h"
#include "HueBridgeError.h"
#include "HueTransportError.h"

#include <QJsonArray>
#include <QRandomGenerator>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

/// The recorded home's lights; only those listed are lit when a list is given.
QList<QJsonObject> fixtureLights(const std::optional<QStringList> &lit = std::nullopt)
{
    QList<QJsonObject> lights;
    for (const QJsonValue &resource : BridgeFixture::listing()) {
        QJsonObject light = resource.toObject();
        if (light["type"_L1] != "light"_L1)
            continue;
        if (lit)
            light[u"on"_s] = QJsonObject{{u"on"_s, lit->contains(light["id"_L1].toString())}};
        lights.append(light);
    }
    return lights;
}

bool isLit(const QJsonObject &light)
{
    return light["on"_L1]["on"_L1].toBool();
}

/// Inside the triangle of the gamut's corners (or on its edge).
bool insideGamut(const QJsonValue &gamut, const QJsonValue &xy)
{
    const double x = xy["x"_L1].toDouble(), y = xy["y"_L1].toDouble();
    const auto side = [&](QLatin1StringView from, QLatin1StringView to) {
        const double ax = gamut[from]["x"_L1].toDouble(), ay = gamut[from]["y"_L1].toDouble();
        return (gamut[to]["x"_L1].toDouble() - ax) * (y - ay) - (gamut[to]["y"_L1].toDouble() - ay) * (x - ax);
    };
    const double a = side("red"_L1, "green"_L1), b = side("green"_L1, "blue"_L1), c = side("blue"_L1, "red"_L1);
    return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
}

/// What a request came to: answered, or the kind of bridge error or the code
/// of transport error it failed with. Catches everything: QCoro::waitFor
/// would wait forever on a task that throws.
template<typename T>
QCoro::Task<QString> outcome(QCoro::Task<T> request)
{
    try {
        co_await std::move(request);
        co_return u"answered"_s;
    } catch (const HueBridgeError &error) {
        co_return u"bridge error "_s + QString::number(int(error.kind()));
    } catch (const HueTransportError &failure) {
        co_return u"transport error "_s + QString::number(failure.code());
    } catch (...) {
        co_return u"other failure"_s;
    }
}

/// A demo bridge listening, and a client of it with a key of its own.
struct RunningDemo
{
    explicit RunningDemo(DemoBridge::Options options)
        : demo(std::move(options))
    {
        QVERIFY2(demo.start(&error), qPrintable(error));
        client.emplace(demo.environment().makeClient(u"127.0.0.1"_s, DemoBridge::bridgeID(),
                                                     demo.simulator()->addApplicationKey()));
    }
    HueHome home() const
    {
        QCoro::Task<QList<HueResource>> loading = client->resources();
        return HueHome(QCoro::waitFor(std::move(loading)));
    }
    DemoBridge demo;
    QString error;
    std::optional<HueBridgeClient> client;
};

} // namespace

class TestDemoBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outsideChangesStayGentle_data()
    {
        QTest::addColumn<QList<QJsonObject>>("lights");
        QTest::addColumn<QStringList>("expectedKinds");
        const QStringList everyKind{u"color"_s, u"color_temperature"_s, u"dimming"_s, u"on"_s};
        QTest::newRow("recorded home") << fixtureLights() << everyKind;
        QTest::newRow("one light lit") << fixtureLights(QStringList{BridgeFixture::colorLight2}) << everyKind;
        QTest::newRow("all off") << fixtureLights(QStringList()) << QStringList{u"on"_s};
    }

    void outsideChangesStayGentle()
    {
        QFETCH(QList<QJsonObject>, lights);
        QFETCH(QStringList, expectedKinds);
        const auto lit = std::count_if(lights.cbegin(), lights.cend(), isLit);
        QRandomGenerator random(20261206);
        QSet<QString> kinds;
        bool wentOff = false;
        for (int draw = 0; draw < 500; ++draw) {
            const std::optional<DemoOutsideChange> change = DemoOutsideChange::choose(lights, random);
            QVERIFY(change);
            const auto light = std::find_if(lights.cbegin(), lights.cend(),
                                            [&](const QJsonObject &l) { return l["id"_L1] == change->lightID; });
            QVERIFY(light != lights.cend());
            const QJsonObject &patch = change->patch;
            QCOMPARE(patch.size(), 1);
            kinds.insert(patch.keys().first());
            if (patch.contains("on"_L1)) {
                const bool on = patch["on"_L1]["on"_L1].toBool();
                QCOMPARE(on, !isLit(*light));
                QVERIFY2(on || lit > 1, "the last lit light went off");
                wentOff = wentOff || !on;
                continue;
            }
            QVERIFY2(isLit(*light), "an unlit light changed its tone");
            if (patch.contains("dimming"_L1)) {
                const double brightness = patch["dimming"_L1]["brightness"_L1].toDouble();
                QVERIFY(brightness >= qMax(10.0, (*light)["dimming"_L1]["min_dim_level"_L1].toDouble()));
                QVERIFY(brightness <= 100);
            } else if (patch.contains("color_temperature"_L1)) {
                const int mirek = patch["color_temperature"_L1]["mirek"_L1].toInt();
                const QJsonValue schema = (*light)["color_temperature"_L1]["mirek_schema"_L1];
                QVERIFY(mirek >= schema["mirek_minimum"_L1].toInt() && mirek <= schema["mirek_maximum"_L1].toInt());
            } else {
                QVERIFY(insideGamut((*light)["color"_L1]["gamut"_L1], patch["color"_L1]["xy"_L1]));
            }
        }
        QStringList seen(kinds.cbegin(), kinds.cend());
        seen.sort();
        QCOMPARE(seen, expectedKinds);
        QCOMPARE(wentOff, lit > 1);
    }

    void demoHomeIsAHome_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("German") << true
                                << QStringList{u"Wohnzimmer"_s, u"Nachtweg"_s, u"Stehlampe"_s, u"Sonnenuntergang"_s};
        QTest::newRow("English") << false
                                 << QStringList{u"Living room"_s, u"Night path"_s, u"Floor lamp"_s, u"Sunset"_s};
    }

    void demoHomeIsAHome()
    {
        QFETCH(bool, german);
        QFETCH(QStringList, names);
        DemoBridge::Options options;
        options.german = german;
        const RunningDemo running(options);
        const HueHome home = running.home();
        const QList<HueLight> lights = home.lights();
        QCOMPARE(home.rooms().size(), 8);
        QCOMPARE(home.zones().size(), 3);
        QCOMPARE(lights.size(), 25);
        QStringList seen;
        for (const HueGroup &group : home.allGroups()) {
            QVERIFY2(group.brightness, qPrintable(group.name));
            seen << group.name;
            QSet<QList<HueRGB>> palettes;
            for (const HueScene &scene : group.scenes) {
                palettes.insert(scene.colors);
                seen << scene.name;
            }
            QCOMPARE(palettes.size(), group.scenes.size());
            if (group.kind == HueGroup::Kind::room)
                QVERIFY2(group.scenes.size() >= 3 && group.scenes.size() <= 5, qPrintable(group.name));
        }
        // Colour, white ambiance, white, plug; and some out of reach.
        QMap<QString, int> kinds;
        for (const HueLight &light : lights) {
            seen << light.name;
            kinds[light.supportsColor                ? u"colour"_s
                  : light.supportsColorTemperature() ? u"ambiance"_s
                  : light.brightness                 ? u"white"_s
                                                     : u"plug"_s] += 1;
            kinds[u"unreachable"_s] += light.isReachable ? 0 : 1;
        }
        QCOMPARE(kinds,
                 (QMap<QString, int>{
                     {u"colour"_s, 7}, {u"ambiance"_s, 10}, {u"white"_s, 5}, {u"plug"_s, 3}, {u"unreachable"_s, 2}}));
        for (const QString &name : std::as_const(names))
            QVERIFY2(seen.contains(name), qPrintable(name));
        // The same ids in both languages, so that favourites and order carry over.
        const auto ids = [](bool inGerman) {
            QStringList list;
            for (const QJsonValue &resource : DemoHome::resources(inGerman))
                list << resource["id"_L1].toString();
            return list;
        };
        QCOMPARE(ids(german), ids(!german));
    }

    void outsideChangesKeepTheirPace()
    {
        DemoBridge::Clock::time_point now{};
        DemoBridge::Options options;
        options.clock = [&now] { return now; };
        RunningDemo running(options);
        QVERIFY(running.demo.changeSomething());
        now += 29s;
        QVERIFY(!running.demo.changeSomething());
        now += 1s;
        QVERIFY(running.demo.changeSomething());
        QVERIFY(!running.demo.changeSomething());
    }

    void outsideChangesLeaveTheUserAlone_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("light") << u"light"_s;
        QTest::newRow("room") << u"room"_s;
        QTest::newRow("scene of a zone") << u"scene"_s;
    }

    void outsideChangesLeaveTheUserAlone()
    {
        QFETCH(QString, what);
        DemoBridge::Clock::time_point now{};
        DemoBridge::Options options;
        options.clock = [&now] { return now; };
        options.outsideChangeInterval = 1s;
        RunningDemo running(options);
        const HueHome home = running.home();
        const auto named = [&](const QList<HueGroup> &groups, const QString &name) {
            return *std::find_if(groups.cbegin(), groups.cend(), [&](const HueGroup &g) { return g.name == name; });
        };
        const HueGroup living = named(home.rooms(), u"Living room"_s);
        const HueGroup night = named(home.zones(), u"Night path"_s);
        HueLightCommand dim, off;
        dim.brightness = 40;
        off.isOn = false;
        QCoro::Task<void> sending = what == "light"_L1 ? running.client->sendToLight(dim, living.lights.at(0).id)
                                    : what == "room"_L1
                                        ? running.client->sendToGroupedLight(off, *living.groupedLightID)
                                        : running.client->recallScene(night.scenes.first().id);
        QCoro::waitFor(std::move(sending));
        QSet<QString> touched;
        for (const HueLight &light : what == "light"_L1  ? living.lights.mid(0, 1)
                                     : what == "room"_L1 ? living.lights
                                                         : night.lights)
            touched.insert(light.id);
        // Left alone: every light of each room or zone the user touched, and
        // always the lights out of reach.
        QSet<QString> alone, unreachable;
        for (const HueHome::GroupMembers &group : home.groupsContaining(touched)) {
            if (group.groupID != home.home()->id)
                alone.unite(QSet<QString>(group.lightIDs.cbegin(), group.lightIDs.cend()));
        }
        for (const HueLight &light : home.lights()) {
            if (!light.isReachable)
                unreachable.insert(light.id);
        }
        for (int step = 0; step < 59; ++step) {
            now += 1s;
            const std::optional<QString> changed = running.demo.changeSomething();
            QVERIFY(changed);
            QVERIFY2(!alone.contains(*changed) && !unreachable.contains(*changed), qPrintable(*changed));
        }
        // A minute on, they are part of the home again.
        bool reached = false;
        for (int step = 0; step < 300 && !reached; ++step) {
            now += 1s;
            const std::optional<QString> changed = running.demo.changeSomething();
            QVERIFY(changed && !unreachable.contains(*changed));
            reached = alone.contains(*changed);
        }
        QVERIFY(reached);
    }

    void demoRunsLikeARealBridge()
    {
        QTemporaryDir folder;
        DemoBridge::Options options;
        options.settingsPath = folder.filePath(u"demo.ini"_s);
        options.linkButtonDelay = 1500ms;
        options.discoveryTime = 100ms;
        options.outsideChangeInterval = 300ms;
        auto demo = std::make_unique<DemoBridge>(options);
        QString error;
        QVERIFY2(demo->start(&error), qPrintable(error));
        HueStore::Environment environment = demo->environment();
        auto store = std::make_unique<HueStore>(demo->settings(), environment);
        store->start();
        QTRY_COMPARE_WITH_TIMEOUT(store->phase(), HueStore::Phase::unpaired(), 5000);

        store->searchBridges();
        const DiscoveredBridge expected{u"Hue Bridge (Demo)"_s, DemoBridge::bridgeID().toLower(), u"127.0.0.1"_s};
        QTRY_COMPARE_WITH_TIMEOUT(store->discoveredBridges(), QList<DiscoveredBridge>{expected}, 5000);

        store->pair(u"127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(store->phase(), HueStore::Phase::ready(), 20000);
        const auto requests = [&demo](const QString &method, const QString &path) {
            const QList<SimRequest> log = demo->simulator()->requestLog();
            return std::count_if(log.cbegin(), log.cend(),
                                 [&](const SimRequest &r) { return r.method == method && r.path() == path; });
        };
        QVERIFY2(requests(u"POST"_s, u"/api"_s) >= 2, "the button was pressed before anyone asked");

        // The key and the pairing live in the demo's own settings file, never
        // in the credential store.
        const QString bridgeID = store->bridge()->bridgeID;
        const std::optional<QString> key = QCoro::waitFor(environment.keys.load(bridgeID));
        QVERIFY(key);
        QCOMPARE(demo->simulator()->applicationKeys(), QStringList{*key});
        if (qgetenv("LUMORA_IN_TEST_ENV") == "1")
            QCOMPARE(QCoro::waitFor(BridgeKeyStore::keychain().load(bridgeID)), std::optional<QString>());
        demo->settings()->sync();
        const QSettings file(options.settingsPath, QSettings::IniFormat);
        QVERIFY(file.contains(u"pairedBridge"_s));
        QVERIFY(file.allKeys().join(u' ').contains(bridgeID));
        BridgeSimulator &sim = *demo->simulator();
        // Someone at home changes a light: the store hears it as an event,
        // without reloading.
        const QList<HueLight> before = store->home().lights();
        QTRY_VERIFY_WITH_TIMEOUT(store->home().lights() != before, 10000);
        QCOMPARE(requests(u"GET"_s, u"/clip/v2/resource"_s), 1);

        // Anyone else on this machine reaches the demo bridge too, but gets
        // no key, even with the button pressed and in Lumora's own words
        // (a guessed key is refused as by any simulated bridge:
        // tst_bridgesim_server's routes).
        sim.pressLinkButton();
        const HueBridgeClient outsider = environment.makeClient(u"127.0.0.1"_s, std::nullopt, std::nullopt);
        QCOMPARE(QCoro::waitFor(outcome(outsider.pair(HueStore::deviceType(QSysInfo::machineHostName())))),
                 u"bridge error "_s + QString::number(int(HueBridgeError::Kind::linkButtonNotPressed)));
        QCOMPARE(sim.applicationKeys(), QStringList{*key});

        // Any other address has no bridge in the demo, and this machine
        // refuses at once: the request never goes out.
        const HueBridgeClient elsewhere = environment.makeClient(u"192.168.1.20"_s, std::nullopt, std::nullopt);
        QCOMPARE(QCoro::waitFor(outcome(elsewhere.config())),
                 u"transport error "_s + QString::number(QNetworkReply::ConnectionRefusedError));

        // The next start opens the home directly; disconnecting forgets the
        // key, and the start after that shows the pairing screen again.
        for (const bool paired : {true, false}) {
            store.reset();
            demo = std::make_unique<DemoBridge>(options);
            QVERIFY2(demo->start(&error), qPrintable(error));
            environment = demo->environment();
            store = std::make_unique<HueStore>(demo->settings(), environment);
            store->start();
            QTRY_COMPARE_WITH_TIMEOUT(store->phase(), paired ? HueStore::Phase::ready() : HueStore::Phase::unpaired(),
                                      10000);
            QCOMPARE(requests(u"POST"_s, u"/api"_s), 0);
            store->forgetBridge();
            QCOMPARE(store->phase(), HueStore::Phase::unpaired());
        }
        QVERIFY(!QSettings(options.settingsPath, QSettings::IniFormat).allKeys().join(u' ').contains(bridgeID));
    }
};

QTEST_GUILESS_MAIN(TestDemoBridge)
#include "tst_demobridge.moc"
