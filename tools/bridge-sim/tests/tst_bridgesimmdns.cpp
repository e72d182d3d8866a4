// The executable's --mdns announcement, asked with the library's own message
// codec: one PTR question brings the instance, its SRV, TXT and A records; a
// move re-announces the address. Runs only inside a private network namespace.

#include "MdnsMessage.h"
#include "PrivateNetwork.h"
#include "TestProcess.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

namespace {

/// Every record of the first answer to one unicast-response question.
QList<MdnsMessage::Record> ask(const QString &name, quint16 type)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return {};
    socket.setMulticastInterface(QNetworkInterface::interfaceFromName(u"lo"_s));
    MdnsMessage query;
    query.questions = {{MdnsName::fromDotted(name), type, MdnsMessage::classIN, true}};
    socket.writeDatagram(query.toBytes(), QHostAddress(u"224.0.0.251"_s), 5353);
    std::optional<MdnsMessage> answer;
    [[maybe_unused]] const bool answered = QTest::qWaitFor(
        [&] {
            while (socket.hasPendingDatagrams() && !answer)
                answer = MdnsMessage::parse(socket.receiveDatagram().data());
            return answer.has_value();
        },
        5000);
    return answer ? answer->answers + answer->additionals : QList<MdnsMessage::Record>{};
}

const MdnsMessage::Record *find(const QList<MdnsMessage::Record> &records, quint16 type)
{
    const auto found = std::find_if(records.cbegin(), records.cend(), [type](auto &r) { return r.type == type; });
    return found == records.cend() ? nullptr : &*found;
}

} // namespace

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

        const QList<MdnsMessage::Record> records = ask(u"_hue._tcp.local"_s, MdnsMessage::PTR);
        const auto *ptr = find(records, MdnsMessage::PTR);
        const auto *srv = find(records, MdnsMessage::SRV);
        const auto *txt = find(records, MdnsMessage::TXT);
        QVERIFY(ptr && srv && txt && find(records, MdnsMessage::A));
        QCOMPARE(ptr->target, MdnsName::fromDotted(u"Hue Bridge - A532A7._hue._tcp.local"_s));
        QCOMPARE(srv->port, sim.values.value(u"PORT"_s).toUShort());
        QCOMPARE(srv->target, MdnsName::fromDotted(u"001788a532a7.local"_s));
        QCOMPARE(txt->txtValue("bridgeid"), "001788fffea532a7"_ba);
        QCOMPARE(txt->txtValue("modelid"), "BSB003"_ba);

        QVERIFY(sim.jsonCommand("move 127.0.0.2").value(u"ok"_s).toBool());
        const auto *address = find(ask(u"001788a532a7.local"_s, MdnsMessage::A), MdnsMessage::A);
        QVERIFY(address);
        QCOMPARE(address->address, QHostAddress(u"127.0.0.2"_s));

        sim.command("quit");
        QVERIFY(sim.finishes());
        QCOMPARE(sim.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestBridgeSimMdns)
#include "tst_bridgesimmdns.moc"
