// The responder as other mDNS software sees it: a plain DNS resolver gets a
// legacy unicast answer, and a rename withdraws the old instance. What a
// browser reads of its announcements (name, SRV port, address, TXT) is read by
// the kit's own browser in tst_lumoractl_discover and tst_discovery_netns, and
// that browser reads python3-zeroconf's in tst_discovery_netns.
// Runs only inside the private network namespace that the test run creates.
#include "MdnsResponder.h"
#include "MdnsSocket.h"
#include "PrivateNetwork.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

namespace {

const QMap<QByteArray, QByteArray> bridgeTxt{{"bridgeid", "0017880a0b0cfffe"}, {"modelid", "BSB002"}};

void configure(MdnsResponder &responder)
{
    responder.setService(u"Hue Bridge - 0A0B0C"_s, u"0017880a0b0c.local"_s, QHostAddress(u"127.0.0.5"_s), 443,
                         bridgeTxt);
}

bool isGoodbye(const MdnsMessage &message)
{
    return std::all_of(message.answers.cbegin(), message.answers.cend(), [](auto &r) { return r.ttl == 0; });
}

} // namespace

class TestMdnsResponder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { LUMORA_SKIP_OUTSIDE_PRIVATE_NETWORK(); }
    // A question for somebody else is not answered: the answer to the next
    // question, asked from the same socket, is the first to arrive.
    void answersALegacyResolverByUnicast()
    {
        MdnsResponder responder;
        QString error;
        QVERIFY(!responder.start(&error) && !error.isEmpty());                       // nothing to announce yet
        responder.setService(u"x"_s, u"x.local"_s, QHostAddress(u"::1"_s), 443, {}); // nor without IPv4
        QVERIFY(!responder.start(&error) && !responder.isRunning());
        configure(responder);
        QVERIFY2(responder.start(&error), qPrintable(error));
        QUdpSocket resolver;
        QVERIFY(resolver.bind(QHostAddress(u"127.0.0.1"_s), 0));
        MdnsMessage query;
        query.id = 0x4241;
        query.questions = {{MdnsName::fromDotted(u"other.local"), MdnsMessage::A}};
        resolver.writeDatagram(query.toBytes(), MdnsSocket::group(), MdnsSocket::port);
        query.id = 0x4242;
        query.questions = {{MdnsName::fromDotted(u"0017880A0B0C.local"), MdnsMessage::A}};
        resolver.writeDatagram(query.toBytes(), MdnsSocket::group(), MdnsSocket::port);
        QTRY_VERIFY_WITH_TIMEOUT(resolver.hasPendingDatagrams(), 5000);
        const auto answer = MdnsMessage::parse(resolver.receiveDatagram().data());
        QVERIFY(answer);
        QCOMPARE(answer->id, quint16(0x4242));
        QCOMPARE(answer->questions, query.questions);
        QCOMPARE(answer->answers.size(), 1);
        const auto &a = answer->answers.at(0);
        QCOMPARE(a.address, QHostAddress(u"127.0.0.5"_s));
        QVERIFY(a.ttl <= 10);
        QVERIFY(!a.cacheFlush);
    }
    // Multicast queries and announcements are what the discovery tests and
    // the simulator's browse see; here what they never do, and the goodbye.
    void renamesAndStopsFromItsOwnSignal()
    {
        MdnsSocket listener;
        QVERIFY(listener.open(false));
        QList<MdnsMessage> heard;
        connect(&listener, &MdnsSocket::messageReceived, this,
                [&](const MdnsMessage &message) { heard.append(message); });
        MdnsResponder responder;
        configure(responder);
        QVERIFY(responder.start());
        QTRY_VERIFY_WITH_TIMEOUT(!heard.isEmpty(), 5000); // the announcement at start

        // Renaming while running withdraws the old instance and announces the new.
        heard.clear();
        responder.setService(u"Hue Bridge - 0A0B0D"_s, u"0017880a0b0d.local"_s, QHostAddress(u"127.0.0.6"_s), 443,
                             bridgeTxt);
        QTRY_VERIFY_WITH_TIMEOUT(heard.size() >= 2, 5000);
        QVERIFY(isGoodbye(heard.at(0)));
        QCOMPARE(heard.at(0).answers.at(0).target, MdnsName::fromDotted(u"Hue Bridge - 0A0B0C._hue._tcp.local"));
        QCOMPARE(heard.at(1).answers.at(0).target, MdnsName::fromDotted(u"Hue Bridge - 0A0B0D._hue._tcp.local"));
        QVERIFY(heard.at(1).answers.at(0).ttl > 0);

        // Stopping from a slot of its own signal is safe, and it starts again.
        connect(&responder, &MdnsResponder::queryAnswered, &responder, &MdnsResponder::stop);
        MdnsMessage query;
        query.questions = {{MdnsName::fromDotted(u"_hue._tcp.local"), MdnsMessage::PTR}};
        heard.clear();
        listener.sendMulticast(query);
        QTRY_VERIFY_WITH_TIMEOUT(!responder.isRunning(), 5000);
        // Stopping says goodbye, so that browsers forget the bridge at once.
        const auto renamedGoodbye = [](const MdnsMessage &m) {
            return !m.answers.isEmpty() && isGoodbye(m)
                   && m.answers.at(0).target == MdnsName::fromDotted(u"Hue Bridge - 0A0B0D._hue._tcp.local");
        };
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(heard.cbegin(), heard.cend(), renamedGoodbye), 5000);
        heard.clear();
        QVERIFY(responder.start());
        // Not the goodbye of the stop, which may still be on its way.
        QTRY_VERIFY_WITH_TIMEOUT(!heard.isEmpty() && !isGoodbye(heard.last()), 5000);
    }
};

QTEST_GUILESS_MAIN(TestMdnsResponder)
#include "tst_mdnsresponder.moc"
