// lumora-ctl end to end: the real executable, run as a child process, against
// an in-process bridge simulator over TLS that trusts only its own root.
#include "BridgeFixture.h"
#include "HueColor.h"
#include "HueLightCommand.h"
#include "OrderStore.h"
#include "PairedBridge.h"
#include "SimFault.h"
#include "SimulatedBridge.h"
#include "TestProcess.h"

#include <QDir>
#include <QFile>
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

QJsonObject obj(const QByteArray &bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

/// The value at a path like "rooms/0/lights/1/id".
QJsonValue field(const QJsonObject &object, const QString &path)
{
    QJsonValue value = object;
    for (const QString &part : path.split(u'/'))
        value = value.isArray() ? value[part.toInt()] : value[part];
    return value;
}

/// Words separated by single spaces; for arguments without spaces of their own.
QStringList words(const QString &text)
{
    return text.split(u' ');
}

/// What an exit-status row arranges before lumora-ctl runs.
enum class Setup { none, german, bridgeError, closedPort };

} // namespace

class TestLumoraCtl : public QObject
{
    Q_OBJECT

    std::unique_ptr<SimulatedBridge> m_sim;
    std::unique_ptr<QTemporaryDir> m_config;

    QProcessEnvironment environment(const QString &language = u"en"_s) const
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
    QStringList anchor() const
    {
        return {u"--port"_s, QString::number(m_sim->port()), u"--trust-anchor"_s, m_config->filePath(u"root.pem"_s)};
    }
    /// Data rows cannot know the simulator yet: "@sim" stands for its host,
    /// port and trust anchor, "@keyed" for those and the key.
    QStringList expand(const QStringList &arguments) const
    {
        QStringList expanded;
        for (const QString &argument : arguments) {
            if (!argument.startsWith(u'@'))
                expanded.append(argument);
            else
                expanded += QStringList{u"--host"_s, u"127.0.0.1"_s} + anchor()
                            + (argument == "@keyed"_L1 ? QStringList{u"--key"_s, m_sim->key} : QStringList());
        }
        return expanded;
    }
    QStringList keyed(const QStringList &arguments) const { return expand(arguments + QStringList{u"@keyed"_s}); }
    TestProcess::Run ctl(const QStringList &arguments, const QString &language = u"en"_s) const
    {
        return TestProcess::run(QStringLiteral(LUMORA_CTL_EXECUTABLE), arguments, environment(language));
    }
    std::unique_ptr<TestProcess> started(const QStringList &arguments) const
    {
        auto process = std::make_unique<TestProcess>(QStringLiteral(LUMORA_CTL_EXECUTABLE), environment());
        process->start(arguments);
        return process;
    }
    QString settingsPath() const { return m_config->path() + u"/Lumora/Lumora.conf"_s; }
    bool isOn(const QString &id) const { return m_sim->resource(id)->value("on"_L1)["on"_L1].toBool(); }
    bool switchFromOutside(const QString &id, bool on)
    {
        return m_sim->changeFromOutside(id, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, on}}}});
    }

private Q_SLOTS:
    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        m_sim = std::make_unique<SimulatedBridge>();
        QVERIFY2(m_sim->error.isEmpty(), qPrintable(m_sim->error));
        m_sim->setEventInterval(50);
        QVERIFY(m_sim->writeRootPem(m_config->filePath(u"root.pem"_s)));
    }

    // The command line's own checks are the unit tests' concern; here an unknown
    // name stands for the mapping of a usage error to status 2. A refused key
    // (3) is status's and watch's case below.
    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");

        const QStringList home = words(u"home @keyed"_s);
        QTest::newRow("unknown light in German")
            << words(u"light Nope on @keyed"_s) << Setup::german << 2 << u"Keine Lampe „Nope“ gefunden"_s;
        QTest::newRow("unreadable trust anchor")
            << words(u"home --host 127.0.0.1 --key k --trust-anchor /nonexistent/root.pem"_s) << Setup::none << 2
            << u"no readable certificate"_s;
        QTest::newRow("nothing paired") << words(u"home"_s) << Setup::none << 3 << u"No bridge is paired"_s;
        QTest::newRow("no key stored") << words(u"@sim home --bridge-id 001788FFFE000001"_s) << Setup::none << 3
                                       << u"No key is stored"_s;
        QTest::newRow("bridge error") << home << Setup::bridgeError << 1 << u"service unavailable"_s;
        QTest::newRow("unreachable") << home << Setup::closedPort << 4 << u"cannot be reached"_s;
    }
    void exitStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Setup, setup);
        QFETCH(int, status);
        QFETCH(QString, message);
        arguments = expand(arguments);
        if (setup == Setup::bridgeError) {
            m_sim->addFault(
                SimFault::respond(503, SimFault::Body::jsonErrors, u"service unavailable"_s).onPath(u"^/clip"_s));
        } else if (setup == Setup::closedPort) {
            QTcpServer server; // a port nobody listens on any more
            QVERIFY(server.listen(QHostAddress::LocalHost));
            arguments[arguments.indexOf(u"--port"_s) + 1] = QString::number(server.serverPort());
        }

        const TestProcess::Run run = ctl(arguments, setup == Setup::german ? u"de"_s : u"en"_s);
        QCOMPARE(run.exitCode, status);
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        QVERIFY(run.out.isEmpty());
        // A failing command sends no command, and neither channel shows the key.
        QVERIFY(m_sim->requests(u"PUT"_s).isEmpty());
        QVERIFY(!run.err.contains(m_sim->key.toUtf8()));
    }
    void pairsWithTheButtonAndUsesTheStoredPairing()
    {
        // Interrupted while waiting for the button: nothing is stored.
        m_sim->releaseLinkButton();
        const auto interrupted = started(words(u"pair 127.0.0.1"_s) + anchor());
        QTRY_VERIFY_WITH_TIMEOUT(!m_sim->requests(u"POST"_s, u"/api"_s).isEmpty(), 15000);
        ::kill(pid_t(interrupted->process.processId()), SIGINT);
        QVERIFY(interrupted->finishes(10000));
        QCOMPARE(interrupted->exitCode(), 130);
        QVERIFY(!PairedBridge::load(QSettings(settingsPath(), QSettings::IniFormat)));

        for (const bool printKey : {false, true}) {
            const qsizetype keysBefore = m_sim->applicationKeys().size();
            m_sim->releaseLinkButton();
            m_sim->clearRequestLog();
            const auto pairing =
                started(words(printKey ? u"pair 127.0.0.1 --print-key --json"_s : u"pair 127.0.0.1"_s) + anchor());
            // Press once the tool has been refused at least once: it must wait and ask again.
            QTRY_VERIFY_WITH_TIMEOUT(!m_sim->requests(u"POST"_s, u"/api"_s).isEmpty(), 15000);
            QTRY_VERIFY_WITH_TIMEOUT(pairing->err.contains("Now press the round button on top of the bridge."), 5000);
            m_sim->pressLinkButton();
            QVERIFY(pairing->finishes());
            const TestProcess::Run run = pairing->result();
            QCOMPARE(run.exitCode, 0);
            const QByteArray body = m_sim->requests(u"POST"_s, u"/api"_s).first().body;
            QVERIFY2(obj(body).value("devicetype"_L1).toString().startsWith("lumora#"_L1), body.constData());

            QCOMPARE(m_sim->applicationKeys().size(), keysBefore + 1);
            const QString key = m_sim->applicationKeys().last();
            if (printKey) {
                QCOMPARE(obj(run.out), (QJsonObject{{u"bridgeID"_s, m_sim->bridgeId()},
                                                    {u"name"_s, m_sim->name()},
                                                    {u"host"_s, u"127.0.0.1"_s},
                                                    {u"key"_s, key}}));
            } else {
                QVERIFY2(run.out.contains("Paired with"), run.out.constData());
                for (const QString &any : m_sim->applicationKeys())
                    QVERIFY(!run.out.contains(any.toUtf8()) && !run.err.contains(any.toUtf8()));
            }
            // The record the application reads at start.
            QSettings settings(settingsPath(), QSettings::IniFormat);
            QCOMPARE(PairedBridge::load(settings), (PairedBridge{m_sim->bridgeId(), m_sim->name(), u"127.0.0.1"_s}));
            for (const QString &stored : settings.allKeys())
                QVERIFY(!settings.value(stored).toString().contains(key));
        }

        // Settings that cannot be written (root writes anywhere, but not below
        // a plain file): the pairing fails and says so, and the earlier one
        // stays usable, key and all.
        const QString folder = m_config->path() + u"/Lumora"_s;
        QVERIFY(QDir().rename(folder, folder + u".kept"_s));
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        m_sim->pressLinkButton();
        const TestProcess::Run unsaved = ctl(words(u"pair 127.0.0.1"_s) + anchor());
        QCOMPARE(unsaved.exitCode, 1);
        QVERIFY2(unsaved.err.contains("The pairing could not be saved"), unsaved.err.constData());
        QVERIFY(QFile::remove(folder) && QDir().rename(folder + u".kept"_s, folder));
        m_sim->revokeApplicationKey(m_sim->applicationKeys().last()); // the failed pairing's

        // From now on the stored pairing is enough: no --host, no --key.
        const TestProcess::Run status = ctl(words(u"status --json"_s) + anchor());
        QCOMPARE(status.exitCode, 0);
        QCOMPARE(obj(status.out), (QJsonObject{{u"bridgeID"_s, m_sim->bridgeId()},
                                               {u"name"_s, m_sim->name()},
                                               {u"host"_s, u"127.0.0.1"_s},
                                               {u"reachable"_s, true},
                                               {u"keyAccepted"_s, true},
                                               {u"error"_s, QJsonValue::Null}}));
        QCOMPARE(ctl(QStringList{u"light"_s, u"hue on/off light"_s, u"on"_s} + anchor()).exitCode, 0);
        QVERIFY(isOn(onOffLight));

        // A key the bridge no longer accepts: status says so and exits with 3.
        m_sim->revokeAllApplicationKeys();
        const TestProcess::Run refused = ctl(words(u"status"_s) + anchor());
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
        // The words for states and scenes; structure and order are the JSON rows' below.
        for (const QByteArray &line :
             {"\n  Test Room: off\n"_ba, "\n    Hue light with color temperature only: off, 59.5 %, 369 mirek\n"_ba,
              "\n    Hue on/off light: off\n"_ba, "\n    Scenes: Regular Test Scene (active)\n"_ba})
            QVERIFY2(text.out.contains(line), text.out.constData());

        const TestProcess::Run json = ctl(keyed({u"home"_s, u"--json"_s}));
        QCOMPARE(json.exitCode, 0);
        const QJsonObject home = obj(json.out);
        const QList<std::pair<QString, QJsonValue>> expected{
            {u"bridge/bridgeID"_s, m_sim->bridgeId()},
            {u"rooms/0/id"_s, roomID},
            {u"rooms/0/groupedLightID"_s, roomGroupedLight},
            {u"rooms/0/scenes/0/id"_s, regularScene},
            {u"rooms/0/scenes/0/active"_s, true},
            // An on/off light has neither brightness nor white tone.
            {u"rooms/0/lights/1/id"_s, onOffLight},
            {u"rooms/0/lights/1/brightness"_s, QJsonValue::Null},
            {u"rooms/0/lights/1/mirek"_s, QJsonValue::Null},
            // The zone's lights in the saved order.
            {u"zones/0/lights/0/id"_s, gradientLight},
            {u"zones/0/lights/2/id"_s, colorLight1},
            {u"zones/0/lights/2/on"_s, true},
            {u"zones/0/lights/2/brightness"_s, 46.85},
            // A colour light with a null mirek, but a range: the recording's values.
            {u"zones/0/lights/2/mirek"_s, QJsonValue::Null},
            {u"zones/0/lights/2/supportsColorTemperature"_s, true},
            {u"zones/0/lights/2/xy/x"_s, 0.5614},
            {u"zones/0/lights/2/reachable"_s, true},
            {u"zones/0/lights/2/supportsColor"_s, true},
            {u"home/kind"_s, u"home"_s},
        };
        for (const auto &[path, value] : expected)
            QVERIFY2(field(home, path) == value, qPrintable(path));
        QCOMPARE(field(home, u"rooms"_s).toArray().size(), 1);
        QCOMPARE(field(home, u"zones/0/lights"_s).toArray().size(), 3);
        QCOMPARE(field(home, u"home/lights"_s).toArray().size(), 6);
        QVERIFY(field(home, u"zones/0/lights/2/displayColor"_s).toString().startsWith(u'#'));
    }
    void lightAndGroupCommands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        /// Lights whose "on" must afterwards be `on`.
        QTest::addColumn<QStringList>("lights");
        QTest::addColumn<bool>("on");

        const QString light = u"/clip/v2/resource/light/"_s;
        const QString grouped = u"/clip/v2/resource/grouped_light/"_s;
        const QByteArray on = R"({"on":{"on":true}})";
        const QByteArray off = R"({"on":{"on":false}})";
        QTest::newRow("id, off with brightness")
            << QStringList{u"light"_s, colorLight1, u"off"_s, u"--brightness"_s, u"20"_s} << light + colorLight1
            << R"({"on":{"on":false},"dimming":{"brightness":20}})"_ba << QStringList{colorLight1} << false;
        QTest::newRow("toggle an unlit light")
            << QStringList{u"light"_s, u"Hue light with color temperature only"_s, u"toggle"_s}
            << light + temperatureLight << on << QStringList{temperatureLight} << true;
        QTest::newRow("toggle a lit light") << QStringList{u"light"_s, colorOnlyLight, u"toggle"_s}
                                            << light + colorOnlyLight << off << QStringList{colorOnlyLight} << false;
        QTest::newRow("white tone switches an unlit light on")
            << QStringList{u"light"_s, temperatureLight, u"--mirek"_s, u"300"_s} << light + temperatureLight
            << R"({"on":{"on":true},"color_temperature":{"mirek":300}})"_ba << QStringList{temperatureLight} << true;
        QTest::newRow("room off through its grouped light")
            << QStringList{u"room"_s, u"test room"_s, u"off"_s} << grouped + roomGroupedLight << off
            << QStringList{temperatureLight, onOffLight} << false;
        QTest::newRow("zone by id, off") << QStringList{u"zone"_s, zoneID, u"off"_s} << grouped + zoneGroupedLight
                                         << off << QStringList{colorLight1, colorLight2, gradientLight} << false;
        // A colour goes out within the light's own gamut (A for this light).
        HueLightCommand blue;
        blue.xy = HueColor::xy(HueRGB{0, 0, 1}, HueGamut{{0.704, 0.296}, {0.2151, 0.7106}, {0.138, 0.08}});
        QVERIFY(blue.xy != HueColor::xy(HueRGB{0, 0, 1}));
        QTest::newRow("colour within the gamut")
            << QStringList{u"light"_s, u"hue light with color only"_s, u"--color"_s, u"#0000ff"_s}
            << light + colorOnlyLight << QJsonDocument(blue.body()).toJson() << QStringList{colorOnlyLight} << true;
    }
    void lightAndGroupCommands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, lights);
        QFETCH(bool, on);

        const TestProcess::Run run = ctl(keyed(arguments + QStringList{u"--json"_s}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QList<SimRequest> puts = m_sim->requests(u"PUT"_s, u"/clip"_s);
        QCOMPARE(puts.size(), 1);
        QCOMPARE(puts.first().path(), path);
        QCOMPARE(obj(puts.first().body), obj(body));
        QCOMPARE(obj(run.out).value("sent"_L1).toObject(), obj(body));
        for (const QString &id : lights)
            QCOMPARE(isOn(id), on);
    }
    // Two lights whose names differ only in case.
    void ambiguousNames()
    {
        for (const QString &id : {colorLight1, colorLight2}) {
            const QString device = field(*m_sim->resource(id), u"owner/rid"_s).toString();
            const QJsonObject named{
                {u"metadata"_s, QJsonObject{{u"name"_s, id == colorLight1 ? u"Desk"_s : u"DESK"_s}}}};
            QVERIFY(m_sim->changeFromOutside(id, named) && m_sim->changeFromOutside(device, named));
        }
        const TestProcess::Run run = ctl(keyed(words(u"light desk off"_s)));
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("matches several") && run.err.contains(colorLight1.toUtf8())
                     && run.err.contains(colorLight2.toUtf8()),
                 run.err.constData());
        QVERIFY(m_sim->requests(u"PUT"_s, u"/clip"_s).isEmpty());
    }
    void sceneCommands()
    {
        // Recall by name in another case.
        TestProcess::Run run = ctl(keyed({u"scene"_s, u"recall"_s, u"regular TEST scene"_s}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(m_sim->requests(u"PUT"_s, u"/clip/v2/resource/scene/"_s + regularScene).size(), 1);

        // Save the room's current light, trimmed, under a new name.
        run = ctl(keyed({u"scene"_s, u"save"_s, u"test room"_s, u"  Evening  "_s, u"--json"_s}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QString id = obj(run.out).value("id"_L1).toString();
        const auto created = m_sim->resource(id);
        QVERIFY(!id.isEmpty() && created);
        QCOMPARE(field(*created, u"metadata/name"_s).toString(), u"Evening"_s);
        QCOMPARE(field(*created, u"group/rid"_s).toString(), roomID);
        QCOMPARE(field(*created, u"actions"_s).toArray().size(), 2);

        // Overwrite with the room's light as it is now.
        QVERIFY(switchFromOutside(temperatureLight, true));
        run = ctl(keyed({u"scene"_s, u"overwrite"_s, u"evening"_s, u"--group"_s, u"Test Room"_s}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QList<SimRequest> updates = m_sim->requests(u"PUT"_s, u"/clip/v2/resource/scene/"_s + id);
        QCOMPARE(updates.size(), 1);
        QVERIFY(obj(updates.first().body).value("actions"_L1).isArray());

        run = ctl(keyed(words(u"scene delete Evening"_s)));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(m_sim->requests(u"DELETE"_s, u"/clip/v2/resource/scene/"_s + id).size(), 1);
        QVERIFY(!m_sim->resource(id));
    }
    void watchFollowsChangesAndEnds()
    {
        const auto watch = started(keyed(words(u"watch --json"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);
        const auto printed = [&watch](const QString &id, bool on) {
            for (const QByteArray &line : watch->out.split('\n')) {
                const QJsonObject change = obj(line);
                if (change.value("id"_L1).toString() == id && change.value("type"_L1).toString() == "light"_L1
                    && change.value("change"_L1).toString() == "changed"_L1
                    && field(change, u"state/on"_s).toBool() == on)
                    return true;
            }
            return false;
        };
        QVERIFY(switchFromOutside(colorLight1, false));
        QTRY_VERIFY_WITH_TIMEOUT(printed(colorLight1, false), 10000);

        // The bridge ends the stream: the tool reconnects by itself (after 1 s)
        // and goes on printing.
        m_sim->endEventStreams();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);
        QVERIFY(switchFromOutside(colorLight1, true));
        QTRY_VERIFY_WITH_TIMEOUT(printed(colorLight1, true), 10000);

        watch->process.terminate();
        QVERIFY(watch->finishes(10000));
        const TestProcess::Run run = watch->result();
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!run.err.contains(m_sim->key.toUtf8()) && !run.out.contains(m_sim->key.toUtf8()));
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 0, 5000); // so that the next count is the next watch's

        // The text form names the light and its new state. A revoked key ends it:
        // the reload after the pause is refused, no endless retries.
        const auto text = started(keyed(words(u"watch"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->eventStreamCount() == 1, 15000);
        QVERIFY(switchFromOutside(onOffLight, true));
        QTRY_VERIFY_WITH_TIMEOUT(text->out.contains(" light Hue on/off light: on"), 10000);
        m_sim->revokeApplicationKey(m_sim->key);
        QVERIFY(text->finishes(15000));
        QCOMPARE(text->exitCode(), 3);
        QVERIFY2(text->err.contains("refused the key"), text->err.constData());
    }
};

QTEST_GUILESS_MAIN(TestLumoraCtl)
#include "tst_lumoractl.moc"
