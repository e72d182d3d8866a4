// The simulator over real TLS on loopback, seen through a raw HTTPS client so
// that framing, status lines and connection handling are checked byte for byte.

#include "BridgeFixture.h"
#include "BridgeSimulator.h"
#include "SimControl.h"
#include "SimTestClient.h"
#include "SimulatedBridge.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <openssl/crypto.h>

using namespace Qt::StringLiterals;
using namespace SimTest;
using namespace BridgeFixture;

namespace {

QJsonObject obj(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class TestBridgeSimulator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        sim = std::make_unique<SimulatedBridge>();
        QVERIFY2(sim->error.isEmpty(), qPrintable(sim->error));
        key = sim->key;
    }
    // The leaf's shape is the certificate tests' concern; every handshake here
    // already checks its name against the bridge id. The whole listing, a new
    // key at work, commands and presented identities are read through the
    // client in HueBridgeKit's tst_client.
    void configResourcesAndKeys()
    {
        // All on one keep-alive connection; the refusals are in routes().
        TlsClient client(*sim);
        Response answer = client.request(u"GET"_s, u"/api/0/config"_s);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.json()[u"bridgeid"_s].toString(), u"001788FFFEA532A7"_s);
        QCOMPARE(answer.json()[u"modelid"_s].toString(), u"BSB002"_s);
        QCOMPARE(answer.json()[u"mac"_s].toString(), u"00:17:88:a5:32:a7"_s);
        QCOMPARE(answer.json()[u"name"_s].toString(), u"Hue Bridge"_s);

        const QString bridge = sim->resourceIds(u"bridge"_s).first();
        QCOMPARE(sim->resource(bridge)->value(u"bridge_id"_s).toString(), u"001788fffea532a7"_s);

        answer = client.request(u"GET"_s, u"/clip/v2/resource/light/"_s + colorLight1, {}, key);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.json()[u"data"_s].toArray(), QJsonArray{*sim->resource(colorLight1)});

        QVERIFY(sim->addResource(QJsonObject{{u"id"_s, u"odd id/ä"_s}, {u"type"_s, u"light"_s}}));
        answer = client.request(u"GET"_s, u"/clip/v2/resource/light/odd%20id%2F%C3%A4"_s, {}, key);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.json()[u"data"_s][0][u"id"_s].toString(), u"odd id/ä"_s);

        const QList<SimRequest> log = sim->requestLog();
        QCOMPARE(log.size(), 3);
        QCOMPARE(log.at(0).path(), u"/api/0/config"_s);
        QVERIFY(!log.at(0).hasHeader("hue-application-key"));
        QCOMPARE(log.at(1).header("hue-application-key"), key.toLatin1());
        QCOMPARE(log.at(1).status, 200);
        QCOMPARE(log.at(0).connection, log.at(2).connection);
        QVERIFY(!log.at(1).describe().contains(key));
    }
    void pairingFollowsTheLinkButton()
    {
        sim->setLinkButtonWindow(3000); // long enough for two requests on a loaded machine
        TlsClient client(*sim);
        const QByteArray body = R"({"devicetype":"lumora#test"})";
        const auto errorType = [&](const QByteArray &sent) {
            return client.request(u"POST"_s, u"/api"_s, sent).json()[0][u"error"_s][u"type"_s].toInt();
        };
        Response answer = client.request(u"POST"_s, u"/api"_s, body);
        QCOMPARE(answer.status, 200);
        QCOMPARE(
            answer.json().array(),
            QJsonDocument::fromJson(R"([{"error":{"type":101,"address":"","description":"link button not pressed"}}])")
                .array());

        QSignalSpy released(sim.get(), &BridgeSimulator::linkButtonChanged);
        sim->pressLinkButton();
        const Response paired = client.request(u"POST"_s, u"/api"_s, body);
        QVERIFY(sim->applicationKeys().contains(paired.json()[0][u"success"_s][u"username"_s].toString()));

        // The press ends by itself.
        QVERIFY(QTest::qWaitFor([&] { return !sim->isLinkButtonPressed(); }, 15000));
        QCOMPARE(errorType(body), 101);
        QVERIFY(QTest::qWaitFor([&] { return released.size() >= 2; }, 5000));

        sim->pressLinkButton();
        QCOMPARE(errorType("{broken"), 2);
        QCOMPARE(errorType(R"({"name":"x"})"), 5);
    }
    // Where each request goes and what it answers; a refused one changes nothing.
    void routes_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("key"); // "good", "none" or the key sent
        QTest::addColumn<int>("status");
        const QString resource = u"/clip/v2/resource/"_s;
        const QString good = u"good"_s;
        QTest::newRow("no key") << u"GET"_s << resource << QByteArray() << u"none"_s << 401;
        QTest::newRow("unknown key") << u"GET"_s << resource << QByteArray() << u"not-a-key"_s << 403;
        QTest::newRow("light off") << u"PUT"_s << resource + u"light/"_s + colorLight1 << R"({"on":{"on":false}})"_ba
                                   << good << 200;
        QTest::newRow("bad JSON") << u"PUT"_s << resource + u"light/"_s + colorLight1 << "{nope"_ba << good << 400;
        QTest::newRow("light as scene") << u"GET"_s << resource + u"scene/"_s + colorLight1 << QByteArray() << good
                                        << 404;
        QTest::newRow("unknown path") << u"GET"_s << u"/nothing"_s << QByteArray() << good << 404;
        QTest::newRow("too deep") << u"GET"_s << resource + u"a/b/c"_s << QByteArray() << good << 404;
        QTest::newRow("read-only type") << u"PUT"_s << resource + u"motion/x"_s << "{}"_ba << good << 405;
    }
    void routes()
    {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QString, key);
        QFETCH(int, status);
        TlsClient client(*sim);
        const QJsonArray before = sim->resources();
        const Response answer = client.request(method, path, body,
                                               key == "good"_L1   ? sim->key
                                               : key == "none"_L1 ? QString()
                                                                  : key);
        QCOMPARE(answer.status, status);
        QVERIFY(answer.hasHeader("content-type: application/json"));
        QCOMPARE(answer.json()[u"errors"_s].toArray().size(), status == 200 ? 0 : 1);
        QCOMPARE(sim->resources() != before, status == 200);
        if (status == 200)
            QCOMPARE(answer.json()[u"data"_s][0][u"rid"_s].toString(), path.section(u'/', -1));
        QCOMPARE(sim->requestLog().last().body, body);
    }
    void eventStream_data()
    {
        QTest::addColumn<bool>("chunked");
        QTest::newRow("chunked") << true;
        QTest::newRow("close-delimited") << false;
    }
    void eventStream()
    {
        QFETCH(bool, chunked);
        sim->setStreamFraming(chunked ? BridgeSimulator::StreamFraming::chunked
                                      : BridgeSimulator::StreamFraming::closeDelimited);
        sim->setEventInterval(150);
        TlsClient client(*sim);
        client.send(u"GET"_s, u"/eventstream/clip/v2"_s, {}, key, "Accept: text/event-stream\r\n");
        // The stream is read as it came, chunk framing included: Qt's own
        // reading of both framings is the event stream client's tests' part.
        QVERIFY(QTest::qWaitFor([&] { return client.buffer.contains(": hi\n\n"); }, 5000));
        QVERIFY(client.buffer.startsWith("HTTP/1.1 200 OK\r\n"));
        QVERIFY(client.buffer.toLower().contains("content-type: text/event-stream"));
        QCOMPARE(client.buffer.toLower().contains("transfer-encoding: chunked"), chunked);
        QCOMPARE(sim->eventStreamCount(), 1);

        // Two changes inside one interval arrive as one message, last value winning.
        QVERIFY(sim->changeFromOutside(colorLight1, obj(R"({"dimming":{"brightness":11}})")));
        QVERIFY(sim->changeFromOutside(colorLight1, obj(R"({"dimming":{"brightness":22}})")));
        QVERIFY(QTest::qWaitFor([&] { return client.buffer.count("\n\n") >= 2; }, 5000));
        const QByteArray stream = client.buffer;
        // After the head: the greeting, then the message; each a chunk of its own when chunked.
        const QString size = chunked ? u"[0-9a-f]+\r\n"_s : QString();
        const QString end = chunked ? u"\r\n"_s : QString();
        QVERIFY(QRegularExpression(u"\r\n\r\n"_s + size + u": hi\n\n"_s + end + size + u"id: \\d{10}:\\d+\ndata: \\["_s)
                    .match(QString::fromLatin1(stream))
                    .hasMatch());
        QCOMPARE(stream.count("data: "), 1);
        QVERIFY(stream.contains(R"("type":"update")"));
        QVERIFY(stream.contains(R"("brightness":22)") && !stream.contains(R"("brightness":11)"));
    }
    void revokingAKeyEndsItsStream()
    {
        const QString other = sim->addApplicationKey(u"other-key"_s);
        TlsClient mine(*sim);
        TlsClient theirs(*sim);
        mine.send(u"GET"_s, u"/eventstream/clip/v2"_s, {}, key);
        theirs.send(u"GET"_s, u"/eventstream/clip/v2"_s, {}, other);
        QVERIFY(QTest::qWaitFor([&] { return sim->eventStreamCount() == 2; }, 5000));
        sim->revokeApplicationKey(key);
        QVERIFY(mine.waitClosed());
        QCOMPARE(theirs.socket.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(sim->eventStreamCount(), 1);
    }
    void faults_data()
    {
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("bodyStart");
        QTest::newRow("503 html") << SimFault::html(503) << 503 << "<!DOCTYPE html>"_ba;
        QTest::newRow("500 empty") << SimFault::respond(500, SimFault::Body::empty) << 500 << QByteArray();
        QTest::newRow("500 empty errors")
            << SimFault::respond(500, SimFault::Body::emptyErrors) << 500 << R"({"errors":[],"data":[]})"_ba;
        QTest::newRow("429 json") << SimFault::respond(429, SimFault::Body::jsonErrors, u"slow down"_s) << 429
                                  << R"({"data":[],"errors":[{"description":"slow down"}]})"_ba;
        QTest::newRow("200 without data") << SimFault::custom(200, R"({"errors":[]})") << 200 << R"({"errors":[]})"_ba;
        QTest::newRow("only PUT") << SimFault::respond(503).onMethod(u"PUT"_s) << 200 << R"({"data":[{)"_ba;
        QTest::newRow("other path") << SimFault::respond(503).onPath(u"^/eventstream"_s) << 200 << R"({"data":[{)"_ba;
    }
    void faults()
    {
        QFETCH(SimFault, fault);
        QFETCH(int, status);
        QFETCH(QByteArray, bodyStart);
        sim->addFault(fault.times(1));
        TlsClient client(*sim);
        const Response answer = client.request(u"GET"_s, u"/clip/v2/resource"_s, {}, key);
        QCOMPARE(answer.status, status);
        QVERIFY2(answer.body.startsWith(bodyStart), answer.body.left(80).constData());
        QCOMPARE(sim->requestLog().last().status, status);
        // Used up after one matching request, unless it never matched.
        QCOMPARE(client.request(u"PUT"_s, u"/clip/v2/resource/light/"_s + colorLight1, R"({})", key).status,
                 fault.method == "PUT"_L1 ? 503 : 200);
        QCOMPARE(client.request(u"GET"_s, u"/clip/v2/resource"_s, {}, key).status, 200);
        QCOMPARE(sim->faults().size(), fault.pathPattern.isEmpty() ? 0 : 1);
    }
    // Closing without an answer and raw answers are read through the client in
    // tst_client (transportFailures, statusMapping); here what only the wire shows.
    void stallAndDelay()
    {
        sim->addFault(SimFault::stall().onPath(u"^/api/0/config$"_s).times(1));
        sim->addFault(SimFault::delay(300).onPath(u"^/clip"_s));

        TlsClient stalled(*sim);
        stalled.send(u"GET"_s, u"/api/0/config"_s);
        QVERIFY(QTest::qWaitFor([&] { return sim->requestLog().size() == 1; }, 5000));

        TlsClient late(*sim);
        QVERIFY(late.waitEncrypted());
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(late.request(u"GET"_s, u"/clip/v2/resource"_s, {}, key).status, 200);
        QVERIFY(timer.elapsed() >= 250);

        // Later requests were answered while the stalled one still has nothing;
        // closing shows that nothing was ever written to it.
        QCOMPARE(sim->requestLog().first().status, 0);
        QCOMPARE(stalled.socket.state(), QAbstractSocket::ConnectedState);
        sim->closeConnections();
        QVERIFY(stalled.waitClosed());
        QVERIFY(stalled.buffer.isEmpty());
    }
    // That going down drops connections and refuses new ones, and that the
    // bridge comes back and moves on the same port, tst_client and tst_store
    // read through the client (refused, unreachable, ready again, found at
    // the new address); here what only the simulator's own state shows.
    void downUpAndMove()
    {
        QSignalSpy listening(sim.get(), &BridgeSimulator::listeningChanged);
        const quint16 port = sim->port();
        sim->goDown();
        QVERIFY(sim->comeBack());
        QString error;
        QVERIFY2(sim->moveTo(QHostAddress(u"127.0.0.2"_s), 0, &error), qPrintable(error));
        QCOMPARE(sim->port(), port);
        QCOMPARE(sim->url(u"/api/0/config"_s).toString(),
                 u"https://127.0.0.2:"_s + QString::number(port) + u"/api/0/config"_s);
        QCOMPARE(TlsClient(*sim).request(u"GET"_s, u"/api/0/config"_s).status, 200);
        QCOMPARE(sim->requestLog().last().localAddress, QHostAddress(u"127.0.0.2"_s));

        QSslSocket old;
        old.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(QTest::qWaitFor([&] { return old.state() == QAbstractSocket::UnconnectedState; }, 5000));
        QCOMPARE(old.error(), QAbstractSocket::ConnectionRefusedError);
        QCOMPARE(listening.size(), 4);

        // Going down from inside the request signal must not touch the closed connection.
        connect(sim.get(), &BridgeSimulator::requestReceived, sim.get(), [this] { sim->goDown(); });
        TlsClient last(*sim);
        last.send(u"GET"_s, u"/api/0/config"_s);
        QVERIFY(last.waitClosed());
        QVERIFY(last.buffer.isEmpty());
        QVERIFY(!sim->isListening());
    }
    // The parser's limits are the unit tests'; here the answer and the close.
    void malformedRequestsAreRejected()
    {
        TlsClient client(*sim);
        client.socket.write("HELLO\r\n\r\n");
        QCOMPARE(client.response().status, 400);
        QVERIFY(client.waitClosed());

        TlsClient huge(*sim);
        huge.socket.write("PUT /clip/v2/resource/light/x HTTP/1.1\r\nContent-Length: 999999999\r\n\r\n");
        QCOMPARE(huge.response().status, 413);
        QVERIFY(sim->isListening());
    }
    void controlEndpoint()
    {
        SimControl control(sim.get());
        QString error;
        QVERIFY(!control.listen(QHostAddress(u"0.0.0.0"_s), 0, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(control.listen(QHostAddress::LocalHost, 0));
        QVERIFY(!sim->isLinkButtonPressed());
        QCOMPARE(TlsClient(*sim).request(u"GET"_s, u"/clip/v2/resource"_s, {}, key).status, 200);

        QTcpSocket admin;
        QByteArray answer;
        connect(&admin, &QTcpSocket::readyRead, this, [&] { answer += admin.readAll(); });
        admin.connectToHost(QHostAddress::LocalHost, control.serverPort());
        admin.write("POST /command HTTP/1.1\r\nContent-Length: 12\r\n\r\npress-button");
        QVERIFY(QTest::qWaitFor([&] { return answer.contains("{\"ok\":true}"); }, 5000));
        QVERIFY(answer.startsWith("HTTP/1.1 200"));
        QVERIFY(sim->isLinkButtonPressed());

        answer.clear();
        admin.write("GET /log HTTP/1.1\r\n\r\n");
        QVERIFY(QTest::qWaitFor(
            [&] { return answer.contains("GET /clip/v2/resource -> 200 [host, hue-application-key]"); }, 5000));
        QVERIFY(!answer.contains(key.toLatin1()));
    }
    // Streams end after their lifetime, but are not idle connections: one
    // opened before an idle connection is still open after that timed out.
    void streamLifetimeAndIdleConnections()
    {
        sim->setIdleTimeout(500);
        TlsClient stream(*sim);
        stream.send(u"GET"_s, u"/eventstream/clip/v2"_s, {}, key);
        QVERIFY(QTest::qWaitFor([&] { return sim->eventStreamCount() == 1; }, 5000));
        TlsClient idle(*sim);
        QCOMPARE(idle.request(u"GET"_s, u"/api/0/config"_s).status, 200);
        QVERIFY(idle.waitClosed(15000));
        QCOMPARE(stream.socket.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(sim->eventStreamCount(), 1);

        sim->setEventStreamLifetime(1000);
        TlsClient limited(*sim);
        limited.send(u"GET"_s, u"/eventstream/clip/v2"_s, {}, key);
        QVERIFY(QTest::qWaitFor([&] { return sim->eventStreamCount() == 2; }, 5000));
        QVERIFY(limited.waitClosed());
        // Only the greeting, then the last chunk.
        QVERIFY2(limited.buffer.endsWith("\r\n\r\n6\r\n: hi\n\n\r\n0\r\n\r\n"), limited.buffer.constData());
    }
    void overloadAnswers()
    {
        sim->setRateLimit(3);
        TlsClient client(*sim);
        // Pipelined, so that all five arrive within the same second.
        for (int i = 0; i < 5; ++i)
            client.send(u"GET"_s, u"/api/0/config"_s);
        QList<int> statuses;
        for (int i = 0; i < 5; ++i)
            statuses.append(client.response().status);
        QCOMPARE(statuses, QList<int>({200, 200, 200, 429, 429}));
        sim->setRateLimit(0);

        sim->setMaximumParallelRequests(1);
        sim->addFault(SimFault::delay(2000).onPath(u"^/clip"_s).times(1)); // long enough on a loaded machine
        TlsClient slow(*sim);
        TlsClient second(*sim);
        QVERIFY(second.waitEncrypted());
        slow.send(u"GET"_s, u"/clip/v2/resource"_s, {}, key);
        QVERIFY(QTest::qWaitFor([&] { return sim->requestLog().size() == 6; }, 5000));
        const Response refused = second.request(u"GET"_s, u"/api/0/config"_s);
        QCOMPARE(refused.status, 503);
        QVERIFY(refused.hasHeader("content-type: text/html"));
        QCOMPARE(slow.response().status, 200);
        QCOMPARE(second.request(u"GET"_s, u"/api/0/config"_s).status, 200);
    }
    // A benchmark that measures the client's CPU time keeps the simulator on a
    // thread of its own; the whole object tree must follow moveToThread().
    void runsOnAnotherThread()
    {
        QThread thread;
        auto *remote = new BridgeSimulator;
        remote->generateHome(SimHomeSize::small());
        const QString remoteKey = remote->addApplicationKey();
        remote->moveToThread(&thread);
        thread.start();
        const auto onThread = [remote](const auto &function) {
            QMetaObject::invokeMethod(remote, function, Qt::BlockingQueuedConnection);
        };
        bool started = false;
        onThread([&] { started = remote->start(); });
        QVERIFY(started);

        TlsClient client(*remote);
        const QString light = remote->resourceIds(u"light"_s).first();
        for (int i = 0; i < 20; ++i) {
            const QByteArray body = "{\"dimming\":{\"brightness\":" + QByteArray::number(i + 1) + "}}";
            QCOMPARE(client.request(u"PUT"_s, u"/clip/v2/resource/light/"_s + light, body, remoteKey).status, 200);
        }
        qsizetype logged = 0;
        onThread([&] { logged = remote->requestLog().size(); });
        QCOMPARE(logged, 20);
        // Qt does not release OpenSSL's per-thread state of a worker thread.
        onThread([remote] {
            delete remote;
            OPENSSL_thread_stop();
        });
        thread.quit();
        QVERIFY(thread.wait(5000));
    }

private:
    std::unique_ptr<SimulatedBridge> sim;
    QString key;
};

QTEST_GUILESS_MAIN(TestBridgeSimulator)
#include "tst_bridgesimulator.moc"
