// The pure parts of the event stream: cutting bytes into lines and turning
// one line into events.
#include "HueEventStreamParser.h"
#include "HueLineSplitter.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString updateEvent = uR"({"type":"update","id":"e1","data":[{"id":"l1","type":"light","on":{"on":true}}]})"_s;

QStringList feedAll(HueLineSplitter &splitter, const QList<QByteArray> &chunks)
{
    QStringList lines;
    for (const QByteArray &chunk : chunks)
        lines += splitter.feed(chunk);
    lines += splitter.finish();
    return lines;
}

} // namespace

class TestEventStream : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("events"); // -1: nothing

        QTest::newRow("no space after colon") << u"data:["_s + updateEvent + u']' << 1;
        QTest::newRow("tab before, spaces after") << u"data:\t["_s + updateEvent + u"]   "_s << 1;
        QTest::newRow("unicode spaces around") << u"data:\u00A0\u3000["_s + updateEvent + u"]\u2003"_s << 1;
        QTest::newRow("empty array") << u"data: []"_s << -1;
        QTest::newRow("object, not array") << u"data: "_s + updateEvent << -1;
        QTest::newRow("first element not an object") << u"data: [42,"_s + updateEvent + u']' << 1;
        QTest::newRow("only non-objects") << u"data: [1,\"x\",null]"_s << -1;
        QTest::newRow("mixed-case prefix") << u"Data: ["_s + updateEvent + u']' << -1;
        QTest::newRow("space before prefix") << u" data: ["_s + updateEvent + u']' << -1;
        QTest::newRow("comment") << u": hi"_s << -1;
        QTest::newRow("id line") << u"id: 1700000000:0"_s << -1;
        QTest::newRow("broken json") << u"data: [{\"type\":"_s << -1;
        QTest::newRow("deep nesting") << u"data: "_s + QString(5000, u'[') + QString(5000, u']') << -1;
        QTest::newRow("empty") << QString() << -1;
    }
    void parseLine()
    {
        QFETCH(QString, line);
        QFETCH(int, events);
        const auto parsed = HueEventStreamParser::events(line);
        if (events < 0) {
            QVERIFY(!parsed);
        } else {
            QVERIFY(parsed);
            QCOMPARE(parsed->size(), events);
            QCOMPARE(parsed->first().resources.first().id, u"l1"_s);
        }
    }
    // CR (LF), NEL, LS, PS, empty and unterminated lines: splitAtEveryByte; LF: every
    // message of tst_eventstreamclient.
    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("vt ff") << "a\013b\014c"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("other multibyte kept")
            << "\xc3\xa4\xe2\x82\xac\xc2\xa0x"_ba << QStringList{u"\u00e4\u20ac\u00a0x"_s};
        QTest::newRow("e2 80 not a break") << "a\342\200\224b"_ba << QStringList{u"a\u2014b"_s};
    }
    void splitLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        HueLineSplitter splitter;
        QCOMPARE(feedAll(splitter, {bytes}), lines);
    }
    // Network reads cut anywhere, also inside a CR LF pair or a multi-byte break.
    void splitAtEveryByte()
    {
        const QByteArray bytes = ": hi\r\n\r\nid: 1:0\r\ndata: [1]\342\200\250x\302\205y\342\200\251\r\303\244z"_ba;
        const QStringList expected{u": hi"_s, u"id: 1:0"_s, u"data: [1]"_s, u"x"_s, u"y"_s, u"\u00e4z"_s};
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            HueLineSplitter splitter;
            QCOMPARE(feedAll(splitter, {bytes.left(cut), bytes.mid(cut)}), expected);
        }
        QList<QByteArray> single;
        for (const char c : bytes)
            single.append(QByteArray(1, c));
        HueLineSplitter bytewise;
        QCOMPARE(feedAll(bytewise, single), expected);
    }
    void overlongLineIsSkipped()
    {
        // Limit 16 bytes: the long line is dropped whole, whether it arrives in
        // pieces or at once; the lines around it survive, and memory stays bounded.
        // One byte over the limit is refused; a line at the limit is kept, also
        // when its break comes in a later read.
        HueLineSplitter splitter(16);
        QStringList lines = splitter.feed("short\n0123456789"_ba);
        lines += splitter.feed("0123456789"_ba);
        lines += splitter.feed(QByteArray(1000, 'x'));
        lines += splitter.feed("tail\xe2\x80"_ba);
        lines += splitter.feed("\xa8next\n"_ba);
        lines += splitter.feed("0123456789abcdefg\nexactly 16 bytes\nexactly 16 bytes"_ba);
        lines += splitter.feed("\n"_ba);
        lines += splitter.finish();
        QCOMPARE(lines, (QStringList{u"short"_s, u"next"_s, u"exactly 16 bytes"_s, u"exactly 16 bytes"_s}));
        QCOMPARE(splitter.droppedLines(), 2);
    }
    void invalidUtf8IsReplaced()
    {
        HueLineSplitter splitter;
        const QStringList lines = feedAll(splitter, {"data: [\xff\xfe]\n"_ba, "ok\n"_ba});
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.first().contains(QChar::ReplacementCharacter));
        QCOMPARE(lines.last(), u"ok"_s);
    }
};

QTEST_GUILESS_MAIN(TestEventStream)
#include "tst_eventstream.moc"
