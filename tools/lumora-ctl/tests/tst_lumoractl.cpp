// lumora-ctl end to end: the real executable, run as a child process, against
// an in-process bridge simulator over TLS that trusts only its own root.
#include "BridgeSimulator.h"
#include "CtlProcess.h"
#include "HueColor.h"
#include "OrderStore.h"
#include "PairedBridge.h"
#include "SimCertificates.h"
#include "SimFault.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;
using namespace CtlTest;

namespace {

const QString roomID = u"6ddc9066-7e7d-4a03-a773-c73937968296"_s;
const QString zoneID = u"7cee478d-6455-483a-9e32-9f9fdcbcc4f6"_s;
const QString colorLight1 = u"02cba059-9c2c-4d45-97e4-4f79b1bfbaa1"_s;
const QString colorLight2 = u"b3fe71ef-d0ef-48de-9355-d9e604377df0"_s;
const QString gradientLight = u"8015b17f-8336-415b-966a-b364bd082397"_s;
const QString temperatureLight = u"3a6710fa-4474-4eba-b533-5e6e72968feb"_s;
const QString onOffLight = u"7697ac8a-25aa-4576-bb40-0036c0db15b9"_s;
const QString colorOnlyLight = u"74a45fee-1b3d-4553-b5ab-040da8a10cfd"_s;
const QString roomGroupedLight = u"e937f8db-2f0e-49a0-936e-027e60e15b34"_s;
const QString zoneGroupedLight = u"f2416154-9607-43ab-a684-4453108a200e"_s;
const QString regularScene = u"cdbf3740-7977-4a11-8275-8c78636ad4bd"_s;

QJsonObject parseObject(const QByteArray &bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

QList<SimRequest> requestsTo(const BridgeSimulator &sim, const QString &method, const QString &pathPrefix)
{
    QList<SimRequest> found;
    for (const SimRequest &request : sim.requestLog()) {
        if (request.method == method && request.path().startsWith(pathPrefix))
            found.append(request);
    }
    return found;
}

} // namespace

class TestLumoraCtl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void exitStatuses_data();
    void exitStatuses();
    void pairsWithTheButtonAndUsesTheStoredPairing();
    void homeAsTextAndJson();
    void lightAndGroupCommands_data();
    void lightAndGroupCommands();
    void colourWithinGamutAndAmbiguousNames();
    void sceneCommands();
    void watchFollowsChangesAndStopsOnSigterm();
    void watchEndsWhenTheKeyIsRevoked();
    void interruptedPairingStoresNothing();

private:
    QProcessEnvironment environment(const QString &language = u"en"_s) const;
    /// --host, --port and --trust-anchor of the simulator.
    QStringList simArguments() const;
    /// simArguments() with the simulator's key.
    QStringList keyed(const QStringList &arguments) const;
    /// Data rows cannot know the simulator yet: "@sim" stands for
    /// simArguments(), "@keyed" for those and the key.
    QStringList expand(const QStringList &arguments) const;
    QString settingsPath() const { return m_config->path() + u"/Lumora/Lumora.conf"_s; }

    std::unique_ptr<BridgeSimulator> m_sim;
    std::unique_ptr<QTemporaryDir> m_config;
    QString m_key;
    QString m_rootPem;
    QTemporaryDir m_files;
};

void TestLumoraCtl::init()
{
    QVERIFY(m_files.isValid());
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    m_sim = std::make_unique<BridgeSimulator>();
    QString error;
    QVERIFY2(m_sim->loadResources(QStringLiteral(LUMORA_FIXTURE), &error),
             qPrintable(error));
    m_key = m_sim->addApplicationKey();
    m_sim->setEventInterval(50);
    QVERIFY2(m_sim->start(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    m_rootPem = m_files.filePath(u"root.pem"_s);
    QVERIFY2(m_sim->writeRootPem(m_rootPem, &error), qPrintable(error));
}

void TestLumoraCtl::cleanup()
{
    m_sim.reset();
    m_config.reset();
}

QProcessEnvironment TestLumoraCtl::environment(const QString &language) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A settings folder of this test's own; the keyring is the test session's.
    environment.insert(u"XDG_CONFIG_HOME"_s, m_config->path());
    environment.remove(u"LC_ALL"_s);
    environment.remove(u"LC_MESSAGES"_s);
    environment.insert(u"LANGUAGE"_s, language);
    environment.insert(u"LANG"_s, language == "de"_L1 ? u"de_DE.UTF-8"_s : u"C.UTF-8"_s);
    return environment;
}

QStringList TestLumoraCtl::simArguments() const
{
    return {u"--host"_s, u"127.0.0.1"_s, u"--port"_s, QString::number(m_sim->port()), u"--trust-anchor"_s, m_rootPem};
}

QStringList TestLumoraCtl::keyed(const QStringList &arguments) const
{
    return arguments + simArguments() + QStringList{u"--key"_s, m_key};
}

QStringList TestLumoraCtl::expand(const QStringList &arguments) const
{
    QStringList expanded;
    for (const QString &argument : arguments) {
        if (argument == "@sim"_L1)
            expanded += simArguments();
        else if (argument == "@keyed"_L1)
            expanded += simArguments() + QStringList{u"--key"_s, m_key};
        else
            expanded.append(argument);
    }
    return expanded;
}

void TestLumoraCtl::exitStatuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("no command") << QStringList() << u"en"_s << 2 << u"No command given"_s;
    QTest::newRow("unknown command") << QStringList{u"frobnicate"_s} << u"en"_s << 2 << u"Unknown command"_s;
    QTest::newRow("option of another command")
        << QStringList{u"home"_s, u"--brightness"_s, u"5"_s} << u"en"_s << 2 << u"does not apply"_s;
    QTest::newRow("bad colour") << QStringList{u"light"_s, u"x"_s, u"--color"_s, u"#12345"_s} << u"en"_s << 2
                                << u"#RRGGBB"_s;
    QTest::newRow("unknown light") << QStringList{u"light"_s, u"Nope"_s, u"on"_s, u"@keyed"_s} << u"en"_s << 2
                                   << u"No light “Nope” found"_s;
    QTest::newRow("unknown light in German")
        << QStringList{u"light"_s, u"Nope"_s, u"on"_s, u"@keyed"_s} << u"de"_s << 2 << u"Keine Lampe „Nope“ gefunden"_s;
    QTest::newRow("unreadable trust anchor") << QStringList{u"home"_s,
                                                            u"--host"_s,
                                                            u"127.0.0.1"_s,
                                                            u"--key"_s,
                                                            u"k"_s,
                                                            u"--trust-anchor"_s,
                                                            u"/nonexistent/root.pem"_s}
                                             << u"en"_s << 2 << u"no readable certificate"_s;
    QTest::newRow("nothing paired") << QStringList{u"home"_s} << u"en"_s << 3 << u"No bridge is paired"_s;
    QTest::newRow("no key stored") << QStringList{u"@sim"_s, u"home"_s, u"--bridge-id"_s, u"001788FFFE000001"_s}
                                   << u"en"_s << 3 << u"No key is stored"_s;
    QTest::newRow("key refused") << QStringList{u"@sim"_s, u"home"_s, u"--key"_s, u"not-a-key"_s} << u"en"_s << 3
                                 << u"refused the key"_s;
    QTest::newRow("bridge error") << QStringList{u"home"_s, u"@keyed"_s} << u"en"_s << 1 << QString();
    QTest::newRow("unreachable") << QStringList{u"home"_s, u"@keyed"_s} << u"en"_s << 4 << u"cannot be reached"_s;
    QTest::newRow("foreign root") << QStringList{u"home"_s, u"@keyed"_s} << u"en"_s << 4 << u"cannot be reached"_s;
}

void TestLumoraCtl::exitStatuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, language);
    QFETCH(int, status);
    QFETCH(QString, message);
    arguments = expand(arguments);

    const QString row = QString::fromUtf8(QTest::currentDataTag());
    if (row == "bridge error"_L1)
        m_sim->addFault(
            SimFault::respond(503, SimFault::Body::jsonErrors, u"service unavailable"_s).onPath(u"^/clip"_s));
    if (row == "unreachable"_L1) {
        // A port nobody listens on any more.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString port = QString::number(server.serverPort());
        server.close();
        arguments[arguments.indexOf(u"--port"_s) + 1] = port;
    }
    if (row == "foreign root"_L1) {
        const QString otherRoot = m_files.filePath(u"other-root.pem"_s);
        QVERIFY(SimCertificates::writePem(otherRoot, SimCertificates::makeRoot().chain));
        arguments[arguments.indexOf(u"--trust-anchor"_s) + 1] = otherRoot;
    }

    const CtlRun run = runCtl(environment(language), arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, status);
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    QVERIFY(!run.err.isEmpty());
    QVERIFY(run.out.isEmpty());
    // Neither channel ever shows the key.
    QVERIFY(!run.err.contains(m_key.toUtf8()));
    if (row == "bridge error"_L1)
        QVERIFY(!run.err.contains("cannot be reached"));
    if (row == "unknown light"_L1)
        QVERIFY(requestsTo(*m_sim, u"PUT"_s, u"/clip"_s).isEmpty());
}

void TestLumoraCtl::pairsWithTheButtonAndUsesTheStoredPairing()
{
    const QStringList anchor{u"--port"_s, QString::number(m_sim->port()), u"--trust-anchor"_s, m_rootPem};
    const QStringList keysBefore = m_sim->applicationKeys();

    for (const bool printKey : {false, true}) {
        m_sim->releaseLinkButton();
        m_sim->clearRequestLog();
        CtlProcess ctl(environment());
        QStringList arguments = QStringList{u"pair"_s, u"127.0.0.1"_s} + anchor;
        if (printKey)
            arguments += QStringList{u"--print-key"_s, u"--json"_s};
        ctl.start(arguments);
        // Press once the tool has been refused at least once: it must wait and ask again.
        QTRY_VERIFY_WITH_TIMEOUT(!requestsTo(*m_sim, u"POST"_s, u"/api"_s).isEmpty(), 15000);
        QVERIFY(ctl.err.contains("Now press the round button on top of the bridge.")
                || QTest::qWaitFor([&] { return ctl.err.contains("Now press the round button"); }, 5000));
        m_sim->pressLinkButton();
        QVERIFY(ctl.finishes());
        const CtlRun run = ctl.result();
        QCOMPARE(run.exitCode, 0);
        QVERIFY(requestsTo(*m_sim, u"POST"_s, u"/api"_s).size() >= 2);
        const QByteArray body = requestsTo(*m_sim, u"POST"_s, u"/api"_s).first().body;
        QVERIFY2(parseObject(body).value("devicetype"_L1).toString().startsWith("lumora#"_L1), body.constData());

        QStringList newKeys = m_sim->applicationKeys();
        for (const QString &key : keysBefore)
            newKeys.removeAll(key);
        QVERIFY(!newKeys.isEmpty());
        const QString key = newKeys.last();
        if (printKey) {
            const QJsonObject printed = parseObject(run.out);
            QCOMPARE(printed.value("key"_L1).toString(), key);
            QCOMPARE(printed.value("bridgeID"_L1).toString(), m_sim->bridgeId());
            QCOMPARE(printed.value("host"_L1).toString(), u"127.0.0.1"_s);
        } else {
            QVERIFY2(run.out.contains("Paired with"), run.out.constData());
            for (const QString &any : m_sim->applicationKeys())
                QVERIFY(!run.out.contains(any.toUtf8()) && !run.err.contains(any.toUtf8()));
        }
        // The record the application reads at start.
        QSettings settings(settingsPath(), QSettings::IniFormat);
        const auto paired = PairedBridge::load(settings);
        QVERIFY(paired);
        QCOMPARE(paired->bridgeID, m_sim->bridgeId());
        QCOMPARE(paired->host, u"127.0.0.1"_s);
        QCOMPARE(paired->name, m_sim->name());
        for (const QString &stored : settings.allKeys())
            QVERIFY(!settings.value(stored).toString().contains(key));
    }

    // From now on the stored pairing is enough: no --host, no --key.
    m_sim->clearRequestLog();
    const CtlRun status = runCtl(environment(), QStringList{u"status"_s, u"--json"_s} + anchor);
    QCOMPARE(status.exitCode, 0);
    const QJsonObject state = parseObject(status.out);
    QCOMPARE(state.value("bridgeID"_L1).toString(), m_sim->bridgeId());
    QCOMPARE(state.value("reachable"_L1).toBool(), true);
    QCOMPARE(state.value("keyAccepted"_L1).toBool(), true);

    const CtlRun on = runCtl(environment(), QStringList{u"light"_s, u"hue on/off light"_s, u"on"_s} + anchor);
    QCOMPARE(on.exitCode, 0);
    QCOMPARE(m_sim->resource(onOffLight)->value("on"_L1).toObject().value("on"_L1).toBool(), true);

    // A key the bridge no longer accepts: status says so and exits with 3.
    m_sim->revokeAllApplicationKeys();
    const CtlRun refused = runCtl(environment(), QStringList{u"status"_s} + anchor);
    QCOMPARE(refused.exitCode, 3);
    QVERIFY2(refused.out.contains("Key accepted: no"), refused.out.constData());
}

void TestLumoraCtl::homeAsTextAndJson()
{
    // The user's saved order of the zone's lights, as the application keeps it.
    {
        auto settings = std::make_shared<QSettings>(settingsPath(), QSettings::IniFormat);
        OrderStore order(settings);
        order.load(m_sim->bridgeId());
        order.save({gradientLight, colorLight2, colorLight1}, u"lights."_s + zoneID);
        settings->sync();
    }

    const CtlRun text = runCtl(environment(), keyed({u"home"_s}));
    QCOMPARE(text.exitCode, 0);
    const QStringList lines = QString::fromUtf8(text.out).split(u'\n');
    const QStringList expectedInOrder{
        u"Rooms"_s,
        u"  Test Room: off"_s,
        u"    Hue light with color temperature only: off, 59.5 %, "_s,
        u"    Hue on/off light: off"_s,
        u"    Scenes: Regular Test Scene (active)"_s,
        u"Zones"_s,
        u"  Test Zone: on"_s,
        u"    Hue light with color and color temperature gradient: on, 46.9 %"_s,
        u"    Hue light with color and color temperature 2: on, 46.9 %"_s,
        u"    Hue light with color and color temperature 1: on, 46.9 %"_s,
        u"    Scenes: Dynamic Test Scene (active)"_s,
        u"Whole home"_s,
    };
    qsizetype at = 0;
    for (const QString &expected : expectedInOrder) {
        while (at < lines.size() && !lines.at(at).startsWith(expected))
            ++at;
        QVERIFY2(at < lines.size(),
                 qPrintable(u"missing or out of order: "_s + expected + u"\n"_s + lines.join(u'\n')));
        ++at;
    }

    const CtlRun json = runCtl(environment(), keyed({u"home"_s, u"--json"_s}));
    QCOMPARE(json.exitCode, 0);
    const QJsonObject home = parseObject(json.out);
    QCOMPARE(home.value("bridge"_L1).toObject().value("bridgeID"_L1).toString(), m_sim->bridgeId());
    const QJsonArray rooms = home.value("rooms"_L1).toArray();
    QCOMPARE(rooms.size(), 1);
    const QJsonObject room = rooms.first().toObject();
    QCOMPARE(room.value("id"_L1).toString(), roomID);
    QCOMPARE(room.value("kind"_L1).toString(), u"room"_s);
    QCOMPARE(room.value("groupedLightID"_L1).toString(), roomGroupedLight);
    QCOMPARE(room.value("scenes"_L1).toArray().first().toObject().value("id"_L1).toString(), regularScene);
    QCOMPARE(room.value("scenes"_L1).toArray().first().toObject().value("active"_L1).toBool(), true);

    const QJsonArray zoneLights = home.value("zones"_L1).toArray().first().toObject().value("lights"_L1).toArray();
    QCOMPARE(zoneLights.size(), 3);
    QCOMPARE(zoneLights.at(0).toObject().value("id"_L1).toString(), gradientLight);
    QCOMPARE(zoneLights.at(2).toObject().value("id"_L1).toString(), colorLight1);
    const QJsonObject light = zoneLights.at(2).toObject();
    QCOMPARE(light.value("on"_L1).toBool(), true);
    QCOMPARE(light.value("brightness"_L1).toDouble(), 46.85);
    QVERIFY(light.value("xy"_L1).isObject() || light.value("mirek"_L1).isDouble());
    QCOMPARE(light.value("reachable"_L1).toBool(), true);
    QCOMPARE(light.value("supportsColor"_L1).toBool(), true);
    QVERIFY(light.value("displayColor"_L1).toString().startsWith(u'#'));

    const QJsonObject whole = home.value("home"_L1).toObject();
    QCOMPARE(whole.value("kind"_L1).toString(), u"home"_s);
    QCOMPARE(whole.value("lights"_L1).toArray().size(), 6);
    const QJsonObject onOff = rooms.first().toObject().value("lights"_L1).toArray().at(1).toObject();
    QCOMPARE(onOff.value("id"_L1).toString(), onOffLight);
    QVERIFY(onOff.value("brightness"_L1).isNull());
    QVERIFY(onOff.value("mirek"_L1).isNull());
}

void TestLumoraCtl::lightAndGroupCommands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QJsonObject>("body");
    /// Lights whose "on" must afterwards be `on`.
    QTest::addColumn<QStringList>("lights");
    QTest::addColumn<bool>("on");

    const QString light = u"/clip/v2/resource/light/"_s;
    const QString grouped = u"/clip/v2/resource/grouped_light/"_s;
    const auto onBody = [](bool on) { return QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, on}}}}; };

    QTest::newRow("name in other case, on") << QStringList{u"light"_s, u"HUE ON/OFF LIGHT"_s, u"on"_s}
                                            << light + onOffLight << onBody(true) << QStringList{onOffLight} << true;
    QTest::newRow("id, off with brightness")
        << QStringList{u"light"_s, colorLight1, u"off"_s, u"--brightness"_s, u"20"_s} << light + colorLight1
        << QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, false}}}, {u"dimming"_s, QJsonObject{{u"brightness"_s, 20}}}}
        << QStringList{colorLight1} << false;
    QTest::newRow("toggle an unlit light")
        << QStringList{u"light"_s, u"Hue light with color temperature only"_s, u"toggle"_s} << light + temperatureLight
        << onBody(true) << QStringList{temperatureLight} << true;
    QTest::newRow("toggle a lit light") << QStringList{u"light"_s, colorOnlyLight, u"toggle"_s}
                                        << light + colorOnlyLight << onBody(false) << QStringList{colorOnlyLight}
                                        << false;
    QTest::newRow("white tone switches an unlit light on")
        << QStringList{u"light"_s, temperatureLight, u"--mirek"_s, u"300"_s} << light + temperatureLight
        << QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, true}}},
                       {u"color_temperature"_s, QJsonObject{{u"mirek"_s, 300}}}}
        << QStringList{temperatureLight} << true;
    QTest::newRow("room off through its grouped light")
        << QStringList{u"room"_s, u"test room"_s, u"off"_s} << grouped + roomGroupedLight << onBody(false)
        << QStringList{temperatureLight, onOffLight} << false;
    QTest::newRow("zone by id, off") << QStringList{u"zone"_s, zoneID, u"off"_s} << grouped + zoneGroupedLight
                                     << onBody(false) << QStringList{colorLight1, colorLight2, gradientLight} << false;
}

void TestLumoraCtl::lightAndGroupCommands()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, path);
    QFETCH(QJsonObject, body);
    QFETCH(QStringList, lights);
    QFETCH(bool, on);

    const CtlRun run = runCtl(environment(), keyed(arguments + QStringList{u"--json"_s}));

    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QList<SimRequest> puts = requestsTo(*m_sim, u"PUT"_s, u"/clip"_s);
    QCOMPARE(puts.size(), 1);
    QCOMPARE(puts.first().path(), path);
    QCOMPARE(parseObject(puts.first().body), body);
    QCOMPARE(parseObject(run.out).value("sent"_L1).toObject(), body);
    for (const QString &id : lights)
        QCOMPARE(m_sim->resource(id)->value("on"_L1).toObject().value("on"_L1).toBool(), on);
}

void TestLumoraCtl::colourWithinGamutAndAmbiguousNames()
{
    // A colour goes out within the light's own gamut (A for this light).
    const CtlRun blue =
        runCtl(environment(), keyed({u"light"_s, u"hue light with color only"_s, u"--color"_s, u"#0000ff"_s}));
    QVERIFY2(blue.exitCode == 0, blue.err.constData());
    const QJsonObject sent = parseObject(requestsTo(*m_sim, u"PUT"_s, u"/clip"_s).last().body);
    const HueGamut gamutA{{0.704, 0.296}, {0.2151, 0.7106}, {0.138, 0.08}};
    const HueXY expected = HueColor::xy(HueRGB{0, 0, 1}, gamutA);
    QVERIFY(expected != HueColor::xy(HueRGB{0, 0, 1}));
    const QJsonObject xy = sent.value("color"_L1).toObject().value("xy"_L1).toObject();
    QVERIFY(qAbs(xy.value("x"_L1).toDouble() - expected.x) < 1e-4);
    QVERIFY(qAbs(xy.value("y"_L1).toDouble() - expected.y) < 1e-4);

    // Two lights whose names differ only in case.
    const QString name = u"Desk"_s;
    for (const QString &id : {colorLight1, colorLight2}) {
        const QString device = m_sim->resource(id)->value("owner"_L1).toObject().value("rid"_L1).toString();
        const QString spelt = id == colorLight1 ? name : name.toUpper();
        QVERIFY(m_sim->changeFromOutside(id, QJsonObject{{u"metadata"_s, QJsonObject{{u"name"_s, spelt}}}}));
        QVERIFY(m_sim->changeFromOutside(device, QJsonObject{{u"metadata"_s, QJsonObject{{u"name"_s, spelt}}}}));
    }
    m_sim->clearRequestLog();
    const CtlRun run = runCtl(environment(), keyed({u"light"_s, u"desk"_s, u"off"_s}));
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("matches several") && run.err.contains(colorLight1.toUtf8())
                 && run.err.contains(colorLight2.toUtf8()),
             run.err.constData());
    QVERIFY(requestsTo(*m_sim, u"PUT"_s, u"/clip"_s).isEmpty());

    // The id still picks one of them.
    const CtlRun byID = runCtl(environment(), keyed({u"light"_s, colorLight2, u"off"_s}));
    QCOMPARE(byID.exitCode, 0);
    QCOMPARE(m_sim->resource(colorLight2)->value("on"_L1).toObject().value("on"_L1).toBool(), false);
    QCOMPARE(m_sim->resource(colorLight1)->value("on"_L1).toObject().value("on"_L1).toBool(), true);
}

void TestLumoraCtl::sceneCommands()
{
    // Recall by name in another case.
    CtlRun run = runCtl(environment(), keyed({u"scene"_s, u"recall"_s, u"regular TEST scene"_s}));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(requestsTo(*m_sim, u"PUT"_s, u"/clip/v2/resource/scene/"_s + regularScene).size(), 1);

    // A name longer than 32 characters never reaches the bridge.
    run = runCtl(environment(), keyed({u"scene"_s, u"save"_s, u"Test Room"_s, QString(33, u'x')}));
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("The name needs 1 to 32 characters."), run.err.constData());
    QVERIFY(requestsTo(*m_sim, u"POST"_s, u"/clip"_s).isEmpty());

    // Save the room's current light, trimmed, under a new name.
    run = runCtl(environment(), keyed({u"scene"_s, u"save"_s, u"test room"_s, u"  Evening  "_s, u"--json"_s}));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QString id = parseObject(run.out).value("id"_L1).toString();
    QVERIFY(!id.isEmpty());
    const auto created = m_sim->resource(id);
    QVERIFY(created);
    QCOMPARE(created->value("metadata"_L1).toObject().value("name"_L1).toString(), u"Evening"_s);
    QCOMPARE(created->value("group"_L1).toObject().value("rid"_L1).toString(), roomID);
    QCOMPARE(created->value("actions"_L1).toArray().size(), 2);

    // Overwrite with the room's light as it is now.
    QVERIFY(m_sim->changeFromOutside(temperatureLight, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, true}}}}));
    run = runCtl(environment(), keyed({u"scene"_s, u"overwrite"_s, u"evening"_s, u"--group"_s, u"Test Room"_s}));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QList<SimRequest> updates = requestsTo(*m_sim, u"PUT"_s, u"/clip/v2/resource/scene/"_s + id);
    QCOMPARE(updates.size(), 1);
    QVERIFY(parseObject(updates.first().body).value("actions"_L1).isArray());

    // A scene of another group is not found with --group.
    run = runCtl(environment(), keyed({u"scene"_s, u"delete"_s, u"Evening"_s, u"--group"_s, u"test zone"_s}));
    QCOMPARE(run.exitCode, 2);
    QVERIFY(m_sim->resource(id));

    run = runCtl(environment(), keyed({u"scene"_s, u"delete"_s, u"Evening"_s}));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(requestsTo(*m_sim, u"DELETE"_s, u"/clip/v2/resource/scene/"_s + id).size(), 1);
    QVERIFY(!m_sim->resource(id));
}

void TestLumoraCtl::watchFollowsChangesAndStopsOnSigterm()
{
    CtlProcess watch(environment());
    watch.start(keyed({u"watch"_s, u"--json"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);

    const auto printed = [&watch](const QString &id, bool on) {
        for (const QByteArray &line : watch.out.split('\n')) {
            const QJsonObject change = parseObject(line);
            if (change.value("id"_L1).toString() == id && change.value("type"_L1).toString() == "light"_L1
                && change.value("change"_L1).toString() == "changed"_L1
                && change.value("state"_L1).toObject().value("on"_L1).toBool() == on)
                return true;
        }
        return false;
    };
    QVERIFY(m_sim->changeFromOutside(colorLight1, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, false}}}}));
    QTRY_VERIFY_WITH_TIMEOUT(printed(colorLight1, false), 10000);

    // The bridge ends the stream: the tool reconnects by itself (after 1 s)
    // and goes on printing.
    m_sim->endEventStreams();
    QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);
    QVERIFY(m_sim->changeFromOutside(colorLight1, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, true}}}}));
    QTRY_VERIFY_WITH_TIMEOUT(printed(colorLight1, true), 10000);

    watch.process.terminate();
    QVERIFY(watch.finishes(10000));
    const CtlRun run = watch.result();
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!run.err.contains(m_key.toUtf8()) && !run.out.contains(m_key.toUtf8()));

    // The text form names the light and its new state.
    CtlProcess text(environment());
    text.start(keyed({u"watch"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);
    QVERIFY(m_sim->changeFromOutside(onOffLight, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, true}}}}));
    QTRY_VERIFY_WITH_TIMEOUT(text.out.contains(" light Hue on/off light: on"), 10000);
    ::kill(pid_t(text.process.processId()), SIGINT);
    QVERIFY(text.finishes(10000));
    QCOMPARE(text.result().exitCode, 0);
}

void TestLumoraCtl::watchEndsWhenTheKeyIsRevoked()
{
    CtlProcess watch(environment());
    watch.start(keyed({u"watch"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);
    // The stream ends; the reload after the pause is refused: no endless retries.
    m_sim->revokeApplicationKey(m_key);
    QVERIFY(watch.finishes(15000));
    const CtlRun run = watch.result();
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.err.contains("refused the key"), run.err.constData());
}

void TestLumoraCtl::interruptedPairingStoresNothing()
{
    m_sim->releaseLinkButton();
    CtlProcess ctl(environment());
    ctl.start({u"pair"_s, u"127.0.0.1"_s, u"--port"_s, QString::number(m_sim->port()), u"--trust-anchor"_s, m_rootPem});
    QTRY_VERIFY_WITH_TIMEOUT(!requestsTo(*m_sim, u"POST"_s, u"/api"_s).isEmpty(), 15000);
    ::kill(pid_t(ctl.process.processId()), SIGINT);
    QVERIFY(ctl.finishes(10000));
    QCOMPARE(ctl.result().exitCode, 130);
    QSettings settings(settingsPath(), QSettings::IniFormat);
    QVERIFY(!PairedBridge::load(settings));
}

QTEST_GUILESS_MAIN(TestLumoraCtl)
#include "tst_lumoractl.moc"
