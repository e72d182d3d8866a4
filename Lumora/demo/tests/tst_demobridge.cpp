// The demo as the application uses it: a store built from the demo's settings
// and services finds the demo bridge, pairs with the button the demo presses,
// and then follows the outside changes the demo makes, all on loopback.
#include "BridgeSimulator.h"
#include "DemoBridge.h"
#include "DemoOutsideChange.h"
#include "HueTransportError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <variant>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

QList<QJsonObject> fixtureLights()
{
    QFile file(QStringLiteral(LUMORA_FIXTURE));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QJsonObject> lights;
    for (const QJsonValue &resource : QJsonDocument::fromJson(file.readAll()).array()) {
        if (resource["type"_L1] == "light"_L1)
            lights.append(resource.toObject());
    }
    return lights;
}

QList<QJsonObject> withLit(QList<QJsonObject> lights, const QStringList &litIDs)
{
    for (QJsonObject &light : lights)
        light[u"on"_s] = QJsonObject{{u"on"_s, litIDs.contains(light["id"_L1].toString())}};
    return lights;
}

bool isLit(const QJsonObject &light)
{
    return light["on"_L1]["on"_L1].toBool();
}

/// Inside the triangle of the gamut's corners (or on its edge).
bool insideGamut(const QJsonObject &gamut, double x, double y)
{
    const auto side = [&](QLatin1StringView from, QLatin1StringView to) {
        const double ax = gamut[from]["x"_L1].toDouble(), ay = gamut[from]["y"_L1].toDouble();
        const double bx = gamut[to]["x"_L1].toDouble(), by = gamut[to]["y"_L1].toDouble();
        return (bx - ax) * (y - ay) - (by - ay) * (x - ax);
    };
    const double a = side("red"_L1, "green"_L1), b = side("green"_L1, "blue"_L1), c = side("blue"_L1, "red"_L1);
    return (a >= -1e-9 && b >= -1e-9 && c >= -1e-9) || (a <= 1e-9 && b <= 1e-9 && c <= 1e-9);
}

QJsonObject demoLight(const QList<QJsonObject> &lights, const QString &id)
{
    for (const QJsonObject &light : lights) {
        if (light["id"_L1] == id)
            return light;
    }
    return {};
}

/// The id the client's bridge reports, or the code of the transport failure
/// (any other failure counts as unknown). Catches everything, since
/// QCoro::waitFor would wait forever on a task that throws.
QCoro::Task<std::variant<QString, QNetworkReply::NetworkError>> askForID(HueBridgeClient client)
{
    try {
        const HueBridgeConfig config = co_await client.config();
        co_return config.bridgeID;
    } catch (const HueTransportError &failure) {
        co_return failure.code();
    } catch (...) {
        co_return QNetworkReply::UnknownNetworkError;
    }
}

} // namespace

class TestDemoBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outsideChangesStayGentle_data()
    {
        const QList<QJsonObject> lights = fixtureLights();
        QCOMPARE(lights.size(), 6);
        QTest::addColumn<QList<QJsonObject>>("lights");
        QTest::addColumn<QStringList>("expectedKinds");
        const QStringList everyKind{u"on"_s, u"dimming"_s, u"color"_s, u"color_temperature"_s};
        QTest::newRow("recorded home") << lights << everyKind;
        QTest::newRow("one light lit") << withLit(lights, {u"b3fe71ef-d0ef-48de-9355-d9e604377df0"_s}) << everyKind;
        QTest::newRow("all off") << withLit(lights, {}) << QStringList{u"on"_s};
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
            const QJsonObject light = demoLight(lights, change->lightID);
            QVERIFY(!light.isEmpty());
            const QJsonObject &patch = change->patch;
            QCOMPARE(patch.size(), 1);
            kinds.insert(patch.keys().first());
            if (patch.contains("on"_L1)) {
                const bool on = patch["on"_L1]["on"_L1].toBool();
                QCOMPARE(on, !isLit(light));
                QVERIFY2(on || lit > 1, "the last lit light went off");
                wentOff = wentOff || !on;
                continue;
            }
            QVERIFY2(isLit(light), "an unlit light changed its tone");
            if (patch.contains("dimming"_L1)) {
                const double brightness = patch["dimming"_L1]["brightness"_L1].toDouble();
                QVERIFY(brightness >= 10 && brightness <= 100);
                QVERIFY(brightness >= light["dimming"_L1]["min_dim_level"_L1].toDouble());
            } else if (patch.contains("color_temperature"_L1)) {
                const int mirek = patch["color_temperature"_L1]["mirek"_L1].toInt();
                const QJsonValue schema = light["color_temperature"_L1]["mirek_schema"_L1];
                QVERIFY(mirek >= schema["mirek_minimum"_L1].toInt() && mirek <= schema["mirek_maximum"_L1].toInt());
            } else {
                const QJsonValue xy = patch["color"_L1]["xy"_L1];
                QVERIFY(insideGamut(light["color"_L1]["gamut"_L1].toObject(), xy["x"_L1].toDouble(),
                                    xy["y"_L1].toDouble()));
            }
        }
        QCOMPARE(QStringList(kinds.cbegin(), kinds.cend()).size(), expectedKinds.size());
        for (const QString &kind : expectedKinds)
            QVERIFY2(kinds.contains(kind), qPrintable(kind));
        QCOMPARE(wentOff, lit > 1);
    }

    void demoRunsLikeARealBridge()
    {
        QTemporaryDir folder;
        DemoBridge::Options options;
        options.settingsPath = folder.filePath(u"demo.ini"_s);
        options.linkButtonDelay = 1500ms;
        options.discoveryTime = 100ms;
        options.outsideChangeInterval = 300ms;
        DemoBridge demo(options);
        QString error;
        QVERIFY2(demo.start(&error), qPrintable(error));
        BridgeSimulator &sim = *demo.simulator();
        QCOMPARE(sim.address(), QHostAddress(QHostAddress::LocalHost));
        const HueStore::Environment environment = demo.environment();
        HueStore store(demo.settings(), environment);
        store.start();
        QTRY_COMPARE_WITH_TIMEOUT(store.phase(), HueStore::Phase::unpaired(), 5000);

        store.searchBridges();
        const DiscoveredBridge expected{u"Hue Bridge (Demo)"_s, DemoBridge::bridgeID().toLower(), u"127.0.0.1"_s};
        QTRY_COMPARE_WITH_TIMEOUT(store.discoveredBridges(), QList<DiscoveredBridge>{expected}, 5000);

        store.pair(u"127.0.0.1"_s);
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::waitingForButton());
        QTRY_COMPARE_WITH_TIMEOUT(store.phase(), HueStore::Phase::ready(), 20000);
        const auto pairingRequests = [&sim] {
            const QList<SimRequest> log = sim.requestLog();
            return std::count_if(log.cbegin(), log.cend(),
                                 [](const SimRequest &r) { return r.method == "POST"_L1 && r.path() == "/api"_L1; });
        };
        QVERIFY2(pairingRequests() >= 2, "the button was pressed before anyone asked");
        QCOMPARE(store.home().lights().size(), fixtureLights().size());
        QCOMPARE(store.bridge()->name, u"Hue Bridge (Demo)"_s);

        // The key lives in the demo's memory and nowhere else; the pairing
        // in the demo's own settings file.
        const QString bridgeID = store.bridge()->bridgeID;
        QCOMPARE(bridgeID.toUpper(), DemoBridge::bridgeID());
        const std::optional<QString> key = QCoro::waitFor(environment.keys.load(bridgeID));
        QVERIFY(key);
        QCOMPARE(sim.applicationKeys(), QStringList{*key});
        if (qgetenv("LUMORA_IN_TEST_ENV") == "1")
            QCOMPARE(QCoro::waitFor(BridgeKeyStore::keychain().load(bridgeID)), std::optional<QString>());
        demo.settings()->sync();
        QCOMPARE(QSettings(options.settingsPath, QSettings::IniFormat).contains(u"pairedBridge"_s), true);

        // Someone at home changes a light; the store hears it as an event,
        // without reloading.
        QSignalSpy changes(&demo, &DemoBridge::changedFromOutside);
        const QList<HueLight> before = store.home().lights();
        QTRY_VERIFY_WITH_TIMEOUT(store.home().lights() != before, 10000);
        QVERIFY(!changes.isEmpty());
        const QList<SimRequest> log = sim.requestLog();
        QCOMPARE(std::count_if(log.cbegin(), log.cend(),
                               [](const SimRequest &r) { return r.path() == "/clip/v2/resource"_L1; }),
                 1);
    }

    void onlyLoopbackReachesTheDemo_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("reachesDemo");
        QTest::newRow("loopback") << u"127.0.0.1"_s << true;
        QTest::newRow("network address") << u"192.168.1.20"_s << false;
        QTest::newRow("host name") << u"hue-bridge.local"_s << false;
    }

    void onlyLoopbackReachesTheDemo()
    {
        QFETCH(QString, host);
        QFETCH(bool, reachesDemo);
        QTemporaryDir folder;
        DemoBridge::Options options;
        options.settingsPath = folder.filePath(u"demo.ini"_s);
        DemoBridge demo(options);
        QVERIFY(demo.start());
        const HueBridgeClient client = demo.environment().makeClient(host, std::nullopt, std::nullopt);
        const auto answer = QCoro::waitFor(askForID(client));
        if (reachesDemo) {
            QCOMPARE(answer, (std::variant<QString, QNetworkReply::NetworkError>(DemoBridge::bridgeID())));
        } else {
            // Refused at once by this machine: the request never went out.
            QCOMPARE(answer,
                     (std::variant<QString, QNetworkReply::NetworkError>(QNetworkReply::ConnectionRefusedError)));
        }
    }
};

QTEST_GUILESS_MAIN(TestDemoBridge)
#include "tst_demobridge.moc"
