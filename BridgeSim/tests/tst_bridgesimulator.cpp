// The simulator over real TLS on loopback, seen through a raw HTTPS client so
// that framing, status lines and connection handling are checked byte for byte.

#include "BridgeFixture.h"
#include "BridgeSimulator.h"
#include "SimControl.h"
#include "SimTestClient.h"
#include "SimulatedBridge.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace SimTest;
using namespace BridgeFixture;

class TestBridgeSimulator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        sim = std::make_unique<SimulatedBridge>();
        QVERIFY2(sim->error.isEmpty(), qPrintable(sim->error));
    }
    // The configuration, the listing, pairing and commands are read through the client in
    // tst_client (every handshake checks the leaf's name); here a percent-decoded id and keep-alive.
    void resourceByIdOnAKeptConnection()
    {
        TlsClient client(*sim);
        QCOMPARE(client.request(u"GET"_s, u"/api/0/config"_s).status, 200);
        QVERIFY(sim->addResource(QJsonObject{{u"id"_s, u"odd id/ä"_s}, {u"type"_s, u"light"_s}}));
        const Response answer = client.request(u"GET"_s, u"/clip/v2/resource/light/odd%20id%2F%C3%A4"_s, {}, sim->key);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.json()[u"data"_s].toArray(), QJsonArray{*sim->resource(u"odd id/ä"_s)});
        const QList<SimRequest> log = sim->requestLog();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log.at(0).connection, log.at(1).connection);
    }
    // Pairing itself is read through the client in tst_client; here the bodies
    // a bridge refuses and the press ending by itself.
    void pairingFollowsTheLinkButton()
    {
        TlsClient client(*sim);
        const auto errorType = [&](const QByteArray &sent) {
            return client.request(u"POST"_s, u"/api"_s, sent).json()[0][u"error"_s][u"type"_s].toInt();
        };
        QCOMPARE(errorType("{broken"), 2);
        QCOMPARE(errorType(R"({"name":"x"})"), 5);

        QSignalSpy changed(sim.get(), &BridgeSimulator::linkButtonChanged);
        sim->setLinkButtonWindow(500);
        sim->pressLinkButton();
        QVERIFY(QTest::qWaitFor([&] { return changed.size() == 2; }, 15000));
        QVERIFY(!sim->isLinkButtonPressed());
        QCOMPARE(errorType(R"({"devicetype":"lumora#test"})"), 101);
    }
    // What a refused request answers, and that it changes nothing. Accepted commands are
    // tst_client operations' and tst_lumoractl's, which read the lights they changed.
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
        QTest::newRow("bad JSON") << u"PUT"_s << resource + u"light/"_s + colorLight1 << "{nope"_ba << good << 400;
        QTest::newRow("unknown path") << u"GET"_s << u"/nothing"_s << QByteArray() << good << 404;
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
        QCOMPARE(answer.json()[u"errors"_s].toArray().size(), 1);
        QCOMPARE(sim->resources(), before);
    }
    // Both framings are read through the client in tst_eventstreamclient, the last value
    // winning is tst_bridgesim_home's event queue; here the greeting, then a chunk per message.
    void eventStream()
    {
        sim->setEventInterval(150);
        TlsClient client(*sim);
        client.send(u"GET"_s, u"/eventstream/clip/v2"_s, {}, sim->key, "Accept: text/event-stream\r\n");
        QVERIFY(QTest::qWaitFor([&] { return client.buffer.contains(": hi\n\n"); }, 5000));
        QVERIFY(sim->changeFromOutside(colorLight1, QJsonObject{{u"dimming"_s, QJsonObject{{u"brightness"_s, 22}}}}));
        QVERIFY(QTest::qWaitFor([&] { return client.buffer.count("\n\n") >= 2; }, 5000));
        const QByteArray &stream = client.buffer;
        QVERIFY(QRegularExpression(u"\r\n\r\n[0-9a-f]+\r\n: hi\n\n\r\n[0-9a-f]+\r\nid: \\d{10}:\\d+\ndata: \\[{"_s)
                    .match(QString::fromLatin1(stream))
                    .hasMatch());
        QCOMPARE(stream.count("data: "), 1);
    }
    // Going down, coming back and moving are read through the client in tst_client
    // and tst_store; here the old address refused and going down from a signal.
    void downUpAndMove()
    {
        const quint16 port = sim->port();
        QVERIFY(sim->moveTo(QHostAddress(u"127.0.0.2"_s)));
        QSslSocket old;
        old.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(QTest::qWaitFor([&] { return old.state() == QAbstractSocket::UnconnectedState; }, 5000));
        QCOMPARE(old.error(), QAbstractSocket::ConnectionRefusedError);

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
    // The control interface (the tool's --control-port) is for this machine only.
    void controlEndpointStaysLocal()
    {
        SimControl control(sim.get());
        QString error;
        QVERIFY(!control.listen(QHostAddress(u"0.0.0.0"_s), 0, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(control.listen(QHostAddress::LocalHost, 0));
    }
    // Streams end after their lifetime, but are not idle connections: one
    // opened before an idle connection is still open after that timed out.
    void streamLifetimeAndIdleConnections()
    {
        sim->setIdleTimeout(500);
        TlsClient stream(*sim);
        stream.send(u"GET"_s, u"/eventstream/clip/v2"_s, {}, sim->key);
        QVERIFY(QTest::qWaitFor([&] { return sim->eventStreamCount() == 1; }, 5000));
        TlsClient idle(*sim);
        QCOMPARE(idle.request(u"GET"_s, u"/api/0/config"_s).status, 200);
        QVERIFY(idle.waitClosed(15000));
        QCOMPARE(stream.socket.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(sim->eventStreamCount(), 1);

        sim->setEventStreamLifetime(1000);
        TlsClient limited(*sim);
        limited.send(u"GET"_s, u"/eventstream/clip/v2"_s, {}, sim->key);
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
        slow.send(u"GET"_s, u"/clip/v2/resource"_s, {}, sim->key);
        QVERIFY(QTest::qWaitFor([&] { return sim->requestLog().size() == 6; }, 5000));
        const Response refused = second.request(u"GET"_s, u"/api/0/config"_s);
        QCOMPARE(refused.status, 503);
        QVERIFY(refused.hasHeader("content-type: text/html"));
        QCOMPARE(slow.response().status, 200);
        QCOMPARE(second.request(u"GET"_s, u"/api/0/config"_s).status, 200);
    }

private:
    std::unique_ptr<SimulatedBridge> sim;
};

QTEST_GUILESS_MAIN(TestBridgeSimulator)
#include "tst_bridgesimulator.moc"
