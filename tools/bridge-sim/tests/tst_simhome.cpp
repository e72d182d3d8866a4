// The simulator's pieces that need no network: certificates, the home's
// command semantics, event coalescing and framing, the HTTP parser and the
// control language.

#include "BridgeSimulator.h"
#include "SimCertificates.h"
#include "SimControl.h"
#include "SimEventQueue.h"
#include "SimHome.h"
#include "SimHttpParser.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <QTimeZone>

#include <memory>
#include <openssl/x509.h>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<X509, decltype(&X509_free)> toX509(const QSslCertificate &certificate)
{
    const QByteArray der = certificate.toDer();
    const auto *data = reinterpret_cast<const unsigned char *>(der.constData());
    return {d2i_X509(nullptr, &data, long(der.size())), &X509_free};
}

QJsonObject obj(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

/// JSON text with %1, %2, ... replaced by the values, in order.
QByteArray fill(const char *json, const QStringList &values)
{
    QString text = QString::fromUtf8(json);
    for (const QString &value : values)
        text = text.arg(value);
    return text.toUtf8();
}

QJsonObject lightState(const SimHome &home, const QString &id)
{
    return home.resource(id).value_or(QJsonObject{});
}

} // namespace

class TestSimHome : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void certificateShapes()
    {
        const SimIdentity root = SimCertificates::makeRoot();
        QVERIFY(!root.isNull());
        QCOMPARE(root.certificate.subjectInfo(QSslCertificate::CommonName), QStringList{u"root-bridge"_s});
        QCOMPARE(root.chain.size(), 1);

        const SimIdentity leaf = SimCertificates::makeBridgeLeaf(root, u"001788fffea532a7"_s, u"BSB003"_s);
        QVERIFY(!leaf.isNull());
        QCOMPARE(leaf.certificate.subjectInfo(QSslCertificate::CommonName), QStringList{u"001788FFFEA532A7"_s});
        QCOMPARE(leaf.certificate.subjectInfo(QSslCertificate::OrganizationalUnitName), QStringList{u"BSB003"_s});
        QVERIFY(leaf.certificate.subjectAlternativeNames().isEmpty());
        QCOMPARE(leaf.certificate.issuerInfo(QSslCertificate::CommonName), QStringList{u"root-bridge"_s});
        QCOMPARE(leaf.chain, (QList<QSslCertificate>{leaf.certificate, root.certificate}));
        QVERIFY(leaf.certificate.effectiveDate() < QDateTime::currentDateTimeUtc());
        // As long as the bridge root itself, whatever the day the test runs.
        QCOMPARE(leaf.certificate.expiryDate(), QDateTime(QDate(2038, 1, 19), QTime(3, 14, 7), QTimeZone::utc()));

        // Bridges write GeneralizedTime even for early dates; parsers must meet it.
        auto x509 = toX509(leaf.certificate);
        QCOMPARE(ASN1_STRING_type(X509_get0_notBefore(x509.get())), V_ASN1_GENERALIZEDTIME);

        SimCertificateOptions options;
        options.commonName = u"ABC"_s;
        options.subjectAltNames = {u"DNS:bridge.local"_s};
        options.notAfter = QDateTime::currentDateTimeUtc().addDays(-1);
        options.notBefore = QDateTime::currentDateTimeUtc().addDays(-10);
        const SimIdentity expired = SimCertificates::makeLeaf(root, options);
        QVERIFY(!expired.isNull());
        QCOMPARE(expired.certificate.subjectAlternativeNames().value(QSsl::DnsEntry), u"bridge.local"_s);
        QVERIFY(expired.certificate.expiryDate() < QDateTime::currentDateTimeUtc());

        QVERIFY(SimCertificates::makeLeaf(SimIdentity{}, u"X"_s).isNull());
    }
    void loadAcceptsArrayAndEnvelope_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("ok");
        QTest::newRow("bare array") << R"([{"id":"a","type":"light"},{"id":"b","type":"room"}])"_ba << 2 << true;
        QTest::newRow("envelope") << R"({"errors":[],"data":[{"id":"a","type":"light"}]})"_ba << 1 << true;
        QTest::newRow("bad elements dropped")
            << R"([{"id":"a","type":"light"},{"type":"x"},5,{"id":"a","type":"light"}])"_ba << 1 << true;
        QTest::newRow("not json") << "nope"_ba << 0 << false;
        QTest::newRow("object without data") << R"({"errors":[]})"_ba << 0 << false;
    }
    void loadAcceptsArrayAndEnvelope()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, count);
        QFETCH(bool, ok);
        SimHome home;
        QString error;
        QCOMPARE(home.load(json, &error), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (ok)
            QCOMPARE(home.size(), count);

        BridgeSimulator simulator;
        simulator.setResources(QJsonDocument::fromJson(json).array());
        QCOMPARE(simulator.resources().size(), QJsonDocument::fromJson(json).isArray() ? count : 0);

        // The recorded fixture loads whole.
        QFile fixture(QStringLiteral(LUMORA_FIXTURE));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        SimHome real;
        QVERIFY(real.load(fixture.readAll()));
        QCOMPARE(real.size(), 70);
        real.setBridgeId(u"001788FFFEA532A7"_s);
        const QString bridge = real.ids(u"bridge"_s).value(0);
        QCOMPARE(real.resource(bridge)->value(u"bridge_id"_s).toString(), u"001788fffea532a7"_s);
        // The zone's grouped light stands for the zone's three lights.
        QCOMPARE(real.lightsOf(u"f2416154-9607-43ab-a684-4453108a200e"_s).size(), 3);
    }
    void generatedHomeHasBridgeProScale()
    {
        SimHome home;
        home.generate(SimHomeSize::bridgePro(), u"001788FFFEA532A7"_s);
        QCOMPARE(home.ids(u"light"_s).size(), 150);
        QCOMPARE(home.ids(u"device"_s).size(), 300);
        QCOMPARE(home.ids(u"room"_s).size() + home.ids(u"zone"_s).size(), 50);
        QCOMPARE(home.ids(u"bridge_home"_s).size(), 1);
        QCOMPARE(home.ids(u"grouped_light"_s).size(), 51);
        const QStringList scenes = home.ids(u"scene"_s);
        QCOMPARE(scenes.size(), 500);
        for (const QString &scene : scenes) {
            const QJsonObject object = *home.resource(scene);
            const QJsonArray actions = object.value(u"actions"_s).toArray();
            QCOMPARE(actions.size(), 10);
            QSet<QString> targets;
            for (const QJsonValue &action : actions) {
                const QString rid = action[u"target"_s][u"rid"_s].toString();
                QCOMPARE(home.resource(rid)->value(u"type"_s).toString(), u"light"_s);
                targets.insert(rid);
            }
            QCOMPARE(targets.size(), 10);
        }
        // Every light is in the whole home; every device's light is in some room.
        const QString homeGroup = home.ids(u"bridge_home"_s).first();
        QCOMPARE(home.lightsOf(homeGroup).size(), 150);
        int inRooms = 0;
        for (const QString &room : home.ids(u"room"_s))
            inRooms += int(home.lightsOf(room).size());
        QCOMPARE(inRooms, 150);
        // Generation is deterministic, so benchmarks compare like with like.
        SimHome again;
        again.generate(SimHomeSize::bridgePro(), u"001788FFFEA532A7"_s);
        QCOMPARE(again.resources(), home.resources());
        // The group states agree with their lights from the start.
        for (const QString &grouped : home.ids(u"grouped_light"_s)) {
            bool anyOn = false;
            for (const QString &light : home.lightsOf(grouped))
                anyOn = anyOn || lightState(home, light)[u"on"_s][u"on"_s].toBool();
            QCOMPARE(lightState(home, grouped)[u"on"_s][u"on"_s].toBool(), anyOn);
        }
    }
    void lightCommandsAndGroupState()
    {
        SimHome home;
        SimEventQueue events;
        home.generate(SimHomeSize::small(), u"001788FFFEA532A7"_s);
        home.setEventQueue(&events);
        const QString room = home.ids(u"room"_s).first();
        QString grouped;
        for (const QString &id : home.ids(u"grouped_light"_s)) {
            if (lightState(home, id)[u"owner"_s][u"rid"_s].toString() == room)
                grouped = id;
        }
        const QStringList lights = home.lightsOf(room);
        QVERIFY(lights.size() >= 2);
        QCOMPARE(home.lightsOf(grouped), lights);

        QCOMPARE(home.putGroupedLight(grouped, obj(R"({"on":{"on":false}})")).status, 200);
        for (const QString &light : lights)
            QCOMPARE(lightState(home, light)[u"on"_s][u"on"_s].toBool(), false);
        QCOMPARE(lightState(home, grouped)[u"on"_s][u"on"_s].toBool(), false);

        // One light on: the group is on and its brightness is that light's.
        QString dimmable;
        for (const QString &light : lights) {
            if (lightState(home, light).contains(u"dimming"_s))
                dimmable = light;
        }
        QVERIFY(!dimmable.isEmpty());
        events.clear();
        const SimHome::Result result =
            home.putLight(dimmable, obj(R"({"on":{"on":true},"dimming":{"brightness":42.5}})"));
        QCOMPARE(result.status, 200);
        QCOMPARE(result.envelope(), obj(fill(R"({"errors":[],"data":[{"rid":"%1","rtype":"light"}]})", {dimmable})));
        QCOMPARE(lightState(home, grouped)[u"on"_s][u"on"_s].toBool(), true);
        QCOMPARE(lightState(home, grouped)[u"dimming"_s][u"brightness"_s].toDouble(), 42.5);
        const QJsonArray containers = events.take();
        QCOMPARE(containers.size(), 1);
        QSet<QString> reported;
        for (const QJsonValue &item : containers.at(0)[u"data"_s].toArray())
            reported.insert(item[u"id"_s].toString());
        QVERIFY(reported.contains(dimmable));
        QVERIFY(reported.contains(grouped));

        // A white tone clears the colour point's validity the other way round,
        // and is clamped to the light's range.
        QString colour;
        for (const QString &id : home.ids(u"light"_s)) {
            if (lightState(home, id).contains(u"color"_s) && lightState(home, id).contains(u"color_temperature"_s))
                colour = id;
        }
        QVERIFY(!colour.isEmpty());
        QCOMPARE(home.putLight(colour, obj(R"({"color_temperature":{"mirek":900}})")).status, 200);
        QCOMPARE(lightState(home, colour)[u"color_temperature"_s][u"mirek"_s].toInt(), 500);
        QCOMPARE(home.putLight(colour, obj(R"({"color":{"xy":{"x":0.3,"y":0.4}}})")).status, 200);
        QVERIFY(lightState(home, colour)[u"color_temperature"_s][u"mirek"_s].isNull());
        QCOMPARE(lightState(home, colour)[u"color"_s][u"xy"_s][u"x"_s].toDouble(), 0.3);

        QCOMPARE(home.putLight(u"missing"_s, obj(R"({"on":{"on":true}})")).status, 404);
        QCOMPARE(home.putLight(grouped, obj(R"({"on":{"on":true}})")).status, 404);
    }
    void invalidCommandsChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("on not bool") << R"({"on":{"on":"yes"}})"_ba;
        QTest::newRow("brightness over 100") << R"({"on":{"on":true},"dimming":{"brightness":101}})"_ba;
        QTest::newRow("brightness negative") << R"({"dimming":{"brightness":-1}})"_ba;
        QTest::newRow("xy out of range") << R"({"color":{"xy":{"x":1.5,"y":0.3}}})"_ba;
        QTest::newRow("xy missing y") << R"({"color":{"xy":{"x":0.3}}})"_ba;
        QTest::newRow("mirek fractional") << R"({"color_temperature":{"mirek":300.5}})"_ba;
        QTest::newRow("mirek null") << R"({"color_temperature":{"mirek":null}})"_ba;
    }
    void invalidCommandsChangeNothing()
    {
        QFETCH(QByteArray, body);
        SimHome home;
        SimEventQueue events;
        home.generate(SimHomeSize::small(), u"001788FFFEA532A7"_s);
        home.setEventQueue(&events);
        const QJsonArray before = home.resources();
        const QString light = home.ids(u"light"_s).first();
        const SimHome::Result result = home.putLight(light, obj(body));
        QCOMPARE(result.status, 400);
        QCOMPARE(result.errors.size(), 1);
        QCOMPARE(home.resources(), before);
        QVERIFY(events.isEmpty());
    }
    void sceneRecallAppliesActionsAndStatus()
    {
        SimHome home;
        SimEventQueue events;
        home.generate(SimHomeSize::small(), u"001788FFFEA532A7"_s);
        home.setEventQueue(&events);
        const QString room = home.ids(u"room"_s).first();
        const QString lightA = home.lightsOf(room).at(0);
        const QString lightB = home.lightsOf(room).at(1);
        const QByteArray sceneOne =
            fill(R"({"type":"scene","metadata":{"name":"Evening"},"group":{"rid":"%1","rtype":"room"},"actions":[)"
                 R"({"target":{"rid":"%2","rtype":"light"},"action":{"on":{"on":true},"dimming":{"brightness":12}}},)"
                 R"({"target":{"rid":"%3","rtype":"light"},"action":{"on":{"on":false}}}]})",
                 {room, lightA, lightB});
        const SimHome::Result created = home.postScene(obj(sceneOne));
        QCOMPARE(created.status, 200);
        const QString one = created.data.at(0)[u"rid"_s].toString();
        QCOMPARE(created.data.at(0)[u"rtype"_s].toString(), u"scene"_s);
        const QString two = home.postScene(obj(sceneOne)).data.at(0)[u"rid"_s].toString();

        QCOMPARE(home.putScene(two, obj(R"({"recall":{"action":"active"}})")).status, 200);
        QCOMPARE(lightState(home, two)[u"status"_s][u"active"_s].toString(), u"static"_s);
        QCOMPARE(home.putScene(one, obj(R"({"recall":{"action":"active"}})")).status, 200);
        QCOMPARE(lightState(home, one)[u"status"_s][u"active"_s].toString(), u"static"_s);
        QCOMPARE(lightState(home, two)[u"status"_s][u"active"_s].toString(), u"inactive"_s);
        QCOMPARE(lightState(home, lightA)[u"on"_s][u"on"_s].toBool(), true);
        QCOMPARE(lightState(home, lightA)[u"dimming"_s][u"brightness"_s].toDouble(), 12.0);
        QCOMPARE(lightState(home, lightB)[u"on"_s][u"on"_s].toBool(), false);

        // Replacing the actions changes what a recall does, not the lights now.
        const QByteArray newActions = fill(
            R"({"actions":[{"target":{"rid":"%1","rtype":"light"},"action":{"on":{"on":true},"dimming":{"brightness":80}}}]})",
            {lightA});
        QCOMPARE(home.putScene(one, obj(newActions)).status, 200);
        QCOMPARE(lightState(home, one)[u"actions"_s].toArray().size(), 1);
        QCOMPARE(lightState(home, lightA)[u"dimming"_s][u"brightness"_s].toDouble(), 12.0);

        // A light changed by other means ends the active scene.
        QVERIFY(home.changeFromOutside(lightA, obj(R"({"dimming":{"brightness":55}})")));
        QCOMPARE(lightState(home, one)[u"status"_s][u"active"_s].toString(), u"inactive"_s);
        QCOMPARE(home.putScene(one, obj(R"({"recall":{"action":"active"}})")).status, 200);
        QCOMPARE(lightState(home, lightA)[u"dimming"_s][u"brightness"_s].toDouble(), 80.0);

        QCOMPARE(home.putScene(one, obj(R"({"recall":{"action":"sparkle"}})")).status, 400);
        QCOMPARE(home.putScene(lightA, obj(R"({"recall":{"action":"active"}})")).status, 404);
    }
    void sceneCreateUpdateDelete()
    {
        SimHome home;
        SimEventQueue events;
        home.generate(SimHomeSize::small(), u"001788FFFEA532A7"_s);
        home.setEventQueue(&events);
        const QString zone = home.ids(u"zone"_s).first();
        const QString light = home.ids(u"light"_s).first();
        const QByteArray base =
            fill(R"({"type":"scene","metadata":{"name":"Read"},"group":{"rid":"%1","rtype":"zone"},)"
                 R"("actions":[{"target":{"rid":"%2","rtype":"light"},"action":{"on":{"on":true}}}]})",
                 {zone, light});
        events.clear();
        const SimHome::Result created = home.postScene(obj(base));
        QCOMPARE(created.status, 200);
        const QString id = created.data.at(0)[u"rid"_s].toString();
        QCOMPARE(events.take().at(0)[u"type"_s].toString(), u"add"_s);
        QCOMPARE(lightState(home, id)[u"metadata"_s][u"name"_s].toString(), u"Read"_s);
        QCOMPARE(lightState(home, id)[u"status"_s][u"active"_s].toString(), u"inactive"_s);

        QJsonObject wrongGroup = obj(base);
        wrongGroup.insert(u"group"_s, QJsonObject{{u"rid"_s, light}, {u"rtype"_s, u"light"_s}});
        QCOMPARE(home.postScene(wrongGroup).status, 400);
        QJsonObject badTarget = obj(base);
        badTarget.insert(u"actions"_s, QJsonArray{QJsonObject{
                                           {u"target"_s, QJsonObject{{u"rid"_s, u"nope"_s}, {u"rtype"_s, u"light"_s}}},
                                           {u"action"_s, QJsonObject{}}}});
        QCOMPARE(home.postScene(badTarget).status, 400);
        QJsonObject longName = obj(base);
        longName.insert(u"metadata"_s, QJsonObject{{u"name"_s, QString(33, u'x')}});
        QCOMPARE(home.postScene(longName).status, 400);

        home.setMaximumScenes(int(home.ids(u"scene"_s).size()));
        QCOMPARE(home.postScene(obj(base)).status, 507);

        QCOMPARE(home.deleteScene(id).status, 200);
        QVERIFY(!home.resource(id));
        const QJsonArray deleted = events.take();
        QCOMPARE(deleted.last()[u"type"_s].toString(), u"delete"_s);
        QCOMPARE(deleted.last()[u"data"_s][0][u"id"_s].toString(), id);
        QCOMPARE(home.deleteScene(id).status, 404);
        QCOMPARE(home.deleteScene(light).status, 404);
        QVERIFY(home.resource(light));
    }
    void eventQueueKeepsLastValueAndSplitsGroupedLights()
    {
        SimEventQueue queue;
        queue.updated(obj(R"({"id":"l1","type":"light","on":{"on":true}})"));
        queue.updated(obj(R"({"id":"g1","type":"grouped_light","on":{"on":true}})"));
        queue.updated(obj(R"({"id":"l1","type":"light","on":{"on":false},"dimming":{"brightness":5}})"));
        queue.updated(obj(R"({"id":"g1","type":"grouped_light","dimming":{"brightness":5}})"));
        queue.deleted(obj(R"({"id":"s1","type":"scene"})"));
        const QJsonArray containers = queue.take(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
        QVERIFY(queue.isEmpty());
        QCOMPARE(containers.size(), 2);
        const QJsonObject update = containers.at(0).toObject();
        QCOMPARE(update.value(u"type"_s).toString(), u"update"_s);
        QCOMPARE(update.value(u"creationtime"_s).toString(), u"2026-01-02T03:04:05Z"_s);
        QVERIFY(!update.value(u"id"_s).toString().isEmpty());
        const QJsonArray items = update.value(u"data"_s).toArray();
        // The light once with its last values; the grouped light as one item per property.
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0).toObject(),
                 obj(R"({"id":"l1","type":"light","on":{"on":false},"dimming":{"brightness":5}})"));
        const QList<QJsonObject> groupItems{items.at(1).toObject(), items.at(2).toObject()};
        QVERIFY(groupItems.contains(obj(R"({"id":"g1","type":"grouped_light","on":{"on":true}})")));
        QVERIFY(groupItems.contains(obj(R"({"id":"g1","type":"grouped_light","dimming":{"brightness":5}})")));
        QCOMPARE(containers.at(1)[u"type"_s].toString(), u"delete"_s);

        const QByteArray framed = SimEventQueue::frame("1700000000:0", containers);
        QVERIFY(framed.startsWith("id: 1700000000:0\ndata: [{"));
        QVERIFY(framed.endsWith("}]\n\n"));
        QCOMPARE(framed.count('\n'), 3);
        QVERIFY(queue.take().isEmpty());
    }
    void httpParser_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<int>("error");
        QTest::newRow("two pipelined")
            << QList<QByteArray>{"GET /a HTTP/1.1\r\nHost: x\r\n\r\nPUT /b HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}"}
            << QStringList{u"/a"_s, u"/b"_s} << int(SimHttpParser::Error::none);
        QTest::newRow("split everywhere")
            << QList<QByteArray>{"PUT /b HT", "TP/1.1\r\nContent-Le", "ngth: 4\r\n\r", "\n{}", "{}"}
            << QStringList{u"/b"_s} << int(SimHttpParser::Error::none);
        QTest::newRow("garbage") << QList<QByteArray>{"\x16\x03\x01 hello\r\n\r\n"} << QStringList{}
                                 << int(SimHttpParser::Error::badRequest);
        QTest::newRow("chunked body") << QList<QByteArray>{"POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"}
                                      << QStringList{} << int(SimHttpParser::Error::lengthRequired);
        QTest::newRow("huge body") << QList<QByteArray>{"POST /x HTTP/1.1\r\nContent-Length: 999999999\r\n\r\n"}
                                   << QStringList{} << int(SimHttpParser::Error::bodyTooLarge);
        QTest::newRow("endless head") << QList<QByteArray>{"GET / HTTP/1.1\r\nX: " + QByteArray(70 * 1024, 'a')}
                                      << QStringList{} << int(SimHttpParser::Error::headTooLarge);
    }
    void httpParser()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QStringList, targets);
        QFETCH(int, error);
        SimHttpParser parser;
        QStringList seen;
        for (const QByteArray &piece : pieces) {
            parser.feed(piece);
            while (const std::optional<SimHttpParser::Request> request = parser.next()) {
                seen.append(request->target);
                if (request->method == "PUT"_L1)
                    QCOMPARE(request->body.size(), request->target == "/b"_L1 && pieces.size() > 1 ? 4 : 2);
            }
        }
        QCOMPARE(seen, targets);
        QCOMPARE(int(parser.error()), error);
    }
    void controlCommands()
    {
        BridgeSimulator simulator;
        SimControl control(&simulator);
        QVERIFY(control.execute(u"fault 503 body=html count=2 path=^/clip"_s).value(u"ok"_s).toBool());
        QCOMPARE(simulator.faults().size(), 1);
        const SimFault fault = simulator.faults().first();
        QCOMPARE(fault.status, 503);
        QCOMPARE(fault.body, SimFault::Body::html);
        QCOMPARE(fault.remaining, 2);
        QVERIFY(fault.matches(u"GET"_s, u"/clip/v2/resource"_s));
        QVERIFY(!fault.matches(u"GET"_s, u"/api/0/config"_s));
        QVERIFY(control.execute(u"fault 500 body=empty-errors text=\"it broke\" method=put"_s)[u"ok"_s].toBool());
        QCOMPARE(simulator.faults().last().method, u"PUT"_s);
        QCOMPARE(simulator.faults().last().description, u"it broke"_s);
        QCOMPARE(simulator.faults().last().body, SimFault::Body::emptyErrors);
        QVERIFY(control.execute(u"fault 200 custom=\"{\\\"errors\\\":[]}\" type=text/plain"_s)[u"ok"_s].toBool());
        QCOMPARE(simulator.faults().last().responseBody(), R"({"errors":[]})"_ba);
        QCOMPARE(simulator.faults().last().responseContentType(), "text/plain"_ba);
        QVERIFY(control.execute(u"clear-faults"_s)[u"ok"_s].toBool());
        QVERIFY(simulator.faults().isEmpty());

        const QString light = simulator.resourceIds(u"light"_s).first();
        QVERIFY(control.execute(u"light "_s + light + u" on bri=33"_s)[u"ok"_s].toBool());
        QCOMPARE(simulator.resource(light)->value(u"dimming"_s)[u"brightness"_s].toDouble(), 33.0);
        QVERIFY(control.execute(u"patch "_s + light + uR"( {"metadata":{"name":"Desk"}})"_s)[u"ok"_s].toBool());
        QCOMPARE(simulator.resource(light)->value(u"metadata"_s)[u"name"_s].toString(), u"Desk"_s);

        const QString key = control.execute(u"add-key"_s).value(u"key"_s).toString();
        QCOMPARE(key.size(), 40);
        QVERIFY(simulator.applicationKeys().contains(key));
        QVERIFY(control.execute(u"revoke-key "_s + key)[u"ok"_s].toBool());
        QVERIFY(simulator.applicationKeys().isEmpty());
        QVERIFY(control.execute(u"press-button"_s)[u"ok"_s].toBool());
        QVERIFY(simulator.isLinkButtonPressed());

        for (const QString &bad : {u"fault 99"_s, u"fault 503 body=pdf"_s, u"fault 503 count=0"_s, u"stall path=(["_s,
                                   u"move 10.0.0.1"_s, u"light nope on"_s, QString(u"light "_s + light + u" bri=150"_s),
                                   u"patch x notjson"_s, u"frobnicate"_s, u""_s}) {
            const QJsonObject result = control.execute(bad);
            QVERIFY2(!result.value(u"ok"_s).toBool(), qPrintable(bad));
            QVERIFY(!result.value(u"error"_s).toString().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestSimHome)
#include "tst_simhome.moc"
