// The executable's --mdns announcement, checked with plain multicast DNS
// queries. Runs only inside a private network namespace (the test's wrapper
// creates one); anywhere else it skips rather than send multicast.

#include "SimProcess.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTest>
#include <QUdpSocket>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace SimTest;

namespace {

QByteArray query(const QByteArray &name, quint16 type)
{
    QByteArray packet(12, '\0');
    packet[5] = 1; // one question
    for (const QByteArray &label : name.split('.')) {
        packet += char(label.size());
        packet += label;
    }
    packet += '\0';
    char tail[4];
    qToBigEndian<quint16>(type, tail);
    qToBigEndian<quint16>(0x8001, tail + 2); // class IN, unicast response wanted
    packet += QByteArray(tail, 4);
    return packet;
}

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

class TestBridgeSimMdns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void announcesAndFollowsAMove();

private:
    QByteArray ask(const QByteArray &name, quint16 type);
};

QByteArray TestBridgeSimMdns::ask(const QByteArray &name, quint16 type)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return {};
    socket.setMulticastInterface(QNetworkInterface::interfaceFromName(u"lo"_s));
    socket.writeDatagram(query(name, type), QHostAddress(u"224.0.0.251"_s), 5353);
    QByteArray answers;
    [[maybe_unused]] const bool any = QTest::qWaitFor(
        [&] {
            while (socket.hasPendingDatagrams())
                answers += socket.receiveDatagram().data();
            return !answers.isEmpty();
        },
        5000);
    return answers;
}

void TestBridgeSimMdns::announcesAndFollowsAMove()
{
    if (!onlyLoopback())
        QSKIP("multicast DNS is only sent inside a private network namespace");
    SimProcess sim;
    QVERIFY2(sim.start({u"--mdns"_s, u"--bridge-id"_s, u"001788FFFEA532A7"_s, u"--model"_s, u"BSB003"_s}),
             sim.errors.constData());
    const quint16 port = sim.values.value(u"PORT"_s).toUShort();

    const QByteArray services = ask("_hue._tcp.local", 12);
    QVERIFY(services.contains("Hue Bridge - A532A7"));
    const QByteArray instance = ask("Hue Bridge - A532A7._hue._tcp.local", 33); // SRV
    char portBytes[2];
    qToBigEndian<quint16>(port, portBytes);
    QVERIFY(instance.contains(QByteArray(portBytes, 2)));
    QVERIFY(instance.contains("001788a532a7"));
    const QByteArray txt = ask("Hue Bridge - A532A7._hue._tcp.local", 16);
    QVERIFY(txt.contains("bridgeid=001788fffea532a7"));
    QVERIFY(txt.contains("modelid=BSB003"));

    QVERIFY(sim.jsonCommand("move 127.0.0.2").value(u"ok"_s).toBool());
    const QByteArray address = ask("001788a532a7.local", 1);
    QVERIFY(address.contains(QByteArray("\x7f\x00\x00\x02", 4)));

    sim.command("quit");
    QVERIFY(sim.finishes());
    QCOMPARE(sim.process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestBridgeSimMdns)
#include "tst_bridgesimmdns.moc"
