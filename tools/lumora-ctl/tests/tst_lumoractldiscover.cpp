// `lumora-ctl discover` against the simulator's mDNS announcement. Runs only
// inside a private network namespace (the test's wrapper creates one); anywhere
// else it skips rather than send multicast.
#include "CtlProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace CtlTest;

namespace {

bool onlyLoopback()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        if (!(interface.flags() & QNetworkInterface::IsLoopBack))
            return false;
    }
    return true;
}

} // namespace

class TestLumoraCtlDiscover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsTheSimulator();
};

void TestLumoraCtlDiscover::findsTheSimulator()
{
    if (!onlyLoopback())
        QSKIP("multicast DNS is only sent inside a private network namespace");

    QProcess sim;
    QByteArray simOutput;
    QObject::connect(&sim, &QProcess::readyReadStandardOutput, [&] { simOutput += sim.readAllStandardOutput(); });
    sim.start(QStringLiteral(LUMORA_BRIDGE_SIM_EXECUTABLE),
              {u"--mdns"_s, u"--bridge-id"_s, u"001788FFFEA532A7"_s, u"--generate"_s, u"small"_s});
    QVERIFY(
        QTest::qWaitFor([&] { return simOutput.contains("READY\n") || sim.state() == QProcess::NotRunning; }, 15000));
    QVERIFY2(simOutput.contains("READY\n"), simOutput.constData());
    const auto stop = [&] {
        sim.terminate();
        if (!sim.waitForFinished(5000))
            sim.kill();
        sim.waitForFinished(2000);
    };
    auto cleanup = qScopeGuard(stop);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LANGUAGE"_s, u"en"_s);

    // JSON: one object per line with the documented fields.
    CtlRun run = runCtl(environment, {u"discover"_s, u"--timeout"_s, u"2"_s, u"--json"_s}, 30000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 1);
    const QJsonObject bridge = QJsonDocument::fromJson(lines.first()).object();
    QCOMPARE(bridge.value("name"_L1).toString(), u"Hue Bridge - A532A7"_s);
    QCOMPARE(bridge.value("bridgeID"_L1).toString().toUpper(), u"001788FFFEA532A7"_s);
    QCOMPARE(bridge.value("host"_L1).toString(), u"127.0.0.1"_s);

    // Text: name, address and id separated by tabs.
    run = runCtl(environment, {u"discover"_s, u"--timeout"_s, u"2"_s}, 30000);
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> fields = run.out.trimmed().split('\t');
    QCOMPARE(fields.size(), 3);
    QCOMPARE(fields.at(0), QByteArray("Hue Bridge - A532A7"));
    QCOMPARE(fields.at(1), QByteArray("127.0.0.1"));

    // With the simulator gone, nothing is found, and that is no error.
    cleanup.dismiss();
    stop();
    run = runCtl(environment, {u"discover"_s, u"--timeout"_s, u"1"_s, u"--json"_s}, 30000);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestLumoraCtlDiscover)
#include "tst_lumoractldiscover.moc"
