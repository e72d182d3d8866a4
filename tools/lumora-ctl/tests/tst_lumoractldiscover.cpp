// `lumora-ctl discover` against the simulator's mDNS announcement: its name,
// TXT bridge id, address and SRV port (discovery connects to it) as a client
// reads them, also after a move. Runs only inside a private network namespace
// (the test's wrapper creates one).
#include "PrivateNetwork.h"
#include "TestProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLumoraCtlDiscover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsTheSimulator()
    {
        LUMORA_SKIP_OUTSIDE_PRIVATE_NETWORK();
        TestProcess sim(QStringLiteral(LUMORA_BRIDGE_SIM_EXECUTABLE));
        sim.start({u"--mdns"_s, u"--bridge-id"_s, u"001788FFFEA532A7"_s, u"--generate"_s, u"small"_s}, true);
        QVERIFY2(sim.waitReady(), sim.err.constData());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"LANGUAGE"_s, u"en"_s);
        const auto discover = [&](const QString &options) {
            return TestProcess::run(QStringLiteral(LUMORA_CTL_EXECUTABLE),
                                    QString(u"discover --timeout "_s + options).split(u' '), environment);
        };

        // JSON: one object per line with the documented fields.
        TestProcess::Run run = discover(u"2 --json"_s);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.count('\n'), 1);
        QCOMPARE(QJsonDocument::fromJson(run.out).object(), (QJsonObject{{u"name"_s, u"Hue Bridge - A532A7"_s},
                                                                         {u"host"_s, u"127.0.0.1"_s},
                                                                         {u"bridgeID"_s, u"001788fffea532a7"_s}}));

        // Moved, it is found at the new address. Text: name, address and id separated by tabs.
        QVERIFY(sim.jsonCommand("move 127.0.0.2").value(u"ok"_s).toBool());
        run = discover(u"2"_s);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, "Hue Bridge - A532A7\t127.0.0.2\t001788fffea532a7\n"_ba);

        // With the simulator gone, nothing is found, and that is no error.
        sim.command("quit");
        QVERIFY(sim.finishes());
        run = discover(u"1 --json"_s);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLumoraCtlDiscover)
#include "tst_lumoractldiscover.moc"
