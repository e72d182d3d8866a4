// The simulator's pieces that need no network: certificates, the home's
// command semantics, event coalescing and framing, the HTTP parser and the
// control language.

#include "BridgeSimulator.h"
#include "SimCertificates.h"
#include "SimControl.h"
#include "SimEventQueue.h"
#include "SimHome.h"
#include "SimHttpParser.h"

#include <QJsonDocument>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
#include <memory>
#include <openssl/x509.h>

using namespace Qt::StringLiterals;

namespace {

QJsonObject obj(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

/// JSON text with %1, %2, ... replaced by the values, in order.
QJsonObject fill(const char *json, const QStringList &values)
{
    QString text = QString::fromUtf8(json);
    for (const QString &value : values)
        text = text.arg(value);
    return obj(text.toUtf8());
}

const QJsonObject recall = obj(R"({"recall":{"action":"active"}})");

} // namespace

class TestSimHome : public QObject
{
    Q_OBJECT

    SimHome home;
    SimEventQueue events;

    QJsonObject at(const QString &id) const { return home.resource(id).value_or(QJsonObject{}); }
    bool isOn(const QString &id) const { return at(id)[u"on"_s][u"on"_s].toBool(); }
    QString sceneStatus(const QString &id) const { return at(id)[u"status"_s][u"active"_s].toString(); }
    double brightness(const QString &id) const { return at(id)[u"dimming"_s][u"brightness"_s].toDouble(); }
    /// The `field` of every item that the events since the last call report.
    QSet<QString> reported(const QString &field)
    {
        QSet<QString> values;
        for (const QJsonValue &container : events.take()) {
            for (const QJsonValue &item : container[u"data"_s].toArray())
                values.insert(item[field].toString());
        }
        return values;
    }

private Q_SLOTS:
    void init()
    {
        home = SimHome();
        events.clear();
        home.generate(SimHomeSize::small(), u"001788FFFEA532A7"_s);
        home.setEventQueue(&events);
    }
    void certificateShapes()
    {
        const SimIdentity root = SimCertificates::makeRoot();
        const SimIdentity leaf = SimCertificates::makeBridgeLeaf(root, u"001788fffea532a7"_s, u"BSB003"_s);
        // Its name (the bridge id, no alternative names) is checked by every handshake of
        // tst_bridgesim_server, its model unit by tst_bridgesim_tool.
        QCOMPARE(leaf.chain, (QList<QSslCertificate>{leaf.certificate, root.certificate}));
        // As long as the bridge root itself, whatever the day the test runs.
        QCOMPARE(leaf.certificate.expiryDate(), QDateTime(QDate(2038, 1, 19), QTime(3, 14, 7), QTimeZone::utc()));

        // Bridges write GeneralizedTime even for early dates; parsers must meet it.
        const QByteArray der = leaf.certificate.toDer();
        const auto *data = reinterpret_cast<const unsigned char *>(der.constData());
        const std::unique_ptr<X509, decltype(&X509_free)> x509(d2i_X509(nullptr, &data, long(der.size())), &X509_free);
        QCOMPARE(ASN1_STRING_type(X509_get0_notBefore(x509.get())), V_ASN1_GENERALIZEDTIME);

        // The validity options are proven by HueBridgeKit's tst_trust refusing its expired
        // and not yet valid leaves; an alt name there is refused either way.
        SimCertificateOptions options;
        options.commonName = u"ABC"_s;
        options.subjectAltNames = {u"DNS:bridge.local"_s};
        QCOMPARE(SimCertificates::makeLeaf(root, options).certificate.subjectAlternativeNames().value(QSsl::DnsEntry),
                 u"bridge.local"_s);

        QVERIFY(SimCertificates::makeLeaf(SimIdentity{}, u"X"_s).isNull());
    }
    void loadAcceptsArrayAndEnvelope_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("count"); // -1: refused
        // A bare array is the recorded home that every SimulatedBridge loads; tst_client reads all of it.
        QTest::newRow("envelope") << R"({"errors":[],"data":[{"id":"a","type":"light"}]})"_ba << 1;
        QTest::newRow("bad elements dropped")
            << R"([{"id":"a","type":"light"},{"type":"x"},5,{"id":"a","type":"light"}])"_ba << 1;
        QTest::newRow("not json") << "nope"_ba << -1;
        QTest::newRow("object without data") << R"({"errors":[]})"_ba << -1;
    }
    void loadAcceptsArrayAndEnvelope()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, count);
        SimHome loaded;
        QString error;
        QCOMPARE(loaded.load(json, &error), count >= 0);
        QCOMPARE(error.isEmpty(), count >= 0);
        QCOMPARE(loaded.size(), std::max(count, 0));
    }
    void generatedHomeHasBridgeProScale()
    {
        const SimHomeSize size = SimHomeSize::bridgePro();
        home = SimHome();
        home.generate(size, u"001788FFFEA532A7"_s);
        QCOMPARE(home.ids(u"light"_s).size(), size.lights);
        QCOMPARE(home.ids(u"scene"_s).size(), size.scenes);
        // Generation is deterministic, so benchmarks compare like with like.
        SimHome again;
        again.generate(size, u"001788FFFEA532A7"_s);
        QCOMPARE(again.resources(), home.resources());
    }
    void lightCommandsAndGroupState()
    {
        const QString room = home.ids(u"room"_s).first();
        QString grouped;
        for (const QString &id : home.ids(u"grouped_light"_s)) {
            if (at(id)[u"owner"_s][u"rid"_s].toString() == room)
                grouped = id;
        }
        const QStringList lights = home.lightsOf(room);
        QVERIFY(lights.size() >= 2);
        QCOMPARE(home.lightsOf(grouped), lights);

        // One light on: the group is on and its brightness is that light's. (That the
        // lights follow their group is seen through tst_lumoractl's room and zone rows.)
        QCOMPARE(home.putGroupedLight(grouped, obj(R"({"on":{"on":false}})")).status, 200);
        const auto dimmable = std::find_if(lights.cbegin(), lights.cend(),
                                           [&](const QString &light) { return at(light).contains(u"dimming"_s); });
        QVERIFY(dimmable != lights.cend());
        events.clear();
        QCOMPARE(home.putLight(*dimmable, obj(R"({"on":{"on":true},"dimming":{"brightness":42.5}})")).status, 200);
        QVERIFY(isOn(grouped));
        QCOMPARE(brightness(grouped), 42.5);
        QVERIFY(reported(u"id"_s).contains(QSet<QString>{*dimmable, grouped}));

        // Changed from outside, the group takes its lights along, and both are reported.
        QVERIFY(home.changeFromOutside(grouped, obj(R"({"on":{"on":false}})")));
        QVERIFY(!isOn(*dimmable));
        QVERIFY(reported(u"type"_s).contains(QSet<QString>{u"light"_s, u"grouped_light"_s}));

        // A white tone clears the colour point's validity the other way round,
        // and is clamped to the light's range.
        QString colour;
        for (const QString &id : home.ids(u"light"_s)) {
            if (at(id).contains(u"color"_s) && at(id).contains(u"color_temperature"_s))
                colour = id;
        }
        QVERIFY(!colour.isEmpty());
        QCOMPARE(home.putLight(colour, obj(R"({"color_temperature":{"mirek":900}})")).status, 200);
        QCOMPARE(at(colour)[u"color_temperature"_s][u"mirek"_s].toInt(), 500);
        QCOMPARE(home.putLight(colour, obj(R"({"color":{"xy":{"x":0.3,"y":0.4}}})")).status, 200);
        QVERIFY(at(colour)[u"color_temperature"_s][u"mirek"_s].isNull());
        QCOMPARE(at(colour)[u"color"_s][u"xy"_s][u"x"_s].toDouble(), 0.3);

        QCOMPARE(home.putLight(u"missing"_s, obj(R"({"on":{"on":true}})")).status, 404);
        QCOMPARE(home.putLight(grouped, obj(R"({"on":{"on":true}})")).status, 404);
    }
    void invalidCommandsChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("on not bool") << R"({"on":{"on":"yes"}})"_ba;
        QTest::newRow("brightness over 100") << R"({"on":{"on":true},"dimming":{"brightness":101}})"_ba;
        QTest::newRow("xy out of range") << R"({"color":{"xy":{"x":1.5,"y":0.3}}})"_ba;
        QTest::newRow("xy missing y") << R"({"color":{"xy":{"x":0.3}}})"_ba;
        QTest::newRow("mirek fractional") << R"({"color_temperature":{"mirek":300.5}})"_ba;
        QTest::newRow("mirek null") << R"({"color_temperature":{"mirek":null}})"_ba;
    }
    void invalidCommandsChangeNothing()
    {
        QFETCH(QByteArray, body);
        const QJsonArray before = home.resources();
        const SimHome::Result result = home.putLight(home.ids(u"light"_s).first(), obj(body));
        QCOMPARE(result.status, 400);
        QCOMPARE(result.errors.size(), 1);
        QCOMPARE(home.resources(), before);
        QVERIFY(events.isEmpty());
    }
    // Creating, updating and deleting through the client (and deleting again: 404) are
    // tst_client's; here what a recall does, the scene states and the refusals.
    void scenes()
    {
        const QString room = home.ids(u"room"_s).first();
        const QString lightA = home.lightsOf(room).at(0);
        const QString lightB = home.lightsOf(room).at(1);
        const QJsonObject scene =
            fill(R"({"type":"scene","metadata":{"name":"Evening"},"group":{"rid":"%1","rtype":"room"},"actions":[)"
                 R"({"target":{"rid":"%2","rtype":"light"},"action":{"on":{"on":true},"dimming":{"brightness":12}}},)"
                 R"({"target":{"rid":"%3","rtype":"light"},"action":{"on":{"on":false}}}]})",
                 {room, lightA, lightB});
        const QString one = home.postScene(scene).data.at(0)[u"rid"_s].toString();
        QCOMPARE(events.take().at(0)[u"type"_s].toString(), u"add"_s);
        QCOMPARE(sceneStatus(one), u"inactive"_s);
        const QString two = home.postScene(scene).data.at(0)[u"rid"_s].toString();

        QCOMPARE(home.putScene(two, recall).status, 200);
        QCOMPARE(sceneStatus(two), u"static"_s);
        QCOMPARE(home.putScene(one, recall).status, 200);
        QCOMPARE(sceneStatus(one), u"static"_s);
        QCOMPARE(sceneStatus(two), u"inactive"_s);
        QVERIFY(isOn(lightA) && !isOn(lightB));
        QCOMPARE(brightness(lightA), 12.0);

        // A light changed by other means ends the active scene.
        QVERIFY(home.changeFromOutside(lightA, obj(R"({"dimming":{"brightness":55}})")));
        QCOMPARE(sceneStatus(one), u"inactive"_s);

        QCOMPARE(home.putScene(one, obj(R"({"recall":{"action":"sparkle"}})")).status, 400);
        QCOMPARE(home.putScene(lightA, recall).status, 404);
        // A light as the group, an unknown target, a name over 32 characters; one scene too many.
        for (const QJsonObject &bad : {fill(R"({"group":{"rid":"%1","rtype":"light"}})", {lightA}),
                                       obj(R"({"actions":[{"target":{"rid":"nope","rtype":"light"},"action":{}}]})"),
                                       QJsonObject{{u"metadata"_s, QJsonObject{{u"name"_s, QString(33, u'x')}}}}}) {
            QJsonObject body = scene;
            for (auto it = bad.begin(); it != bad.end(); ++it)
                body.insert(it.key(), it.value());
            QCOMPARE(home.postScene(body).status, 400);
        }
        home.setMaximumScenes(int(home.ids(u"scene"_s).size()));
        QCOMPARE(home.postScene(scene).status, 507);

        events.clear();
        QCOMPARE(home.deleteScene(one).status, 200);
        const QJsonArray deleted = events.take();
        QCOMPARE(deleted.at(0)[u"type"_s].toString(), u"delete"_s);
        QCOMPARE(deleted.at(0)[u"data"_s][0][u"id"_s].toString(), one);
        QCOMPARE(home.deleteScene(lightA).status, 404);
        QVERIFY(home.resource(lightA));
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
        QCOMPARE(containers.at(0)[u"type"_s].toString(), u"update"_s);
        QCOMPARE(containers.at(0)[u"creationtime"_s].toString(), u"2026-01-02T03:04:05Z"_s);
        QVERIFY(!containers.at(0)[u"id"_s].toString().isEmpty());
        const QJsonArray items = containers.at(0)[u"data"_s].toArray();
        // The light once with its last values; the grouped light as one item per property.
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0).toObject(),
                 obj(R"({"id":"l1","type":"light","on":{"on":false},"dimming":{"brightness":5}})"));
        const QList<QJsonObject> groupItems{items.at(1).toObject(), items.at(2).toObject()};
        QVERIFY(groupItems.contains(obj(R"({"id":"g1","type":"grouped_light","on":{"on":true}})")));
        QVERIFY(groupItems.contains(obj(R"({"id":"g1","type":"grouped_light","dimming":{"brightness":5}})")));
        QCOMPARE(containers.at(1)[u"type"_s].toString(), u"delete"_s);
    }
    // Garbage and a huge body are tst_bridgesim_server's malformedRequestsAreRejected (400, 413),
    // pipelined requests its overloadAnswers.
    void httpParser_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<int>("error");
        QTest::newRow("split everywhere")
            << QList<QByteArray>{"PUT /b HT", "TP/1.1\r\nContent-Le", "ngth: 4\r\n\r", "\n{}", "{}"}
            << QStringList{u"/b"_s} << int(SimHttpParser::Error::none);
        QTest::newRow("chunked body") << QList<QByteArray>{"POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"}
                                      << QStringList{} << int(SimHttpParser::Error::lengthRequired);
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
                    QCOMPARE(request->body, "{}{}"_ba);
            }
        }
        QCOMPARE(seen, targets);
        QCOMPARE(int(parser.error()), error);
    }
    void controlCommands()
    {
        BridgeSimulator simulator;
        SimControl control(&simulator);
        const auto ok = [&](const QString &command) { return control.execute(command)[u"ok"_s].toBool(); };
        // Status and count are seen at work through tst_bridgesim_tool's "fault 503 ... count=1".
        QVERIFY(ok(u"fault 503 body=html count=2 path=^/clip"_s));
        const SimFault fault = simulator.faults().value(0);
        QCOMPARE(fault.body, SimFault::Body::html);
        QVERIFY(fault.matches(u"GET"_s, u"/clip/v2/resource"_s) && !fault.matches(u"GET"_s, u"/api/0/config"_s));
        QVERIFY(ok(u"fault 500 body=empty-errors text=\"it broke\" method=put"_s));
        QCOMPARE(simulator.faults().last().method, u"PUT"_s);
        QCOMPARE(simulator.faults().last().description, u"it broke"_s);
        QCOMPARE(simulator.faults().last().body, SimFault::Body::emptyErrors);
        QVERIFY(ok(u"fault 200 custom=\"{\\\"errors\\\":[]}\" type=text/plain"_s));
        QCOMPARE(simulator.faults().last().responseBody(), R"({"errors":[]})"_ba);
        QCOMPARE(simulator.faults().last().responseContentType(), "text/plain"_ba);
        QVERIFY(ok(u"clear-faults"_s));
        QVERIFY(simulator.faults().isEmpty());

        const QString light = simulator.resourceIds(u"light"_s).first();
        QVERIFY(ok(u"light "_s + light + u" on bri=33"_s));
        QCOMPARE(simulator.resource(light)->value(u"dimming"_s)[u"brightness"_s].toDouble(), 33.0);

        const QString key = control.execute(u"add-key"_s).value(u"key"_s).toString();
        QCOMPARE(key.size(), 40);
        QVERIFY(simulator.applicationKeys().contains(key));
        QVERIFY(ok(u"revoke-key "_s + key));
        QVERIFY(simulator.applicationKeys().isEmpty());
        QVERIFY(ok(u"press-button"_s));
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
