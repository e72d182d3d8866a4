// The executable: options, the machine-readable start lines, the root PEM it
// writes, and commands on standard input.

#include "SimTestClient.h"
#include "TestProcess.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace SimTest;

class TestBridgeSimTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void servesAndObeysCommands()
    {
        QTemporaryDir directory;
        const QString pem = directory.filePath(u"root.pem"_s);
        TestProcess sim(QStringLiteral(LUMORA_BRIDGE_SIM_EXECUTABLE));
        sim.start({u"--generate"_s, u"small"_s, u"--key"_s, u"test-key"_s, u"--root-pem"_s, pem, u"--bridge-id"_s,
                   u"c42996fffec4e2d8"_s, u"--model"_s, u"BSB003"_s, u"--latency"_s, u"100"_s, u"--rate-limit"_s,
                   u"1000"_s},
                  true);
        QVERIFY2(sim.waitReady(), sim.err.constData());
        QCOMPARE(sim.values.value(u"BRIDGE_ID"_s), u"C42996FFFEC4E2D8"_s);
        QCOMPARE(sim.values.value(u"ADDRESS"_s), u"127.0.0.1"_s);
        const QList<QSslCertificate> roots = QSslCertificate::fromPath(pem);
        QCOMPARE(roots.size(), 1);

        TlsClient client(QHostAddress::LocalHost, sim.values.value(u"PORT"_s).toUShort(), roots.first(),
                         u"c42996fffec4e2d8"_s);
        QVERIFY(client.waitEncrypted());
        QCOMPARE(client.socket.peerCertificate().subjectInfo(QSslCertificate::OrganizationalUnitName),
                 QStringList{u"BSB003"_s});
        QElapsedTimer timer;
        timer.start();
        const Response answer = client.request(u"GET"_s, u"/clip/v2/resource/light"_s, {}, u"test-key"_s);
        QVERIFY(timer.elapsed() >= 80);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.json()[u"data"_s].toArray().size(), 12);

        QCOMPARE(sim.jsonCommand("fault 503 body=html count=1").value(u"ok"_s).toBool(), true);
        for (const int status : {503, 200})
            QCOMPARE(client.request(u"GET"_s, u"/clip/v2/resource"_s, {}, u"test-key"_s).status, status);
        const QByteArray logLine = sim.command("log 1");
        QVERIFY2(logLine.contains("GET /clip/v2/resource -> 200 [host, hue-application-key]"), logLine.constData());
        QVERIFY(!logLine.contains("test-key"));

        sim.command("quit");
        QVERIFY(sim.finishes());
        QCOMPARE(sim.exitCode(), 0);
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("not loopback") << QStringList{u"--address"_s, u"10.1.2.3"_s};
        QTest::newRow("bad port") << QStringList{u"--port"_s, u"70000"_s};
        QTest::newRow("bad size") << QStringList{u"--generate"_s, u"huge"_s};
        QTest::newRow("missing file") << QStringList{u"--resources"_s, u"/nonexistent/resources.json"_s};
        QTest::newRow("chain without key") << QStringList{u"--cert-chain"_s, u"/nonexistent/chain.pem"_s};
    }

    void refusesBadOptions()
    {
        QFETCH(QStringList, arguments);
        const TestProcess::Run run = TestProcess::run(QStringLiteral(LUMORA_BRIDGE_SIM_EXECUTABLE), arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith("lumora-bridge-sim: "));
        QVERIFY(!run.out.contains("READY"));
    }
};

QTEST_GUILESS_MAIN(TestBridgeSimTool)
#include "tst_bridgesimtool.moc"
