// The discovery algorithm on a scripted network: what becomes an entry, in
// which order, and that services are confirmed one at a time.
#include "HueBridgeDiscovery.h"

#include <QCoro/QCoroTimer>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

struct Script
{
    QList<MdnsServiceInstance> services;
    QHash<QString, std::optional<QString>> reportedHost; // by instance name
    QHash<QString, QList<QByteArray>> resolvedTxt;       // learned while connecting, by instance name
    std::chrono::milliseconds browseTime{0};
    QStringList connected;
    QList<std::chrono::milliseconds> limits;
    int active = 0;
    int maxActive = 0;
    /// Cancelled while this service is being connected.
    QString cancelDuring;
    HueCancellationToken token;
};

Script script;

QCoro::Task<QList<MdnsServiceInstance>> scriptedBrowse(std::chrono::milliseconds timeout, HueCancellationToken)
{
    script.browseTime = timeout;
    co_await QCoro::sleepFor(1ms);
    co_return script.services;
}

QCoro::Task<std::optional<HueBridgeDiscovery::Confirmed>>
scriptedConnect(MdnsServiceInstance service, std::chrono::milliseconds limit, HueCancellationToken token)
{
    if (service.name == script.cancelDuring)
        token.cancel();
    ++script.active;
    script.maxActive = qMax(script.maxActive, script.active);
    script.connected.append(service.name);
    script.limits.append(limit);
    co_await QCoro::sleepFor(5ms);
    --script.active;
    const std::optional<QString> host = script.reportedHost.value(service.name);
    if (!host)
        co_return std::nullopt;
    const auto txt = script.resolvedTxt.constFind(service.name);
    co_return HueBridgeDiscovery::Confirmed{*host,
                                            txt != script.resolvedTxt.cend() ? std::optional(*txt) : service.txt};
}

MdnsServiceInstance service(const QString &name, std::optional<QList<QByteArray>> txt)
{
    return {name, MdnsName::instance(name, HueBridgeDiscovery::serviceType()), {}, 0, std::move(txt), {}, {}};
}

QList<DiscoveredBridge> run(std::chrono::milliseconds timeout)
{
    return QCoro::waitFor(HueBridgeDiscovery::bridges(timeout, {&scriptedBrowse, &scriptedConnect}, script.token));
}

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { script = Script{}; }

    void turnsServicesIntoBridges()
    {
        script.services = {
            service(u"Hue Bridge - A532A7"_s, QList<QByteArray>{"modelid=BSB002", "BridgeID=001788fffea532a7"}),
            service(u"No TXT"_s, std::nullopt),
            service(u"IPv6 only"_s, QList<QByteArray>{"bridgeid=1"}),
            service(u"Unreachable"_s, QList<QByteArray>{"bridgeid=2"}),
            service(u"Philips hue - 122DCF"_s, QList<QByteArray>{"modelid=BSB003"}),
            service(u"Twin"_s, QList<QByteArray>{}),
            service(u"Twin"_s, QList<QByteArray>{}),
            service(QString(), QList<QByteArray>{"bridgeid=3"}),
            // Still unresolved when the browse ended: its TXT came with the resolution.
            service(u"Resolved late"_s, std::nullopt),
        };
        script.resolvedTxt = {{u"Resolved late"_s, QList<QByteArray>{"bridgeid=001788fffe0a0b0c"}}};
        script.reportedHost = {
            {u"Hue Bridge - A532A7"_s, u"192.168.1.10"_s},
            {u"No TXT"_s, u"192.168.1.11"_s},
            {u"IPv6 only"_s, u"fe80::1%eth0"_s},
            {u"Unreachable"_s, std::nullopt},
            {u"Philips hue - 122DCF"_s, u"bridge.local"_s},
            {u"Twin"_s, u"::ffff:192.168.1.13"_s},
            {QString(), u"192.168.1.14"_s},
            {u"Resolved late"_s, u"192.168.1.15"_s},
        };
        const auto bridges = run(3s);
        QCOMPARE(script.browseTime, 3000ms);
        const QList<DiscoveredBridge> expected{
            {u"Hue Bridge - A532A7"_s, u"001788fffea532a7"_s, u"192.168.1.10"_s},
            {u"No TXT"_s, std::nullopt, u"192.168.1.11"_s},
            {u"Philips hue - 122DCF"_s, std::nullopt, u"bridge.local"_s},
            // No de-duplication: the browse said it twice.
            {u"Twin"_s, std::nullopt, u"192.168.1.13"_s},
            {u"Twin"_s, std::nullopt, u"192.168.1.13"_s},
            {u"Resolved late"_s, u"001788fffe0a0b0c"_s, u"192.168.1.15"_s},
        };
        QCOMPARE(bridges, expected);
        // Every named service was tried, in browse order, one at a time, each
        // with the 3-second limit; a nameless one was not.
        QCOMPARE(script.connected, (QStringList{u"Hue Bridge - A532A7"_s, u"No TXT"_s, u"IPv6 only"_s, u"Unreachable"_s,
                                                u"Philips hue - 122DCF"_s, u"Twin"_s, u"Twin"_s, u"Resolved late"_s}));
        QCOMPARE(script.maxActive, 1);
        QVERIFY(std::all_of(script.limits.cbegin(), script.limits.cend(), [](auto limit) { return limit == 3000ms; }));
    }

    void cancellationStopsFurtherConnections()
    {
        script.services = {service(u"A"_s, std::nullopt), service(u"B"_s, std::nullopt), service(u"C"_s, std::nullopt)};
        script.reportedHost = {{u"A"_s, u"10.0.0.1"_s}, {u"B"_s, u"10.0.0.2"_s}, {u"C"_s, u"10.0.0.3"_s}};
        script.cancelDuring = u"B"_s;
        // What the cancelled connection still delivered counts; nothing after it runs.
        QCOMPARE(run(3s), (QList<DiscoveredBridge>{{u"A"_s, std::nullopt, u"10.0.0.1"_s},
                                                   {u"B"_s, std::nullopt, u"10.0.0.2"_s}}));
        QCOMPARE(script.connected, (QStringList{u"A"_s, u"B"_s}));
    }

    // Plain, mapped and link-local addresses and host names: turnsServicesIntoBridges.
    void addressText_data()
    {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("IPv4 with scope") << u"10.0.0.2%en0"_s << std::optional<QString>(u"10.0.0.2"_s);
        QTest::newRow("IPv6") << u"2001:db8::1"_s << std::optional<QString>();
        QTest::newRow("empty") << QString() << std::optional<QString>();
    }
    void addressText()
    {
        QFETCH(QString, reported);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(HueBridgeDiscovery::address(reported), expected);
    }
};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
