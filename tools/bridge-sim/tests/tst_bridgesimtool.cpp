// The executable: options, the machine-readable start lines, the root PEM it
// writes, and commands on standard input.

#include "SimProcess.h"
#include "SimTestClient.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace SimTest;

class TestBridgeSimTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void servesAndObeysCommands();
    void refusesBadOptions_data();
    void refusesBadOptions();
};

void TestBridgeSimTool::servesAndObeysCommands()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString pem = directory.filePath(u"root.pem"_s);
    SimProcess sim;
    QVERIFY2(sim.start({u"--generate"_s, u"small"_s, u"--key"_s, u"test-key"_s, u"--root-pem"_s, pem, u"--bridge-id"_s,
                        u"c42996fffec4e2d8"_s, u"--model"_s, u"BSB003"_s, u"--latency"_s, u"100"_s, u"--rate-limit"_s,
                        u"1000"_s}),
             sim.errors.constData());
    QCOMPARE(sim.values.value(u"BRIDGE_ID"_s), u"C42996FFFEC4E2D8"_s);
    QCOMPARE(sim.values.value(u"ADDRESS"_s), u"127.0.0.1"_s);
    const quint16 port = sim.values.value(u"PORT"_s).toUShort();
    QVERIFY(port != 0);
    const QList<QSslCertificate> roots = QSslCertificate::fromPath(pem);
    QCOMPARE(roots.size(), 1);

    TlsClient client(QHostAddress::LocalHost, port, roots.first(), u"c42996fffec4e2d8"_s);
    QVERIFY(client.waitEncrypted());
    QCOMPARE(client.socket.peerCertificate().subjectInfo(QSslCertificate::OrganizationalUnitName),
             QStringList{u"BSB003"_s});
    QElapsedTimer timer;
    timer.start();
    client.send(u"GET"_s, u"/clip/v2/resource/light"_s, {}, u"test-key"_s);
    std::optional<Response> answer = client.response();
    QVERIFY(timer.elapsed() >= 80);
    QVERIFY(answer);
    QCOMPARE(answer->status, 200);
    QCOMPARE(answer->json()[u"data"_s].toArray().size(), 12);

    QCOMPARE(sim.jsonCommand("fault 503 body=html count=1").value(u"ok"_s).toBool(), true);
    client.send(u"GET"_s, u"/clip/v2/resource"_s, {}, u"test-key"_s);
    answer = client.response();
    QCOMPARE(answer->status, 503);
    QVERIFY(answer->body.startsWith("<!DOCTYPE html>"));
    client.send(u"GET"_s, u"/clip/v2/resource"_s, {}, u"test-key"_s);
    QCOMPARE(client.response()->status, 200);

    const QByteArray logLine = sim.command("log 1");
    QVERIFY2(logLine.contains("GET /clip/v2/resource -> 200 [host, hue-application-key]"), logLine.constData());
    QVERIFY(!logLine.contains("test-key"));
    QCOMPARE(sim.jsonCommand("no-such-command").value(u"ok"_s).toBool(), false);

    sim.command("quit");
    QVERIFY(sim.finishes());
    QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process.exitCode(), 0);
}

void TestBridgeSimTool::refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("not loopback") << QStringList{u"--address"_s, u"10.1.2.3"_s};
    QTest::newRow("bad port") << QStringList{u"--port"_s, u"70000"_s};
    QTest::newRow("bad size") << QStringList{u"--generate"_s, u"huge"_s};
    QTest::newRow("missing file") << QStringList{u"--resources"_s, u"/nonexistent/resources.json"_s};
    QTest::newRow("chain without key") << QStringList{u"--cert-chain"_s, u"/nonexistent/chain.pem"_s};
}

void TestBridgeSimTool::refusesBadOptions()
{
    QFETCH(QStringList, arguments);
    SimProcess sim;
    QVERIFY(!sim.start(arguments));
    QVERIFY(sim.finishes());
    QCOMPARE(sim.process.exitCode(), 2);
    QVERIFY(sim.errors.startsWith("lumora-bridge-sim: "));
}

QTEST_GUILESS_MAIN(TestBridgeSimTool)
#include "tst_bridgesimtool.moc"
