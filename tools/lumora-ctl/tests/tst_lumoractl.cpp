// lumora-ctl end to end: the real executable, run as a child process, against
// an in-process bridge simulator over TLS that trusts only its own root.
#include "BridgeFixture.h"
#include "HueColor.h"
#include "OrderStore.h"
#include "PairedBridge.h"
#include "SimCertificates.h"
#include "SimFault.h"
#include "SimulatedBridge.h"
#include "TestProcess.h"

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
using namespace BridgeFixture;

namespace {

QJsonObject parseObject(const QByteArray &bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

bool isOn(const BridgeSimulator &sim, const QString &id)
{
    return sim.resource(id)->value("on"_L1).toObject().value("on"_L1).toBool();
}

/// What an exit-status row arranges before lumora-ctl runs.
enum class Setup { none, bridgeError, closedPort, foreignRoot };

} // namespace

class TestLumoraCtl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        m_sim = std::make_unique<SimulatedBridge>();
        QVERIFY2(m_sim->error.isEmpty(), qPrintable(m_sim->error));
        m_sim->setEventInterval(50);
        QVERIFY(!m_sim->rootPem().isEmpty());
    }
    void cleanup()
    {
        m_sim.reset();
        m_config.reset();
    }

    // The command line's own checks are the unit tests' concern; here one of
    // them stands for the mapping of a usage error to status 2.
    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");

        const QStringList home{u"home"_s, u"@keyed"_s};
        QTest::newRow("unknown command") << QStringList{u"frobnicate"_s} << Setup::none << u"en"_s << 2
                                         << u"Unknown command"_s;
        QTest::newRow("unknown light") << QStringList{u"light"_s, u"Nope"_s, u"on"_s, u"@keyed"_s} << Setup::none
                                       << u"en"_s << 2 << u"No light “Nope” found"_s;
        QTest::newRow("unknown light in German") << QStringList{u"light"_s, u"Nope"_s, u"on"_s, u"@keyed"_s}
                                                 << Setup::none << u"de"_s << 2 << u"Keine Lampe „Nope“ gefunden"_s;
        QTest::newRow("unreadable trust anchor") << QStringList{u"home"_s,
                                                                u"--host"_s,
                                                                u"127.0.0.1"_s,
                                                                u"--key"_s,
                                                                u"k"_s,
                                                                u"--trust-anchor"_s,
                                                                u"/nonexistent/root.pem"_s}
                                                 << Setup::none << u"en"_s << 2 << u"no readable certificate"_s;
        QTest::newRow("nothing paired") << QStringList{u"home"_s} << Setup::none << u"en"_s << 3
                                        << u"No bridge is paired"_s;
        QTest::newRow("no key stored") << QStringList{u"@sim"_s, u"home"_s, u"--bridge-id"_s, u"001788FFFE000001"_s}
                                       << Setup::none << u"en"_s << 3 << u"No key is stored"_s;
        QTest::newRow("key refused") << QStringList{u"@sim"_s, u"home"_s, u"--key"_s, u"not-a-key"_s} << Setup::none
                                     << u"en"_s << 3 << u"refused the key"_s;
        QTest::newRow("bridge error") << home << Setup::bridgeError << u"en"_s << 1 << u"service unavailable"_s;
        QTest::newRow("unreachable") << home << Setup::closedPort << u"en"_s << 4 << u"cannot be reached"_s;
        QTest::newRow("foreign root") << home << Setup::foreignRoot << u"en"_s << 4 << u"cannot be reached"_s;
    }
    void exitStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Setup, setup);
        QFETCH(QString, language);
        QFETCH(int, status);
        QFETCH(QString, message);
        arguments = expand(arguments);
        QTemporaryDir files;
        switch (setup) {
        case Setup::none:
            break;
        case Setup::bridgeError:
            m_sim->addFault(
                SimFault::respond(503, SimFault::Body::jsonErrors, u"service unavailable"_s).onPath(u"^/clip"_s));
            break;
        case Setup::closedPort: {
            QTcpServer server; // a port nobody listens on any more
            QVERIFY(server.listen(QHostAddress::LocalHost));
            arguments[arguments.indexOf(u"--port"_s) + 1] = QString::number(server.serverPort());
            break;
        }
        case Setup::foreignRoot:
            QVERIFY(SimCertificates::writePem(files.filePath(u"other.pem"_s), SimCertificates::makeRoot().chain));
            arguments[arguments.indexOf(u"--trust-anchor"_s) + 1] = files.filePath(u"other.pem"_s);
            break;
        }

        const TestProcess::Run run = ctl(arguments, language);
        QCOMPARE(run.exitCode, status);
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        QVERIFY(run.out.isEmpty());
        // A failing command sends no command, and neither channel shows the key.
        QVERIFY(m_sim->requests(u"PUT"_s).isEmpty());
        QVERIFY(!run.err.contains(m_sim->key.toUtf8()));
    }
    void pairsWithTheButtonAndUsesTheStoredPairing()
    {
        const QStringList anchor{u"--port"_s, QString::number(m_sim->port()), u"--trust-anchor"_s, m_sim->rootPem()};
        const QStringList keysBefore = m_sim->applicationKeys();

        for (const bool printKey : {false, true}) {
            m_sim->releaseLinkButton();
            m_sim->clearRequestLog();
            TestProcess pairing(QStringLiteral(LUMORA_CTL_EXECUTABLE), environment());
            QStringList arguments = QStringList{u"pair"_s, u"127.0.0.1"_s} + anchor;
            if (printKey)
                arguments += QStringList{u"--print-key"_s, u"--json"_s};
            pairing.start(arguments);
            // Press once the tool has been refused at least once: it must wait and ask again.
            QTRY_VERIFY_WITH_TIMEOUT(!m_sim->requests(u"POST"_s, u"/api"_s).isEmpty(), 15000);
            QTRY_VERIFY_WITH_TIMEOUT(pairing.err.contains("Now press the round button on top of the bridge."), 5000);
            m_sim->pressLinkButton();
            QVERIFY(pairing.finishes());
            const TestProcess::Run run = pairing.result();
            QCOMPARE(run.exitCode, 0);
            QVERIFY(m_sim->requests(u"POST"_s, u"/api"_s).size() >= 2);
            const QByteArray body = m_sim->requests(u"POST"_s, u"/api"_s).first().body;
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
        const TestProcess::Run status = ctl(QStringList{u"status"_s, u"--json"_s} + anchor);
        QCOMPARE(status.exitCode, 0);
        const QJsonObject state = parseObject(status.out);
        QCOMPARE(state.value("bridgeID"_L1).toString(), m_sim->bridgeId());
        QCOMPARE(state.value("reachable"_L1).toBool(), true);
        QCOMPARE(state.value("keyAccepted"_L1).toBool(), true);

        const TestProcess::Run on = ctl(QStringList{u"light"_s, u"hue on/off light"_s, u"on"_s} + anchor);
        QCOMPARE(on.exitCode, 0);
        QCOMPARE(isOn(*m_sim, onOffLight), true);

        // A key the bridge no longer accepts: status says so and exits with 3.
        m_sim->revokeAllApplicationKeys();
        const TestProcess::Run refused = ctl(QStringList{u"status"_s} + anchor);
        QCOMPARE(refused.exitCode, 3);
        QVERIFY2(refused.out.contains("Key accepted: no"), refused.out.constData());
    }
    void homeAsTextAndJson()
    {
        // The user's saved order of the zone's lights, as the application keeps it.
        {
            auto settings = std::make_shared<QSettings>(settingsPath(), QSettings::IniFormat);
            OrderStore order(settings);
            order.load(m_sim->bridgeId());
            order.save({gradientLight, colorLight2, colorLight1}, u"lights."_s + zoneID);
            settings->sync();
        }

        const TestProcess::Run text = ctl(keyed({u"home"_s}));
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

        const TestProcess::Run json = ctl(keyed({u"home"_s, u"--json"_s}));
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
    void lightAndGroupCommands_data()
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

        QTest::newRow("name in other case, on")
            << QStringList{u"light"_s, u"HUE ON/OFF LIGHT"_s, u"on"_s} << light + onOffLight << onBody(true)
            << QStringList{onOffLight} << true;
        QTest::newRow("id, off with brightness")
            << QStringList{u"light"_s, colorLight1, u"off"_s, u"--brightness"_s, u"20"_s} << light + colorLight1
            << QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, false}}}, {u"dimming"_s, QJsonObject{{u"brightness"_s, 20}}}}
            << QStringList{colorLight1} << false;
        QTest::newRow("toggle an unlit light")
            << QStringList{u"light"_s, u"Hue light with color temperature only"_s, u"toggle"_s}
            << light + temperatureLight << onBody(true) << QStringList{temperatureLight} << true;
        QTest::newRow("toggle a lit light")
            << QStringList{u"light"_s, colorOnlyLight, u"toggle"_s} << light + colorOnlyLight << onBody(false)
            << QStringList{colorOnlyLight} << false;
        QTest::newRow("white tone switches an unlit light on")
            << QStringList{u"light"_s, temperatureLight, u"--mirek"_s, u"300"_s} << light + temperatureLight
            << QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, true}}},
                           {u"color_temperature"_s, QJsonObject{{u"mirek"_s, 300}}}}
            << QStringList{temperatureLight} << true;
        QTest::newRow("room off through its grouped light")
            << QStringList{u"room"_s, u"test room"_s, u"off"_s} << grouped + roomGroupedLight << onBody(false)
            << QStringList{temperatureLight, onOffLight} << false;
        QTest::newRow("zone by id, off") << QStringList{u"zone"_s, zoneID, u"off"_s} << grouped + zoneGroupedLight
                                         << onBody(false) << QStringList{colorLight1, colorLight2, gradientLight}
                                         << false;
    }
    void lightAndGroupCommands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QFETCH(QJsonObject, body);
        QFETCH(QStringList, lights);
        QFETCH(bool, on);

        const TestProcess::Run run = ctl(keyed(arguments + QStringList{u"--json"_s}));

        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QList<SimRequest> puts = m_sim->requests(u"PUT"_s, u"/clip"_s);
        QCOMPARE(puts.size(), 1);
        QCOMPARE(puts.first().path(), path);
        QCOMPARE(parseObject(puts.first().body), body);
        QCOMPARE(parseObject(run.out).value("sent"_L1).toObject(), body);
        for (const QString &id : lights)
            QCOMPARE(isOn(*m_sim, id), on);
    }
    void colourWithinGamutAndAmbiguousNames()
    {
        // A colour goes out within the light's own gamut (A for this light).
        const TestProcess::Run blue =
            ctl(keyed({u"light"_s, u"hue light with color only"_s, u"--color"_s, u"#0000ff"_s}));
        QVERIFY2(blue.exitCode == 0, blue.err.constData());
        const QJsonObject sent = parseObject(m_sim->requests(u"PUT"_s, u"/clip"_s).last().body);
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
        const TestProcess::Run run = ctl(keyed({u"light"_s, u"desk"_s, u"off"_s}));
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("matches several") && run.err.contains(colorLight1.toUtf8())
                     && run.err.contains(colorLight2.toUtf8()),
                 run.err.constData());
        QVERIFY(m_sim->requests(u"PUT"_s, u"/clip"_s).isEmpty());

        // The id still picks one of them.
        const TestProcess::Run byID = ctl(keyed({u"light"_s, colorLight2, u"off"_s}));
        QCOMPARE(byID.exitCode, 0);
        QCOMPARE(isOn(*m_sim, colorLight2), false);
        QCOMPARE(isOn(*m_sim, colorLight1), true);
    }
    void sceneCommands()
    {
        // Recall by name in another case.
        TestProcess::Run run = ctl(keyed({u"scene"_s, u"recall"_s, u"regular TEST scene"_s}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(m_sim->requests(u"PUT"_s, u"/clip/v2/resource/scene/"_s + regularScene).size(), 1);

        // A name longer than 32 characters never reaches the bridge.
        run = ctl(keyed({u"scene"_s, u"save"_s, u"Test Room"_s, QString(33, u'x')}));
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("The name needs 1 to 32 characters."), run.err.constData());
        QVERIFY(m_sim->requests(u"POST"_s, u"/clip"_s).isEmpty());

        // Save the room's current light, trimmed, under a new name.
        run = ctl(keyed({u"scene"_s, u"save"_s, u"test room"_s, u"  Evening  "_s, u"--json"_s}));
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
        run = ctl(keyed({u"scene"_s, u"overwrite"_s, u"evening"_s, u"--group"_s, u"Test Room"_s}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QList<SimRequest> updates = m_sim->requests(u"PUT"_s, u"/clip/v2/resource/scene/"_s + id);
        QCOMPARE(updates.size(), 1);
        QVERIFY(parseObject(updates.first().body).value("actions"_L1).isArray());

        // A scene of another group is not found with --group.
        run = ctl(keyed({u"scene"_s, u"delete"_s, u"Evening"_s, u"--group"_s, u"test zone"_s}));
        QCOMPARE(run.exitCode, 2);
        QVERIFY(m_sim->resource(id));

        run = ctl(keyed({u"scene"_s, u"delete"_s, u"Evening"_s}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(m_sim->requests(u"DELETE"_s, u"/clip/v2/resource/scene/"_s + id).size(), 1);
        QVERIFY(!m_sim->resource(id));
    }
    void watchFollowsChangesAndStopsOnSigterm()
    {
        TestProcess watch(QStringLiteral(LUMORA_CTL_EXECUTABLE), environment());
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
        const TestProcess::Run run = watch.result();
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!run.err.contains(m_sim->key.toUtf8()) && !run.out.contains(m_sim->key.toUtf8()));

        // The text form names the light and its new state.
        TestProcess text(QStringLiteral(LUMORA_CTL_EXECUTABLE), environment());
        text.start(keyed({u"watch"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);
        QVERIFY(m_sim->changeFromOutside(onOffLight, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, true}}}}));
        QTRY_VERIFY_WITH_TIMEOUT(text.out.contains(" light Hue on/off light: on"), 10000);
        text.sendSignal(SIGINT);
        QVERIFY(text.finishes(10000));
        QCOMPARE(text.exitCode(), 0);
    }
    void watchEndsWhenTheKeyIsRevoked()
    {
        TestProcess watch(QStringLiteral(LUMORA_CTL_EXECUTABLE), environment());
        watch.start(keyed({u"watch"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);
        // The stream ends; the reload after the pause is refused: no endless retries.
        m_sim->revokeApplicationKey(m_sim->key);
        QVERIFY(watch.finishes(15000));
        const TestProcess::Run run = watch.result();
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("refused the key"), run.err.constData());
    }
    void interruptedPairingStoresNothing()
    {
        m_sim->releaseLinkButton();
        TestProcess pairing(QStringLiteral(LUMORA_CTL_EXECUTABLE), environment());
        pairing.start({u"pair"_s, u"127.0.0.1"_s, u"--port"_s, QString::number(m_sim->port()), u"--trust-anchor"_s,
                       m_sim->rootPem()});
        QTRY_VERIFY_WITH_TIMEOUT(!m_sim->requests(u"POST"_s, u"/api"_s).isEmpty(), 15000);
        pairing.sendSignal(SIGINT);
        QVERIFY(pairing.finishes(10000));
        QCOMPARE(pairing.exitCode(), 130);
        QSettings settings(settingsPath(), QSettings::IniFormat);
        QVERIFY(!PairedBridge::load(settings));
    }

private:
    QProcessEnvironment environment(const QString &language = u"en"_s) const;
    /// --host, --port and --trust-anchor of the simulator.
    QStringList simArguments() const;
    /// simArguments() with the simulator's key.
    QStringList keyed(const QStringList &arguments) const
    {
        return arguments + simArguments() + QStringList{u"--key"_s, m_sim->key};
    }
    /// Data rows cannot know the simulator yet: "@sim" stands for
    /// simArguments(), "@keyed" for those and the key.
    QStringList expand(const QStringList &arguments) const;
    TestProcess::Run ctl(const QStringList &arguments, const QString &language = u"en"_s) const
    {
        return TestProcess::run(QStringLiteral(LUMORA_CTL_EXECUTABLE), arguments, environment(language));
    }
    QString settingsPath() const { return m_config->path() + u"/Lumora/Lumora.conf"_s; }

    std::unique_ptr<SimulatedBridge> m_sim;
    std::unique_ptr<QTemporaryDir> m_config;
};

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
    return {u"--host"_s,         u"127.0.0.1"_s,  u"--port"_s, QString::number(m_sim->port()),
            u"--trust-anchor"_s, m_sim->rootPem()};
}

QStringList TestLumoraCtl::expand(const QStringList &arguments) const
{
    QStringList expanded;
    for (const QString &argument : arguments) {
        if (argument == "@sim"_L1)
            expanded += simArguments();
        else if (argument == "@keyed"_L1)
            expanded += simArguments() + QStringList{u"--key"_s, m_sim->key};
        else
            expanded.append(argument);
    }
    return expanded;
}

QTEST_GUILESS_MAIN(TestLumoraCtl)
#include "tst_lumoractl.moc"
