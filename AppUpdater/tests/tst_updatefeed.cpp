#include "Ed25519Signer.h"
#include "UpdateFeed.h"
#include "UpdateSignature.h"
#include "UpdateVersionComparator.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray feed(const QByteArray &items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:lumora="https://lumora.app/xml-namespaces/update-feed">
<channel><title>Lumora</title>)"
           + items + "</channel></rss>";
}

QByteArray item(const char *version, const char *url = "https://example.org/Lumora.tar.gz",
                const char *shortVersion = nullptr)
{
    QByteArray text = "<item><title>Lumora</title><lumora:version>" + QByteArray(version) + "</lumora:version>";
    if (shortVersion)
        text += "<lumora:shortVersionString>" + QByteArray(shortVersion) + "</lumora:shortVersionString>";
    text += R"(<enclosure url=")" + QByteArray(url) + R"(" length="12" lumora:edSignature="c2ln"/></item>)";
    return text;
}

} // namespace

class TestUpdateFeed : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << u"1.2.3"_s << u"1.2.3"_s << 0;
        QTest::newRow("numeric not text") << u"1.10"_s << u"1.9"_s << 1;
        QTest::newRow("leading zeros") << u"1.05"_s << u"1.5"_s << 0;
        QTest::newRow("more parts") << u"1.0.1"_s << u"1.0"_s << 1;
        QTest::newRow("beta older than release") << u"1.0b2"_s << u"1.0"_s << -1;
        QTest::newRow("beta order") << u"1.0b2"_s << u"1.0b10"_s << -1;
        QTest::newRow("digits beyond 64 bits")
            << u"123456789012345678901234567890"_s << u"123456789012345678901234567889"_s << 1;
        QTest::newRow("empty") << QString() << u"1"_s << -1;
    }
    void versionOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(UpdateVersionComparator::compare(a, b), order);
        QCOMPARE(UpdateVersionComparator::compare(b, a), -order);
    }
    void parseItems()
    {
        const UpdateFeed::Parsed parsed = UpdateFeed::parse(
            feed(item("20270101000000", "https://example.org/a.tar.gz", "0.2.0") + item("20261201000000")
                 + item("20280101000000", "http://example.org/insecure.tar.gz") // not https: dropped
                 + "<item><title>no version</title></item>" + item("20271231000000", "https://example.org/b.tar.gz")
                 + "<somethingElse><item>ignored</item></somethingElse>"));
        QVERIFY(!parsed.error);
        QCOMPARE(parsed.items.size(), 3);
        QCOMPARE(parsed.items.at(0).archiveLength, 12);
        // Without a marketing version the build stands in for it.
        QCOMPARE(parsed.items.at(1).displayVersionString, u"20261201000000"_s);
        QCOMPARE(UpdateFeed::newest(parsed.items).value_or(UpdateItem{}).archiveURL,
                 QUrl(u"https://example.org/b.tar.gz"_s));
        QVERIFY(!UpdateFeed::newest({}));

        // Elements of another namespace with the same local name do not count.
        const UpdateFeed::Parsed foreign =
            UpdateFeed::parse(feed("<item xmlns:x=\"urn:other\"><x:version>9</x:version>"
                                   "<enclosure url=\"https://e.org/a\" lumora:edSignature=\"c2ln\"/></item>"));
        QVERIFY(!foreign.error);
        QVERIFY(foreign.items.isEmpty());
    }
    void parseFailures_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not XML") << QByteArray("{\"version\": 2}");
        QTest::newRow("HTML") << QByteArray("<html><body>Not found</body></html>");
        QTest::newRow("cut off") << feed(item("2")).chopped(20);
        QTest::newRow("unbalanced") << QByteArray("<rss><channel><item></channel></rss>");
        // Each entity twenty of the one before: 48 * 20^4 characters if expanded.
        QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"" + QByteArray(48, 'a') + "\">";
        for (const char entity : {'b', 'c', 'd', 'e'})
            bomb += "<!ENTITY " + QByteArray(1, entity) + " \""
                    + QByteArray("&" + QByteArray(1, char(entity - 1)) + ";").repeated(20) + "\">";
        QTest::newRow("entity bomb") << QByteArray(bomb
                                                   + "]><rss><channel><item><title>&e;</title></item></channel></rss>");
    }
    void parseFailures()
    {
        QFETCH(QByteArray, document);
        const UpdateFeed::Parsed parsed = UpdateFeed::parse(document);
        QVERIFY(parsed.error);
        QVERIFY(!parsed.error->isEmpty());
        QVERIFY(parsed.items.isEmpty());
    }
    void signatures()
    {
        const Ed25519Signer signer;
        const QByteArray key = signer.publicKey();
        const QByteArray archive = "the archive's bytes";
        const QString signature = QString::fromLatin1(signer.sign(archive));
        const QByteArray raw = QByteArray::fromBase64(signature.toLatin1());
        QByteArray flipped = raw;
        flipped[10] = char(flipped[10] ^ 1);

        using UpdateSignature::Result;
        QCOMPARE(UpdateSignature::verify(key, signature, archive), Result::valid);
        QCOMPARE(UpdateSignature::verify(key, signature, QByteArray("the archive's bytes!")), Result::invalid);
        QCOMPARE(UpdateSignature::verify(Ed25519Signer().publicKey(), signature, archive), Result::invalid);
        QCOMPARE(UpdateSignature::verify(key, QString::fromLatin1(flipped.toBase64()), archive), Result::invalid);
        QCOMPARE(UpdateSignature::verify(key, QString::fromLatin1(raw.left(63).toBase64()), archive),
                 Result::malformedSignature);
        QCOMPARE(UpdateSignature::verify(key, QString::fromLatin1(QByteArray(raw + 'x').toBase64()), archive),
                 Result::malformedSignature);
        QCOMPARE(UpdateSignature::verify(key, u"%%%"_s, archive), Result::malformedSignature);
        QCOMPARE(UpdateSignature::verify(key.left(31), signature, archive), Result::malformedKey);
        QCOMPARE(UpdateSignature::verify(key, QString::fromLatin1(signer.sign({})), QByteArrayView()), Result::valid);
    }
};

QTEST_GUILESS_MAIN(TestUpdateFeed)
#include "tst_updatefeed.moc"
