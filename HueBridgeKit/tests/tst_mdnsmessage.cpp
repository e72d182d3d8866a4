// The multicast DNS codec on hand-built packets, on the shapes real responders
// send, and on hostile input.
#include "MdnsMessage.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

MdnsName dotted(const char *text)
{
    return MdnsName::fromDotted(QString::fromLatin1(text));
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A response as a bridge sends it: PTR answer, then SRV, TXT and A in the
// additional section, every name after the first compressed.
QByteArray bridgeResponse()
{
    QByteArray p = hex("0000 8400 0000 0001 0000 0003");
    // answer: _hue._tcp.local PTR "Hue Bridge - A532A7"._hue._tcp.local
    p += hex("045f687565 045f746370 056c6f63616c 00 000c 0001 00001194"); // name at 12
    p += hex("0016") + "\023Hue Bridge - A532A7"_ba + hex("c00c");        // instance at 39
    // SRV: instance -> 001788a532a7.local:443
    p += hex("c027 0021 8001 00000078 0015 0000 0000 01bb") + "\014001788a532a7"_ba + hex("c016");
    // TXT: bridgeid and modelid
    p += hex("c027 0010 8001 00001194 0029") + "\031bridgeid=001788fffea532a7\016modelid=BSB002"_ba;
    // A for the host, pointing into the SRV record's target
    return p + hex("c0") + char(p.indexOf("\014001788a532a7")) + hex("0001 8001 00000078 0004 c0a8010a");
}

} // namespace

class TestMdnsMessage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsABridgeResponse()
    {
        const auto message = MdnsMessage::parse(bridgeResponse());
        QVERIFY(message && message->isResponse() && message->isStandard());
        const auto instance = MdnsName::instance(u"Hue Bridge - A532A7"_s, dotted("_hue._tcp.local"));
        const auto host = dotted("001788a532a7.local");
        auto srv = MdnsMessage::Record::srv(instance, host, 443, 120);
        auto txt = MdnsMessage::Record::text(instance, {"bridgeid=001788fffea532a7", "modelid=BSB002"}, 4500);
        auto a = MdnsMessage::Record::a(host, QHostAddress(u"192.168.1.10"_s), 120);
        for (auto *record : {&srv, &txt, &a})
            record->cacheFlush = true;
        // Names compare without case.
        QCOMPARE(message->answers, QList{MdnsMessage::Record::ptr(dotted("_HUE._tcp.LOCAL"), instance, 4500)});
        QCOMPARE(message->additionals, (QList{srv, txt, a}));
    }

    // As python-zeroconf announces an IPv6-only service: the TXT record has no
    // data at all (not even the one empty string), the address is AAAA.
    void readsAZeroconfAnnouncement()
    {
        const auto message = MdnsMessage::parse(
            hex("000084000000000400000000045f687565045f746370056c6f63616c00000c000100001194000603536978c00cc02700218001"
                "00000078000b0000000001bb0373697800c02700108001000011940000c03f001c8001000000780010000000000000000000"
                "00000000000001"));
        QVERIFY(message);
        QCOMPARE(message->answers.size(), 4);
        QCOMPARE(message->answers.at(0).target.toString(), u"Six._hue._tcp.local"_s);
        QCOMPARE(message->answers.at(1).target.toString(), u"six"_s);
        QCOMPARE(message->answers.at(2).type, quint16(MdnsMessage::TXT));
        QCOMPARE(message->answers.at(2).txt, QList<QByteArray>{});
        QCOMPARE(message->answers.at(3).address, QHostAddress(u"::1"_s));
    }

    void txtValues_data()
    {
        QTest::addColumn<QList<QByteArray>>("strings");
        QTest::addColumn<std::optional<QByteArray>>("bridgeID");
        QTest::newRow("other keys") << QList<QByteArray>{"modelid=BSB002"} << std::optional<QByteArray>();
        QTest::newRow("first wins") << QList<QByteArray>{"BridgeID=aa", "bridgeid=bb"}
                                    << std::optional<QByteArray>("aa");
        QTest::newRow("key without value")
            << QList<QByteArray>{"bridgeid", "bridgeid=bb"} << std::optional<QByteArray>();
        QTest::newRow("empty value") << QList<QByteArray>{"bridgeid="} << std::optional<QByteArray>("");
        QTest::newRow("value with =") << QList<QByteArray>{"bridgeid=a=b"} << std::optional<QByteArray>("a=b");
        QTest::newRow("longer key") << QList<QByteArray>{"bridgeidx=1"} << std::optional<QByteArray>();
    }
    void txtValues()
    {
        QFETCH(QList<QByteArray>, strings);
        QFETCH(std::optional<QByteArray>, bridgeID);
        QCOMPARE(MdnsMessage::Record::text(dotted("x.local"), strings, 1).txtValue("bridgeid"), bridgeID);
    }

    void writesAndReadsBack()
    {
        const auto type = dotted("_hue._tcp.local");
        const auto instance = MdnsName::instance(u"Philips hue.Bridge - 122DCF"_s, type); // a dot inside a label
        const auto host = dotted("001788a532a7.local");
        MdnsMessage message;
        message.id = 0x1234;
        message.flags = MdnsMessage::flagResponse | MdnsMessage::flagAuthoritative;
        message.questions = {{type, MdnsMessage::PTR, MdnsMessage::classIN, true}};
        message.answers = {MdnsMessage::Record::ptr(type, instance, 4500)};
        auto srv = MdnsMessage::Record::srv(instance, host, 443, 120);
        srv.cacheFlush = true;
        message.authorities = {srv};
        message.additionals = {
            MdnsMessage::Record::text(instance, {"bridgeid=001788fffea532a7", "modelid=BSB003"}, 4500),
            MdnsMessage::Record::text(instance, {}, 4500),
            MdnsMessage::Record::a(host, QHostAddress(u"10.0.0.7"_s), 120),
            MdnsMessage::Record::aaaa(host, QHostAddress(u"fe80::1"_s), 120)};
        MdnsMessage::Record nsec; // a type the codec does not know is kept as received
        nsec.name = host;
        nsec.type = MdnsMessage::NSEC;
        nsec.ttl = 120;
        nsec.data = hex("c00c 0004 40000008");
        message.additionals.append(nsec);

        const QByteArray bytes = message.toBytes();
        QCOMPARE(MdnsMessage::parse(bytes), std::optional(message));
        // The instance and host names are stored once, then pointed at.
        QCOMPARE(bytes.count("_hue"), 1);
        QCOMPARE(bytes.count("001788a532a7"), 1);
        QCOMPARE(bytes.count("Philips hue.Bridge"), 1);
        // An empty TXT record is one empty string on the wire (RFC 6763, 6.1).
        QVERIFY(bytes.contains(hex("00001194 0001 00")));
    }

    // Every packet comes from the network: none of these may crash, loop or
    // allocate without bound, and none yields a message.
    // Packets cut short anywhere are everyTruncationIsRefused's.
    void rejectsMalformedPackets_data()
    {
        QTest::addColumn<QByteArray>("packet");
        const QByteArray header1q = hex("0000 0000 0001 0000 0000 0000");
        QTest::newRow("question count beyond packet") << hex("0000 0000 ffff 0000 0000 0000 00 0001 0001");
        QTest::newRow("record count beyond packet") << hex("0000 8400 0000 ffff ffff ffff") + QByteArray(100, 0);
        QTest::newRow("pointer to itself") << header1q + hex("c00c 000c 0001");
        QTest::newRow("pointer forward") << header1q + hex("c00e 000c 0001 00");
        QTest::newRow("pointer out of bounds") << header1q + hex("c3ff 000c 0001");
        QTest::newRow("pointer loop") << header1q + hex("036162 c00c 000c 0001");
        QTest::newRow("reserved label type") << header1q + hex("41 61 00 000c 0001");
        QByteArray longName = header1q;
        for (int i = 0; i < 5; ++i)
            longName += char(63) + QByteArray(63, 'a');
        longName += hex("00 000c 0001");
        QTest::newRow("name over 255 bytes") << longName;
    }
    void rejectsMalformedPackets()
    {
        QFETCH(QByteArray, packet);
        QVERIFY(!MdnsMessage::parse(packet));
    }

    // Data that does not fit its record type costs only that record.
    void dropsRecordsWithBadData_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("TXT string longer than the record") << hex("00 0010 0001 00000078 0005 0661626364");
        QTest::newRow("A of five bytes") << hex("00 0001 0001 00000078 0005 c0a8010a00");
        QTest::newRow("AAAA of four bytes") << hex("00 001c 0001 00000078 0004 c0a8010a");
        QTest::newRow("SRV without target") << hex("00 0021 0001 00000078 0006 000000000050");
        QTest::newRow("PTR target beyond the record") << hex("00 000c 0001 00000078 0004 05616263");
        QTest::newRow("PTR pointing forward") << hex("00 000c 0001 00000078 0002 c020");
    }
    void dropsRecordsWithBadData()
    {
        QFETCH(QByteArray, record);
        const QByteArray good = hex("00 0001 0001 00000078 0004 7f000001");
        const auto message = MdnsMessage::parse(QByteArray(hex("0000 8400 0000 0002 0000 0000") + record + good));
        QVERIFY(message);
        QCOMPARE(message->answers, QList{MdnsMessage::Record::a(MdnsName(), QHostAddress(u"127.0.0.1"_s), 120)});
    }

    void everyTruncationIsRefused()
    {
        const QByteArray full = bridgeResponse();
        QVERIFY(MdnsMessage::parse(full));
        for (qsizetype length = 0; length < full.size(); ++length)
            QVERIFY2(!MdnsMessage::parse(full.first(length)), qPrintable(QString::number(length)));
    }

    void readsThousandsOfRecordsWithinThePacket()
    {
        MdnsMessage message;
        message.flags = MdnsMessage::flagResponse;
        const auto host = dotted("many.local");
        for (quint32 i = 0; i < 4000; ++i)
            message.answers.append(MdnsMessage::Record::a(host, QHostAddress(0x0a000000 + i), 120));
        const QByteArray bytes = message.toBytes();
        QVERIFY(bytes.size() < 65536);
        QCOMPARE(MdnsMessage::parse(bytes), std::optional(message));
    }

    void longestNameIsAccepted()
    {
        // 3 x 63-byte labels + one 61-byte label: 4 + 250 + 1 = 255 bytes.
        MdnsName name;
        for (int i = 0; i < 3; ++i)
            name.labels.append(QByteArray(63, 'a' + char(i)));
        name.labels.append(QByteArray(61, 'z'));
        QCOMPARE(name.wireLength(), 255);
        QVERIFY(name.isValid());
        MdnsMessage message;
        message.questions = {{name, MdnsMessage::A}};
        QCOMPARE(MdnsMessage::parse(message.toBytes()), std::optional(message));
        // One byte more is refused: rejectsMalformedPackets "name over 255 bytes".
        name.labels.last().append('z');
        QVERIFY(!name.isValid());
    }

    void namesCompareWithoutCase()
    {
        // Case-blind matching in the browse cache is tst_mdnsbrowser's (goodbye
        // of "one" for "One", AAAA of "B.local"); here what must not match.
        QCOMPARE(dotted("Hue.LOCAL").key(), dotted("hue.local.").key());
        QVERIFY(!(dotted("a.b.local") == dotted("ab.local")));
        QVERIFY(!dotted("local").endsWith(dotted("_hue._tcp.local")));
        // Non-ASCII bytes are compared exactly.
        QVERIFY(!(MdnsName{{"\xc3\x84"}} == MdnsName{{"\xc3\xa4"}}));
    }
};

QTEST_APPLESS_MAIN(TestMdnsMessage)
#include "tst_mdnsmessage.moc"
