// The executable's --mdns announcement, seen through the library's own
// browser: the instance, its SRV, TXT and A records; a move re-announces the
// address. Runs only inside a private network namespace.

#include "MdnsBrowser.h"
#include "PrivateNetwork.h"
#include "TestProcess.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestBridgeSimMdns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void announcesAndFollowsAMove()
    {
        LUMORA_SKIP_OUTSIDE_PRIVATE_NETWORK();
        TestProcess sim(QStringLiteral(LUMORA_BRIDGE_SIM_EXECUTABLE));
        sim.start({u"--mdns"_s, u"--bridge-id"_s, u"001788FFFEA532A7"_s, u"--model"_s, u"BSB003"_s}, true);
        QVERIFY2(sim.waitReady(), sim.err.constData());

        MdnsBrowser browser(MdnsName::fromDotted(u"_hue._tcp.local"_s));
        QVERIFY(browser.start());
        const auto found = [&] { return browser.instances().value(0); };
        QTRY_VERIFY_WITH_TIMEOUT(found().txt && !found().ipv4.isEmpty(), 10000);
        QCOMPARE(browser.instances().size(), 1);
        QCOMPARE(found().name, u"Hue Bridge - A532A7"_s);
        QCOMPARE(found().host, MdnsName::fromDotted(u"001788a532a7.local"_s));
        QCOMPARE(found().port, sim.values.value(u"PORT"_s).toUShort());
        QCOMPARE(*found().txt, (QList<QByteArray>{"bridgeid=001788fffea532a7", "modelid=BSB003"}));
        QCOMPARE(found().ipv4, QList<QHostAddress>{QHostAddress(u"127.0.0.1"_s)});

        QVERIFY(sim.jsonCommand("move 127.0.0.2").value(u"ok"_s).toBool());
        QTRY_COMPARE_WITH_TIMEOUT(found().ipv4, QList<QHostAddress>{QHostAddress(u"127.0.0.2"_s)}, 10000);

        sim.command("quit");
        QVERIFY(sim.finishes());
        QCOMPARE(sim.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestBridgeSimMdns)
#include "tst_bridgesimmdns.moc"
