// The bridge client against the bridge simulator over real TLS on loopback:
// every operation, the status and error mapping, header rules, the trust
// decision in the handshake, cancellation and bad answers.
#include "ClientTestSupport.h"
#include "HueBridgeClient.h"
#include "HueCancellationToken.h"
#include "HueText.h"
#include "LossyArray.h"
#include "SimCertificates.h"
#include "SimHttp.h"
#include "SimulatedBridge.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace ClientTestSupport;
using namespace std::chrono_literals;

class TestClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // Qt complains when a reply reports its failure twice (an abort racing its
        // own error report); the client must not provoke that.
        QTest::failOnWarning(QRegularExpression(u"must only be called once"_s));
        auto bridge = std::make_unique<SimulatedBridge>();
        QVERIFY2(bridge->error.isEmpty(), qPrintable(bridge->error));
        m_key = bridge->key;
        m_sim = std::move(bridge);
    }
    void cleanup() { m_sim.reset(); }

    void pairing()
    {
        const HueBridgeClient unpaired(u"127.0.0.1"_s, std::nullopt, sessionFor(*m_sim, std::nullopt));
        // The configuration is readable without a key.
        const auto config = run(unpaired.config());
        QCOMPARE(config.value, std::optional(HueBridgeConfig{m_sim->name(), m_sim->bridgeId()}));
        QCOMPARE(run(unpaired.pair(u"Lumora#test"_s)).error, u"linkButtonNotPressed"_s);
        m_sim->pressLinkButton();
        const auto paired = run(unpaired.pair(u"Lumora#test"_s));
        QCOMPARE(paired.error, QString());
        QVERIFY(m_sim->applicationKeys().contains(paired.value.value()));
        // Config and both pairing attempts go without a key; the wire form of
        // pairing is the operations table's.
        for (const SimRequest &request : m_sim->requestLog().first(3))
            QVERIFY(!request.hasHeader("hue-application-key"));
    }
    // How each operation reads an answer that comes with a success status.
    void answers_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("result"); // "ok:<key, resource count or scene id>" or the error

        const auto row = [](const char *name, const QString &operation, const QByteArray &answer,
                            const QString &result) { QTest::newRow(name) << operation << answer << result; };
        const QString pair = u"pair"_s;
        const QString resources = u"resources"_s;
        const QString createScene = u"createScene"_s;
        const QString invalid = u"invalidResponse"_s;
        // Once the first entry carries a key, the bridge has made it: nothing after it may lose it.
        row("key", pair, R"([{"success":{"username":"abc"}},{"error":{"type":101,"description":"x"}},42,{"error":{}}])",
            u"ok:abc"_s);
        row("101 with extra keys", pair,
            R"([{"error":{"type":101,"address":"","description":"link button not pressed"}}])",
            u"linkButtonNotPressed"_s);
        row("other type", pair, R"([{"error":{"type":7,"description":"invalid value"}}])", u"api:invalid value"_s);
        row("error without description", pair, R"([{"error":{"type":101}}])", invalid);
        row("success without username", pair, R"([{"success":{}}])", invalid);
        row("empty entry", pair, R"([{}])",
            HueText::usesGerman() ? u"api:unbekannter Fehler"_s : u"api:unknown error"_s);
        row("empty list", pair, "[]", invalid);
        row("object", pair, R"({"success":{"username":"abc"}})", invalid);
        row("not json", pair, "<html><body>busy</body></html>", invalid);
        row("one valid, one without id", resources,
            R"({"errors":[],"data":[{"id":"l1","type":"light"},{"type":"light"}]})", u"ok:1"_s);
        row("errors beside data are ignored", resources,
            R"({"errors":[{"description":"partial"}],"data":[{"id":"l1","type":"light"}]})", u"ok:1"_s);
        row("no errors key", resources, R"({"data":[]})", u"ok:0"_s);
        row("no data", resources, R"({"errors":[]})", invalid);
        row("data not a list", resources, R"({"data":{}})", invalid);
        row("malformed errors", resources, R"({"errors":[{"text":"x"}],"data":[]})", invalid);
        row("bare array", resources, R"([{"id":"l1","type":"light"}])", invalid);
        row("scene reference", createScene, R"({"errors":[],"data":[{"rid":"new-1","rtype":"scene"}]})", u"ok:new-1"_s);
        row("empty data", createScene, R"({"errors":[],"data":[]})", invalid);
        row("data without rid", createScene, R"({"data":[{"rtype":"scene"}]})", invalid);
        row("no scene data", createScene, R"({"errors":[]})", invalid);
    }
    void answers()
    {
        QFETCH(QString, operation);
        QFETCH(QByteArray, answer);
        QFETCH(QString, result);
        m_sim->addFault(SimFault::custom(200, answer));
        const HueBridgeClient c = client(m_key);
        QString outcome;
        if (operation == "pair"_L1) {
            const auto paired = run(c.pair(u"Lumora#test"_s));
            outcome = paired.value ? u"ok:"_s + *paired.value : paired.error;
        } else if (operation == "resources"_L1) {
            const auto listed = run(c.resources());
            outcome = listed.value ? u"ok:"_s + QString::number(listed.value->size()) : listed.error;
        } else {
            const auto created = run(c.createScene(u"N"_s, HueResourceRef{u"r"_s, u"room"_s}, {}));
            outcome = created.value ? u"ok:"_s + *created.value : created.error;
        }
        QCOMPARE(outcome, result);
    }
    // Every operation of a paired client: what goes on the wire and that the bridge takes it.
    void operations()
    {
        const HueBridgeClient c = client();
        const QString light = m_sim->resourceIds(u"light"_s).first();
        const QString grouped = m_sim->resourceIds(u"grouped_light"_s).first();
        const QString scene = m_sim->resourceIds(u"scene"_s).first();
        const QString room = m_sim->resourceIds(u"room"_s).first();
        // A cookie the bridge sets never comes back.
        m_sim->addFault(SimFault::raw("HTTP/1.1 200 OK\r\nSet-Cookie: session=abc; Path=/\r\n"
                                      "Content-Type: application/json\r\nContent-Length: 45\r\n\r\n"
                                      R"({"name":"Hue Bridge","bridgeid":"0011223344"})")
                            .onPath(u"^/api/0/config$"_s)
                            .times(1));
        const HueLightCommand command{{}, 10, {}, {}};
        QCOMPARE(run(c.config()).error, QString());
        QCOMPARE(run(c.pair(u"Lumora#host"_s)).error, u"linkButtonNotPressed"_s);
        QCOMPARE(run(c.resources()).value,
                 std::optional(LossyArray<HueResource>::fromJson(m_sim->resources())->elements));
        QCOMPARE(run(c.sendToLight(command, light)).error, QString());
        QCOMPARE(run(c.sendToGroupedLight(command, grouped)).error, QString());
        QCOMPARE(run(c.recallScene(scene)).error, QString());
        const auto created = run(c.createScene(u"N"_s, HueResourceRef{room, u"room"_s}, {{light, command}}));
        const QString made = created.value.value();
        QCOMPARE(run(c.updateScene(made, {})).error, QString());
        QCOMPARE(run(c.deleteScene(made)).error, QString());
        QVERIFY(!m_sim->resourceIds(u"scene"_s).contains(made));
        // Deleting it again: the bridge's 404 with its description.
        QCOMPARE(run(c.deleteScene(made)).error.left(4), u"api:"_s);
        // A body that cannot be written fails before anything is sent.
        QCOMPARE(run(c.sendToLight(HueLightCommand{{}, std::nan(""), {}, {}}, light)).error, u"serialization"_s);

        struct Expected
        {
            QString method;
            QString target;
            QByteArray body;
            bool json;
        };
        const QString scenes = u"/clip/v2/resource/scene/"_s;
        const QList<Expected> expected{
            {u"GET"_s, u"/api/0/config"_s, {}, false},
            {u"POST"_s, u"/api"_s, "{\"devicetype\":\"Lumora#host\"}"_ba, false},
            {u"GET"_s, u"/clip/v2/resource"_s, {}, false},
            {u"PUT"_s, u"/clip/v2/resource/light/"_s + light, R"({"dimming":{"brightness":10}})"_ba, true},
            {u"PUT"_s, u"/clip/v2/resource/grouped_light/"_s + grouped, R"({"dimming":{"brightness":10}})"_ba, true},
            {u"PUT"_s, scenes + scene, R"({"recall":{"action":"active"}})"_ba, true},
            {u"POST"_s, u"/clip/v2/resource/scene"_s,
             QString(
                 uR"({"type":"scene","metadata":{"name":"N"},"group":{"rid":"%1","rtype":"room"},)"
                 uR"("actions":[{"target":{"rid":"%2","rtype":"light"},"action":{"dimming":{"brightness":10}}}]})"_s)
                 .arg(room, light)
                 .toUtf8(),
             true},
            {u"PUT"_s, scenes + made, R"({"actions":[]})"_ba, true},
            {u"DELETE"_s, scenes + made, {}, false},
            {u"DELETE"_s, scenes + made, {}, false},
        };
        const auto compactJson = [](const QByteArray &json) {
            return QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact);
        };
        const QList<SimRequest> log = m_sim->requestLog();
        QCOMPARE(log.size(), expected.size());
        for (qsizetype i = 0; i < log.size(); ++i) {
            const SimRequest &request = log.at(i);
            QCOMPARE(request.method, expected.at(i).method);
            QCOMPARE(request.target, expected.at(i).target);
            // Key order inside a body is not significant; compactness is.
            QCOMPARE(compactJson(request.body), compactJson(expected.at(i).body));
            QCOMPARE(request.body.size(), compactJson(request.body).size());
            // The key goes with every request of a paired client, pairing included.
            QCOMPARE(request.header("hue-application-key"), m_key.toUtf8());
            QCOMPARE(request.hasHeader("content-type"), expected.at(i).json);
            if (expected.at(i).json)
                QCOMPARE(request.header("content-type"), "application/json"_ba);
            QVERIFY(!request.hasHeader("cookie") && !request.hasHeader("authorization"));
        }
    }
    void statusMapping_data()
    {
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<QString>("result");

        using Body = SimFault::Body;
        QTest::newRow("401") << SimFault::respond(401, Body::jsonErrors, u"unauthorized user"_s) << u"unauthorized"_s;
        QTest::newRow("403 with description")
            << SimFault::respond(403, Body::jsonErrors, u"forbidden"_s) << u"unauthorized"_s;
        QTest::newRow("429 html") << SimFault::html(429) << u"http:429"_s;
        QTest::newRow("500 empty") << SimFault::respond(500, Body::empty) << u"http:500"_s;
        QTest::newRow("500 empty errors") << SimFault::respond(500, Body::emptyErrors) << u"http:500"_s;
        QTest::newRow("first description wins")
            << SimFault::custom(400, R"({"errors":[{"description":"a"},{"description":"b"}]})") << u"api:a"_s;
        QTest::newRow("error without description")
            << SimFault::custom(400, R"({"errors":[{"type":7}]})") << u"http:400"_s;
        QTest::newRow("redirect is not followed") << SimFault::raw(
            "HTTP/1.1 302 Found\r\nLocation: https://127.0.0.1:1/elsewhere\r\nContent-Length: 0\r\n\r\n")
                                                  << u"http:302"_s;
        QTest::newRow("299 is success") << SimFault::custom(299, R"({"errors":[],"data":[]})") << u"ok"_s;
    }
    void statusMapping()
    {
        QFETCH(SimFault, fault);
        QFETCH(QString, result);
        m_sim->addFault(fault);
        const auto outcome = run(client().sendToLight({true, {}, {}, {}}, m_sim->resourceIds(u"light"_s).first()));
        QCOMPARE(outcome.value ? u"ok"_s : outcome.error, result);
        // No operation retries.
        QCOMPARE(m_sim->requestLog().size(), 1);
    }
    void transportFailures_data()
    {
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<QString>("result");
        // Short only where the timeout is the point; elsewhere room for a slow handshake.
        QTest::addColumn<int>("timeoutMs");

        QTest::newRow("stall") << SimFault::stall() << u"transport:TimeoutError"_s << 1500;
        QTest::newRow("closed without answer")
            << SimFault::closeConnection() << u"transport:RemoteHostClosedError"_s << 30000;
    }
    void transportFailures()
    {
        QFETCH(SimFault, fault);
        QFETCH(QString, result);
        QFETCH(int, timeoutMs);
        m_sim->addFault(fault);
        HueBridgeSession::Options options;
        options.requestTimeout = std::chrono::milliseconds(timeoutMs);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(run(client(m_key, options).resources()).error, result);
        QVERIFY(clock.elapsed() < timeoutMs + 30000);

        // A bridge that is gone refuses the connection.
        m_sim->clearFaults();
        m_sim->goDown();
        QCOMPARE(run(client(m_key, options).config()).error, u"transport:ConnectionRefusedError"_s);
    }
    // The ways HTTP/1.1 frames an answer, and framings that cannot be read.
    void answerFraming_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("result"); // of config()

        const QByteArray config = R"({"name":"Hue Bridge","bridgeid":"0011223344"})";
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        const QString invalid = u"invalidResponse"_s;
        QTest::newRow("chunks with extensions and a trailer")
            << ok + "Transfer-Encoding: chunked\r\n\r\n10;name=value\r\n" + config.left(16) + "\r\n1D\r\n"
                   + config.mid(16) + "\r\n0\r\nX-Trailer: 1\r\n\r\n"
            << u"ok"_s;
        QTest::newRow("interim answer, bare line feeds, a folded field")
            << "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\nX-Folded: a\n  b\nContent-Length: 45\n\n" + config
            << u"ok"_s;
        QTest::newRow("body until the connection closes") << ok + "Connection: close\r\n\r\n" + config << u"ok"_s;
        QTest::newRow("two different lengths")
            << ok + "Content-Length: 45\r\nContent-Length: 46\r\n\r\n" + config << invalid;
        QTest::newRow("no status code") << "HTTP/1.1 2x0 OK\r\nContent-Length: 45\r\n\r\n" + config << invalid;
        QTest::newRow("chunk size not a number") << ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n" << invalid;
        QTest::newRow("endless chunk size line")
            << ok + "Transfer-Encoding: chunked\r\n\r\n" + QByteArray(4096, '1') << invalid;
        QTest::newRow("endless trailer") << ok + "Transfer-Encoding: chunked\r\n\r\n0\r\n"
                                                + QByteArray("X-T: 1\r\n").repeated(100)
                                         << invalid;
        QTest::newRow("body cut short") << ok + "Content-Length: 45\r\n\r\n" + config.left(10)
                                        << u"transport:RemoteHostClosedError"_s;
    }
    void answerFraming()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, result);
        m_sim->addFault(SimFault::raw(answer).onPath(u"^/api/0/config$"_s).times(1));
        const auto config = run(client().config());
        QCOMPARE(config.value ? u"ok"_s : config.error, result);
        if (config.value)
            QCOMPARE(config.value->bridgeID, u"0011223344"_s);
    }
    // Requests share kept connections; one the bridge has closed meanwhile is
    // replaced without the caller noticing. A value that would end a header
    // line never reaches the wire.
    void keptConnections()
    {
        const HueBridgeClient c = client();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(run(c.config()).error, QString());
        QCOMPARE(m_sim->connectionCount(), 1);
        m_sim->closeConnections();
        QCOMPARE(run(c.config()).error, QString());
        QCOMPARE(m_sim->connectionCount(), 2);

        const HueBridgeClient injecting = client(m_key + u"\r\nX-Injected: 1"_s);
        QCOMPARE(run(injecting.config()).error, u"transport:ProtocolInvalidOperationError"_s);
        QCOMPARE(m_sim->requestLog().size(), 4);
    }
    // Peers that send too much, or too slowly: each transfer ends with a clear
    // error, the process's memory stays near its steady state (the figures
    // are in bench_client), and the next request goes through.
    void hostilePeers_data()
    {
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<QString>("result"); // of config(), or "stream:" and the stream's first outcome
        QTest::addColumn<int>("bound");      // peak memory above steady state, in MiB

        constexpr qint64 mebibyte = 1024 * 1024;
        const QString timeout = u"transport:TimeoutError"_s;
        const QString stream = u"^/eventstream"_s;
        QTest::newRow("60 MiB answer") << SimFault::hugeAnswer(60 * mebibyte) << u"invalidResponse"_s << 64;
        // Dropped as soon as its head announces it. The body comes slowly, so
        // the drop is not raced by the bridge closing the connection (Qt
        // 6.4 would then report the end twice, with a warning).
        QTest::newRow("9 MiB announced") << SimFault::dribble("HTTP/1.1 200 OK\r\nContent-Length: 9437184\r\n\r\n{}",
                                                              1000)
                                         << u"invalidResponse"_s << 64;
        QTest::newRow("endless head") << SimFault::endlessHeader() << u"invalidResponse"_s << 64;
        // One byte every quarter second never lets the idle timeout fire.
        QTest::newRow("dribbled answer") << SimFault::dribble(
            SimHttp::response(200, "application/json", QByteArray(64, ' ') + "{}", false), 250)
                                         << timeout << 64;
        QTest::newRow("stream with endless head")
            << SimFault::endlessHeader().onPath(stream) << u"stream:invalidResponse"_s << 64;
        // The line is skipped, and the stream ends when the bridge closes it.
        QTest::newRow("stream with a 64 MiB line")
            << SimFault::flood(SimHttp::streamHead(200, "text/event-stream", false) + "data: [", 64 * mebibyte)
                   .onPath(stream)
            << u"stream:end"_s << 64;
    }
    void hostilePeers()
    {
        QFETCH(SimFault, fault);
        QFETCH(QString, result);
        QFETCH(int, bound);
        QTest::failOnWarning(QRegularExpression(u"larger than"_s)); // no log line unless asked for
        m_sim->addFault(fault.times(1));
        HueBridgeSession::Options options;
        options.requestTimeout = 1s;
        options.requestDeadline = 3s;
        const HueBridgeClient c = client(m_key, options);
        const qint64 steady = startPeakMeasurement();
        QString outcome;
        if (result.startsWith(u"stream:"_s)) {
            HueEventStream stream = c.events();
            const auto next = run(stream.next());
            outcome = u"stream:"_s + (!next.error.isEmpty() ? next.error : *next.value ? u"batch"_s : u"end"_s);
        } else {
            const auto config = run(c.config());
            outcome = config.value ? u"ok"_s : config.error;
        }
        const qint64 growth = processMemory("VmHWM") - steady;
        QCOMPARE(outcome, result);
        if (memoryIsMeasurable)
            QVERIFY2(growth < qint64(bound) * 1024 * 1024,
                     qPrintable(u"peak %1 MiB above steady state"_s.arg(growth >> 20)));
        QCOMPARE(run(c.config()).error, QString());
    }
    void cancellationAbortsTheRequest()
    {
        m_sim->addFault(SimFault::stall().onPath(u"^/clip/v2/resource$"_s));
        HueCancellationToken token;
        // Cancelled once the bridge holds the request, however long getting there took.
        connect(m_sim.get(), &BridgeSimulator::requestReceived, this, [token] { token.cancel(); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(run(client().resources(token)).error, u"cancelled"_s);
        QVERIFY(clock.elapsed() < 6000); // well before the 8-second timeout
        // A cancelled token stops the next operation before it sends anything.
        QCOMPARE(run(client().config(token)).error, u"cancelled"_s);
        QCOMPARE(m_sim->requestLog().size(), 1);
        // Other requests on the same client are not affected.
        QCOMPARE(run(client().config()).error, QString());
    }
    void concurrentRequests()
    {
        const HueBridgeClient c = client();
        std::vector<QCoro::Task<Outcome<HueBridgeConfig>>> tasks;
        for (int i = 0; i < 8; ++i)
            tasks.push_back(capture(c.config()));
        for (auto &task : tasks) {
            const auto outcome = QCoro::waitFor(task);
            QCOMPARE(outcome.error, QString());
            QCOMPARE(outcome.value->bridgeID, m_sim->bridgeId());
        }
        QCOMPARE(m_sim->requestLog().size(), 8);
    }
    void hostWithoutURLSendsNothing()
    {
        const HueBridgeClient broken(u"127.0.0.1/evil"_s, m_key, sessionFor(*m_sim, m_sim->bridgeId()));
        QCOMPARE(run(broken.config()).error, u"invalidResponse"_s);
        QCOMPARE(run(broken.sendToLight(HueLightCommand{}, u"l"_s)).error, u"invalidResponse"_s);
        QCOMPARE(m_sim->connectionCount(), 0);
    }
    // Which chains and ids the trust decision accepts is tst_trust's table; here
    // it refuses in the handshake, before a byte of the request (and its key)
    // is sent. A trusted handshake is what every other case here makes.
    void refusedTrust_data()
    {
        QTest::addColumn<SimIdentity>("presented");
        QTest::addColumn<std::optional<QString>>("expected");

        QTest::newRow("chain to another root, no id yet")
            << SimCertificates::makeBridgeLeaf(SimCertificates::makeRoot(), u"C42996FFFEC4E2D8"_s)
            << std::optional<QString>();
        // A leaf of the anchor that names another bridge but carries, in
        // subjectAltName, every name Qt's own check might compare (the
        // address, the bridge id, the name Qt was once told to verify): Qt's
        // check passes it, and only the bridge id may decide.
        SimCertificateOptions forged;
        forged.commonName = u"001788FFFE0A0B0C"_s;
        forged.subjectAltNames = {u"IP:127.0.0.1"_s, u"DNS:C42996FFFEC4E2D8"_s, u"DNS:bridge.lumora.invalid"_s};
        QTest::newRow("other bridge, every name in alt names")
            << SimCertificates::makeLeaf(m_root, forged) << std::optional(u"C42996FFFEC4E2D8"_s);
    }
    void refusedTrust()
    {
        QFETCH(SimIdentity, presented);
        QFETCH(std::optional<QString>, expected);
        QVERIFY(!presented.isNull());

        m_sim = std::make_unique<BridgeSimulator>();
        m_sim->setServerIdentity(presented);
        QVERIFY(m_sim->start(QHostAddress::LocalHost, 0));
        m_key = m_sim->addApplicationKey();

        HueBridgeSession::Options options;
        options.trustAnchor = m_root.certificate;
        const HueBridgeClient c(u"127.0.0.1"_s, m_key, sessionFor(*m_sim, expected, options));
        QCOMPARE(run(c.resources()).error, u"transport:SslHandshakeFailedError"_s);
        QVERIFY(m_sim->connectionCount() >= 1);
        QCOMPARE(m_sim->receivedBytes(), 0);
    }

private:
    HueBridgeClient client(std::optional<QString> key, HueBridgeSession::Options options = {}) const
    {
        return HueBridgeClient(u"127.0.0.1"_s, std::move(key),
                               sessionFor(*m_sim, m_sim->bridgeId(), std::move(options)));
    }
    HueBridgeClient client() const { return client(m_key); }

    std::unique_ptr<BridgeSimulator> m_sim; // a SimulatedBridge but in trust()
    QString m_key;
    SimIdentity m_root = SimCertificates::makeRoot();
};

QTEST_GUILESS_MAIN(TestClient)
#include "tst_client.moc"
