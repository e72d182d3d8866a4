// The discovery algorithm on a scripted network: what becomes an entry, in
// which order, and that services are confirmed at once under the browse's
// deadline, so that hanging ones cannot hold it up.
#include "HueBridgeDiscovery.h"
#include "HueCancelledError.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

struct Script
{
    /// Handed to the algorithm one after the other, 5 ms apart; the last one
    /// is the browse's result.
    QList<QList<MdnsServiceInstance>> snapshots;
    /// By address: the host the connection reports, or nothing for a refused
    /// one. Addresses not listed hang until the connection is given up.
    QHash<QString, std::optional<QString>> answers;
    QStringList attempted;
    int abandoned = 0;
    int active = 0;
    int maxActive = 0;
    QDeadlineTimer browseDeadline;
    /// Whether a connection was given a deadline other than the browse's.
    bool ownDeadline = false;
    HueCancellationToken token;
};

Script script;

QCoro::Task<void> quietSleep(HueCancellationToken token, std::chrono::milliseconds duration)
{
    try {
        co_await token.sleep(duration);
    } catch (const HueCancelledError &) {
    }
}

std::chrono::milliseconds remaining(const QDeadlineTimer &deadline)
{
    return std::chrono::milliseconds(qMax<qint64>(0, deadline.remainingTime()));
}

QCoro::Task<QList<MdnsServiceInstance>> scriptedBrowse(QDeadlineTimer deadline, HueCancellationToken token,
                                                       HueBridgeDiscovery::Snapshots changed)
{
    script.browseDeadline = deadline;
    for (const auto &snapshot : std::as_const(script.snapshots)) {
        if (token.isCancelled())
            break;
        changed(snapshot);
        co_await quietSleep(token, 5ms);
    }
    co_await quietSleep(token, remaining(deadline));
    co_return script.snapshots.value(script.snapshots.size() - 1);
}

QCoro::Task<std::optional<QString>> scriptedConnect(QHostAddress address, quint16, QDeadlineTimer deadline,
                                                    HueCancellationToken token)
{
    const QString text = address.toString();
    script.attempted.append(text);
    script.ownDeadline |= !(deadline == script.browseDeadline);
    script.maxActive = qMax(script.maxActive, ++script.active);
    const bool answers = script.answers.contains(text);
    // A hanging one ends only when it is given up: at its deadline, which is
    // the browse's, or by cancellation.
    co_await quietSleep(token, answers ? 5ms : remaining(deadline) + 60s);
    --script.active;
    if (!answers) {
        script.abandoned += token.isCancelled() ? 1 : 0;
        co_return std::nullopt;
    }
    co_return script.answers.value(text);
}

MdnsServiceInstance service(const QString &name, std::optional<QList<QByteArray>> txt, QStringList addresses)
{
    MdnsServiceInstance result{
        name, MdnsName::instance(name, HueBridgeDiscovery::serviceType()), {}, 443, std::move(txt), {}, {}};
    for (const QString &address : addresses)
        result.ipv4.append(QHostAddress(address));
    return result;
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
        const auto bridge = service(u"Hue Bridge - A532A7"_s,
                                    QList<QByteArray>{"modelid=BSB002", "BridgeID=001788fffea532a7"}, {u"10.0.0.1"_s});
        const auto noTxt = service(u"No TXT"_s, std::nullopt, {u"10.0.0.2"_s});
        const auto refused = service(u"Refused"_s, QList<QByteArray>{"bridgeid=2"}, {u"10.0.0.3"_s});
        const auto twin = service(u"Twin"_s, QList<QByteArray>{}, {u"10.0.0.4"_s});
        const auto nameless = service(QString(), QList<QByteArray>{"bridgeid=3"}, {u"10.0.0.5"_s});
        const auto mapped = service(u"Mapped"_s, QList<QByteArray>{"modelid=BSB003"}, {u"10.0.0.6"_s});
        const auto gone = service(u"Gone"_s, QList<QByteArray>{}, {u"10.0.0.7"_s});
        auto lateTxt = service(u"Late TXT"_s, std::nullopt, {u"10.0.0.8"_s});
        script.snapshots = {{bridge, noTxt}, {bridge, noTxt, refused, twin, twin, nameless, gone, lateTxt}};
        // The last snapshot decides: a service gone by then is not reported,
        // one whose TXT came late has it.
        lateTxt.txt = QList<QByteArray>{"bridgeid=001788fffe0a0b0c"};
        script.snapshots.append({bridge, noTxt, refused, twin, twin, nameless, mapped, lateTxt});
        script.answers = {{u"10.0.0.1"_s, u"10.0.0.1"_s}, {u"10.0.0.2"_s, u"10.0.0.2%eth0"_s},
                          {u"10.0.0.3"_s, std::nullopt},  {u"10.0.0.4"_s, u"10.0.0.4"_s},
                          {u"10.0.0.5"_s, u"10.0.0.5"_s}, {u"10.0.0.6"_s, u"::ffff:10.0.0.6"_s},
                          {u"10.0.0.7"_s, u"10.0.0.7"_s}, {u"10.0.0.8"_s, u"10.0.0.8"_s}};
        const auto bridges = run(300ms);
        const QList<DiscoveredBridge> expected{
            {u"Hue Bridge - A532A7"_s, u"001788fffea532a7"_s, u"10.0.0.1"_s},
            {u"No TXT"_s, std::nullopt, u"10.0.0.2"_s},
            // No de-duplication: the browse said it twice.
            {u"Twin"_s, std::nullopt, u"10.0.0.4"_s},
            {u"Twin"_s, std::nullopt, u"10.0.0.4"_s},
            {u"Mapped"_s, std::nullopt, u"10.0.0.6"_s},
            {u"Late TXT"_s, u"001788fffe0a0b0c"_s, u"10.0.0.8"_s},
        };
        QCOMPARE(bridges, expected);
        // Each address once, as soon as a snapshot named it; never one of a
        // nameless service; all under the browse's deadline.
        QCOMPARE(script.attempted, (QStringList{u"10.0.0.1"_s, u"10.0.0.2"_s, u"10.0.0.3"_s, u"10.0.0.4"_s,
                                                u"10.0.0.7"_s, u"10.0.0.8"_s, u"10.0.0.6"_s}));
        QVERIFY(!script.ownDeadline);
    }

    void hangingServicesCannotStallIt_data()
    {
        QTest::addColumn<int>("hanging");
        QTest::addColumn<QStringList>("bridgeAddresses");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<bool>("cancelled"); // during a browse of a minute
        QTest::newRow("20 hanging services") << 20 << QStringList{u"10.0.0.1"_s} << 21 << false;
        QTest::newRow("addresses added for the bridge's host")
            << 0 << QStringList{u"10.9.0.1"_s, u"10.9.0.2"_s, u"10.0.0.1"_s, u"10.0.0.2"_s} << 4 << false;
        QTest::newRow("more services than connections")
            << 400 << QStringList{u"10.0.0.1"_s} << int(HueBridgeDiscovery::maxConnections) << false;
        QTest::newRow("cancelled while they hang") << 20 << QStringList{u"10.0.0.1"_s} << 21 << true;
    }
    void hangingServicesCannotStallIt()
    {
        QFETCH(int, hanging);
        QFETCH(QStringList, bridgeAddresses);
        QFETCH(int, attempts);
        QFETCH(bool, cancelled);
        QList<MdnsServiceInstance> services{
            service(u"Hue Bridge - A532A7"_s, QList<QByteArray>{"bridgeid=001788fffea532a7"}, bridgeAddresses)};
        for (int i = 0; i < hanging; ++i) {
            services.append(service(u"Spoof %1"_s.arg(i), QList<QByteArray>{"bridgeid=001788fffea532a7"},
                                    {QHostAddress(quint32(0x0a010000 + i)).toString()}));
        }
        script.snapshots = {services};
        script.answers = {{u"10.0.0.1"_s, u"10.0.0.1"_s}};
        if (cancelled)
            QTimer::singleShot(100, [token = script.token] { token.cancel(); });
        QElapsedTimer elapsed;
        elapsed.start();
        const auto bridges = run(cancelled ? 60s : 300ms);
        QCOMPARE(bridges, (QList<DiscoveredBridge>{{u"Hue Bridge - A532A7"_s, u"001788fffea532a7"_s, u"10.0.0.1"_s}}));
        // All at once, and every hanging one given up when the browse ended
        // (or was cancelled); what was confirmed by then counts.
        QCOMPARE(script.attempted.size(), attempts);
        QCOMPARE(script.maxActive, attempts);
        QCOMPARE(script.abandoned, attempts - 1);
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
    }

    // Plain, mapped and scoped addresses: turnsServicesIntoBridges.
    void addressText_data()
    {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("host name") << u"bridge.local"_s << std::optional<QString>(u"bridge.local"_s);
        QTest::newRow("IPv6") << u"fe80::1%eth0"_s << std::optional<QString>();
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
