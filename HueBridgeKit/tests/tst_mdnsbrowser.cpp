// The browse cache: which records make a service, which take it away, and
// what is still asked for; which senders count as on the link. Messages are
// fed in directly; no network.
#include "MdnsBrowser.h"
#include "MdnsSocket.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const MdnsName serviceType = MdnsName::fromDotted(u"_hue._tcp.local");

MdnsName instanceName(const char *name)
{
    return MdnsName::instance(QString::fromUtf8(name), serviceType);
}

MdnsName host(const char *name)
{
    return MdnsName::fromDotted(QString::fromLatin1(name));
}

MdnsMessage response(QList<MdnsMessage::Record> answers, QList<MdnsMessage::Record> additionals = {})
{
    return {0,  MdnsMessage::flagResponse | MdnsMessage::flagAuthoritative,
            {}, std::move(answers),
            {}, std::move(additionals)};
}

MdnsMessage fullAnnouncement(const char *name, const char *hostName, const char *ipv4, quint32 ttl = 120)
{
    const auto instance = instanceName(name);
    return response({MdnsMessage::Record::ptr(serviceType, instance, ttl)},
                    {MdnsMessage::Record::srv(instance, host(hostName), 443, ttl),
                     MdnsMessage::Record::text(instance, {"bridgeid=001788fffea532a7"}, ttl),
                     MdnsMessage::Record::a(host(hostName), QHostAddress(QString::fromLatin1(ipv4)), ttl)});
}

QStringList names(const QList<MdnsServiceInstance> &instances)
{
    QStringList result;
    for (const auto &instance : instances)
        result.append(instance.name);
    return result;
}

QList<QPair<QString, quint16>> questions(const MdnsMessage &query)
{
    QList<QPair<QString, quint16>> result;
    for (const auto &question : query.questions)
        result.append({question.name.toString(), question.type});
    return result;
}

} // namespace

class TestMdnsBrowser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void oneResponseMakesAResolvedService()
    {
        MdnsBrowser browser(serviceType);
        QSignalSpy changed(&browser, &MdnsBrowser::instancesChanged);
        browser.process(fullAnnouncement("Hue Bridge - A532A7", "001788a532a7.local", "192.168.1.10"));
        QCOMPARE(changed.size(), 1);
        const MdnsServiceInstance bridge{u"Hue Bridge - A532A7"_s,
                                         instanceName("Hue Bridge - A532A7"),
                                         host("001788a532a7.local"),
                                         443,
                                         QList<QByteArray>{"bridgeid=001788fffea532a7"},
                                         {QHostAddress(u"192.168.1.10"_s)},
                                         {}};
        QCOMPARE(browser.instances(), QList{bridge});
        QVERIFY(browser.pendingQuery(false).questions.isEmpty());
        browser.process(fullAnnouncement("Hue Bridge - A532A7", "001788a532a7.local", "192.168.1.10"));
        QCOMPARE(changed.size(), 1);
    }

    void recordsInAnyOrderAndPackets()
    {
        MdnsBrowser browser(serviceType);
        const auto instance = instanceName("B");
        // Additional records before the answer they belong to still count.
        browser.process(response({MdnsMessage::Record::srv(instance, host("b.local"), 80, 120)},
                                 {MdnsMessage::Record::ptr(serviceType, instance, 4500)}));
        QCOMPARE(browser.instances().size(), 1);
        QCOMPARE(browser.instances().at(0).port, quint16(80));
        // Missing: TXT for the instance, A for its host.
        QCOMPARE(questions(browser.pendingQuery(true)),
                 (QList<QPair<QString, quint16>>{{u"_hue._tcp.local"_s, MdnsMessage::PTR},
                                                 {u"B._hue._tcp.local"_s, MdnsMessage::TXT},
                                                 {u"b.local"_s, MdnsMessage::A}}));
        // Only AAAA known: an IPv6-only host has no IPv4 address.
        browser.process(response({MdnsMessage::Record::aaaa(host("B.local"), QHostAddress(u"fe80::2"_s), 120)}));
        QVERIFY(browser.instances().at(0).ipv4.isEmpty());
        QCOMPARE(browser.instances().at(0).ipv6, QList{QHostAddress(u"fe80::2"_s)});
        browser.process(response({MdnsMessage::Record::a(host("b.local"), QHostAddress(u"10.1.1.1"_s), 120),
                                  MdnsMessage::Record::text(instance, {}, 4500)}));
        QCOMPARE(browser.instances().at(0).ipv4, QList{QHostAddress(u"10.1.1.1"_s)});
        QCOMPARE(browser.instances().at(0).txt, QList<QByteArray>{});
        QCOMPARE(questions(browser.pendingQuery(false)), (QList<QPair<QString, quint16>>{}));
    }

    void goodbyesAndCacheFlush()
    {
        MdnsBrowser browser(serviceType);
        browser.process(fullAnnouncement("One", "one.local", "10.0.0.1"));
        browser.process(fullAnnouncement("Two", "two.local", "10.0.0.2"));
        QCOMPARE(names(browser.instances()), (QStringList{u"One"_s, u"Two"_s}));

        browser.process(response({MdnsMessage::Record::ptr(serviceType, instanceName("one"), 0)}));
        QCOMPARE(names(browser.instances()), QStringList{u"Two"_s});

        // A goodbye of the address alone leaves the service without one.
        browser.process(response({MdnsMessage::Record::a(host("two.local"), QHostAddress(u"10.0.0.2"_s), 0)}));
        QVERIFY(browser.instances().at(0).ipv4.isEmpty());

        // A returning service is new again, at the end of the order.
        browser.process(fullAnnouncement("One", "one.local", "10.0.0.1"));
        QCOMPARE(names(browser.instances()), (QStringList{u"Two"_s, u"One"_s}));

        // A cache-flush record replaces the addresses; without the flag one is added.
        auto moved = MdnsMessage::Record::a(host("one.local"), QHostAddress(u"10.0.0.9"_s), 120);
        moved.cacheFlush = true;
        browser.process(response({moved}));
        QCOMPARE(browser.instances().at(1).ipv4, QList{QHostAddress(u"10.0.0.9"_s)});
        browser.process(response({MdnsMessage::Record::a(host("one.local"), QHostAddress(u"10.0.0.1"_s), 120)}));
        QCOMPARE(browser.instances().at(1).ipv4, (QList{QHostAddress(u"10.0.0.9"_s), QHostAddress(u"10.0.0.1"_s)}));
    }

    void ignoresWhatIsNotOurs_data()
    {
        QTest::addColumn<MdnsMessage>("message");
        auto query = fullAnnouncement("Q", "q.local", "10.0.0.1");
        query.flags = 0;
        QTest::newRow("a query's known answers") << query;
        auto badOpcode = fullAnnouncement("Q", "q.local", "10.0.0.1");
        badOpcode.flags |= 0x2000;
        QTest::newRow("other opcode") << badOpcode;
        QTest::newRow("other service type") << response({MdnsMessage::Record::ptr(
            MdnsName::fromDotted(u"_ipp._tcp.local"), MdnsName::fromDotted(u"Printer._ipp._tcp.local"), 120)});
        QTest::newRow("PTR to a name outside the type")
            << response({MdnsMessage::Record::ptr(serviceType, MdnsName::fromDotted(u"x._ipp._tcp.local"), 120)});
        QTest::newRow("SRV without PTR") << response(
            {MdnsMessage::Record::srv(instanceName("Lone"), host("lone.local"), 443, 120)});
        auto chaos = fullAnnouncement("C", "c.local", "10.0.0.1");
        for (auto &record : chaos.answers)
            record.klass = 3;
        QTest::newRow("other class") << chaos;
    }
    void ignoresWhatIsNotOurs()
    {
        QFETCH(MdnsMessage, message);
        MdnsBrowser browser(serviceType);
        browser.process(message);
        QVERIFY(browser.instances().isEmpty());
    }

    void boundedUnderFloods()
    {
        MdnsBrowser browser(serviceType);
        MdnsMessage flood = response({});
        for (int i = 0; i < 2000; ++i) {
            const auto instance = instanceName(QByteArray::number(i).constData());
            flood.answers.append(MdnsMessage::Record::ptr(serviceType, instance, 120));
            flood.answers.append(MdnsMessage::Record::srv(instance, host("flood.local"), 443, 120));
            flood.answers.append(
                MdnsMessage::Record::a(host("flood.local"), QHostAddress(quint32(0x0a000000 + i)), 120));
        }
        browser.process(flood);
        QCOMPARE(browser.instances().size(), MdnsBrowser::maxInstances);
        QCOMPARE(browser.instances().at(0).ipv4.size(), MdnsBrowser::maxAddressesPerHost);
    }

    void questionHistoryStaysBounded()
    {
        MdnsBrowser browser(serviceType);
        // Services that come and go, each asked about once: the history
        // keeps only what is still missing.
        for (int i = 0; i < 1000; ++i) {
            const auto instance = instanceName(QByteArray::number(i).constData());
            browser.process(response({MdnsMessage::Record::ptr(serviceType, instance, 120)}));
            QCOMPARE(browser.takeQuery(false).questions.size(), 2); // its SRV and TXT
            browser.process(response({MdnsMessage::Record::ptr(serviceType, instance, 0)}));
        }
        browser.process(response({MdnsMessage::Record::ptr(serviceType, instanceName("Last"), 120)}));
        QCOMPARE(browser.takeQuery(true).questions.size(), 3);
        QCOMPARE(browser.questionHistorySize(), 2);
        // Asked a moment ago: not again yet; the browse question always.
        QCOMPARE(questions(browser.takeQuery(true)),
                 (QList<QPair<QString, quint16>>{{u"_hue._tcp.local"_s, MdnsMessage::PTR}}));
        QCOMPARE(browser.questionHistorySize(), 2);
    }

    void onlyNeighboursAreOnTheLink_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<bool>("onLink");
        QTest::newRow("loopback") << u"127.0.0.1"_s << true;
        QTest::newRow("link-local") << u"169.254.10.20"_s << true;
        QTest::newRow("own subnet") << u"192.168.1.77"_s << true;
        QTest::newRow("own subnet, mapped") << u"::ffff:192.168.1.77"_s << true;
        QTest::newRow("neighbouring subnet") << u"192.168.2.77"_s << false;
    }
    void onlyNeighboursAreOnTheLink()
    {
        QFETCH(QString, sender);
        QFETCH(bool, onLink);
        QNetworkAddressEntry local;
        local.setIp(QHostAddress(u"192.168.1.10"_s));
        local.setPrefixLength(24);
        QCOMPARE(MdnsSocket::isOnLink(QHostAddress(sender), {local}), onLink);
    }

    void addedInstanceIsResolvedWithoutBrowsing()
    {
        MdnsBrowser browser(serviceType);
        browser.setBrowsing(false);
        browser.addInstance(instanceName("Known"));
        QCOMPARE(questions(browser.pendingQuery(true)),
                 (QList<QPair<QString, quint16>>{{u"Known._hue._tcp.local"_s, MdnsMessage::SRV},
                                                 {u"Known._hue._tcp.local"_s, MdnsMessage::TXT}}));
        // A goodbye for its PTR does not remove what was asked for explicitly.
        browser.process(response({MdnsMessage::Record::ptr(serviceType, instanceName("Known"), 0)}));
        QCOMPARE(names(browser.instances()), QStringList{u"Known"_s});
    }

    void shortLivedRecordsExpire()
    {
        MdnsBrowser browser(serviceType);
        browser.process(fullAnnouncement("Brief", "brief.local", "10.0.0.3", 1));
        QCOMPARE(browser.instances().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(browser.instances().isEmpty(), 5000);
    }
};

QTEST_GUILESS_MAIN(TestMdnsBrowser)
#include "tst_mdnsbrowser.moc"
