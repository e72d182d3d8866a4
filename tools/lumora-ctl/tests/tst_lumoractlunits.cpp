// The parts of lumora-ctl that need no bridge: the command line's checks, the
// changes `watch` reports between two pictures of the home, and what reaches
// the terminal of the names a bridge or the network hands over.
#include "BridgeFixture.h"
#include "CtlArguments.h"
#include "CtlFailure.h"
#include "CtlFormat.h"
#include "CtlWatch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace BridgeFixture;

namespace {

HueEvent bridgeEvent(const QString &kind, const QString &id, const QString &type, const QByteArray &patch = "{}")
{
    QJsonObject data = QJsonDocument::fromJson(patch).object();
    data.insert(u"id"_s, id);
    data.insert(u"type"_s, type);
    return *HueEvent::fromJson(QJsonObject{{u"type"_s, kind}, {u"data"_s, QJsonArray{data}}});
}

} // namespace

class TestLumoraCtlUnits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void changes_data()
    {
        QTest::addColumn<QList<HueEvent>>("events");
        QTest::addColumn<QStringList>("expected"); // "type change id" for each change, in order

        const QString update = u"update"_s;
        QTest::newRow("a light switched off")
            << QList<HueEvent>{bridgeEvent(update, colorLight1, u"light"_s, R"({"on":{"on":false}})")}
            << QStringList{u"light changed "_s + colorLight1};
        QTest::newRow("the same state again is no change")
            << QList<HueEvent>{bridgeEvent(update, colorLight1, u"light"_s, R"({"on":{"on":true}})")} << QStringList{};
        QTest::newRow("a zone's grouped light")
            << QList<HueEvent>{bridgeEvent(update, zoneGroupedLight, u"grouped_light"_s, R"({"on":{"on":false}})")}
            << QStringList{u"zone changed "_s + zoneID};
        QTest::newRow("a scene deleted") << QList<HueEvent>{bridgeEvent(u"delete"_s, regularScene, u"scene"_s)}
                                         << QStringList{u"scene removed "_s + regularScene};
        // Lights before groups before scenes, whatever the order of the events.
        QTest::newRow("a light renamed, then a scene inactive")
            << QList<HueEvent>{bridgeEvent(update, regularScene, u"scene"_s, R"({"status":{"active":"inactive"}})"),
                               bridgeEvent(update, colorLight1, u"light"_s, R"({"metadata":{"name":"Desk"}})")}
            << QStringList{u"light changed "_s + colorLight1, u"scene changed "_s + regularScene};
    }
    void changes()
    {
        QFETCH(QList<HueEvent>, events);
        QFETCH(QStringList, expected);
        const HueHome before = BridgeFixture::home();
        HueHome after = before;
        for (const HueEvent &event : events)
            QVERIFY(after.apply(event));
        QStringList summary;
        for (const CtlWatch::Change &change : CtlWatch::changes(before, after))
            summary.append(change.type + u' ' + change.change + u' ' + change.id);
        QCOMPARE(summary, expected);
    }
    void removedKeepsTheLastState()
    {
        const HueHome before = BridgeFixture::home();
        HueHome after = before;
        QVERIFY(after.apply(bridgeEvent(u"delete"_s, colorLight1, u"light"_s)));
        const auto light = [](const QList<CtlWatch::Change> &changes) {
            const auto found = std::find_if(changes.cbegin(), changes.cend(),
                                            [](const CtlWatch::Change &change) { return change.id == colorLight1; });
            return found == changes.cend() ? CtlWatch::Change{} : *found;
        };
        const CtlWatch::Change removed = light(CtlWatch::changes(before, after));
        QCOMPARE(removed.change, u"removed"_s);
        QCOMPARE(removed.state.value("on"_L1).toBool(), true);
        QCOMPARE(removed.name, u"Hue light with color and color temperature 1"_s);
        // And back again: added.
        QCOMPARE(light(CtlWatch::changes(after, before)).change, u"added"_s);
    }
    void outsideTextReachesNoTerminalRaw_data()
    {
        // A name from the bridge or the network; what it becomes inside a
        // line, and what the output's last net lets through.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("inLine");
        QTest::addColumn<QString>("written");
        const QString x = QString(QChar::ReplacementCharacter);
        const auto row = [](const char *name, const QString &text, const QString &inLine, const QString &written) {
            QTest::newRow(name) << text << inLine << written;
        };
        const QString title = x + u"]0;owned"_s + x + u"Desk"_s;
        row("terminal title", u"\u001b]0;owned\u0007Desk"_s, title, title);
        const QString c1 = x + u"2J"_s + x + x + u"A"_s + x;
        row("C1 CSI, DEL, CR, NUL", u"\u009b2J\u007f\rA"_s + QChar(0), c1, c1);
        row("forged line and column", u"Desk\nfake line\tcolumn"_s, u"Desk"_s + x + u"fake line"_s + x + u"column"_s,
            u"Desk\nfake line\tcolumn"_s);
        row("letters stay", u"Küche 💡 – Ω"_s, u"Küche 💡 – Ω"_s, u"Küche 💡 – Ω"_s);
    }
    void outsideTextReachesNoTerminalRaw()
    {
        QFETCH(QString, text);
        QFETCH(QString, inLine);
        QFETCH(QString, written);
        QCOMPARE(CtlFormat::plain(text), inLine);
        QCOMPARE(CtlFormat::terminalText(text), written);
        // As a room's name, `home` shows it on one line of its own.
        HueGroup room;
        room.name = text;
        QVERIFY(CtlFormat::homeText({room}).contains(u"\n  "_s + inLine + u": "_s));
        // JSON keeps the very name, with every control escaped.
        const QByteArray line = CtlFormat::jsonLine(QJsonObject{{u"name"_s, text}});
        QCOMPARE(QJsonDocument::fromJson(line).object().value("name"_L1).toString(), text);
        QCOMPARE(CtlFormat::plain(QString::fromUtf8(line)), QString::fromUtf8(line));
    }
    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("failure"); // part of the message, " " for any; empty when accepted

        const auto row = [](const char *name, const QString &words, const QString &failure) {
            QTest::newRow(name) << (words.isEmpty() ? QStringList{} : words.split(u' ')) << failure;
        };
        row("no command", {}, u"No command given"_s);
        row("unknown command", u"frobnicate"_s, u"Unknown command"_s);
        row("option of another command", u"home --brightness 5"_s, u"does not apply"_s);
        row("colour too short", u"light x --color #12345"_s, u"#RRGGBB"_s);
        row("colour with a bad digit", u"light x --color #ff88zz"_s, u"#RRGGBB"_s);
        row("brightness 0", u"light x --brightness 0"_s, {});
        row("brightness above 100", u"light x --brightness 100.5"_s, u" "_s);
        row("brightness not a number", u"light x --brightness nan"_s, u" "_s);
        row("mirek below the range", u"light x --mirek 152"_s, u" "_s);
        row("mirek fractional", u"light x --mirek 200.5"_s, u" "_s);
        row("colour and mirek", u"light x --color #ffffff --mirek 300"_s, u" "_s);
        row("port 0", u"home --port 0"_s, u" "_s);
        QTest::newRow("empty host") << QStringList{u"home"_s, u"--host"_s, u" "_s} << u" "_s;
        row("timeout 0", u"discover --timeout 0"_s, u" "_s);
    }
    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, failure);

        QString message;
        try {
            CtlArguments::parse(QStringList{u"lumora-ctl"_s} + arguments);
        } catch (const CtlFailure &failed) {
            QCOMPARE(failed.exit(), CtlExit::usage);
            message = failed.message();
        }
        QCOMPARE(message.isEmpty(), failure.isEmpty());
        QVERIFY2(message.contains(failure.trimmed()), qPrintable(message));
    }
    void parsedValues()
    {
        const CtlArguments parsed =
            CtlArguments::parse({u"lumora-ctl"_s, u"light"_s, u"Desk"_s, u"on"_s, u"--host"_s, u"[::1]"_s, u"--color"_s,
                                 u"FF8800"_s, u"--port"_s, u"8443"_s, u"--json"_s});
        // Words, --port and --json are at work in every run of tst_lumoractl. The client
        // wants an IPv6 literal without brackets; a colour may come without its #.
        QCOMPARE(parsed.host, u"::1"_s);
        QCOMPARE(parsed.color, (HueRGB{1.0, 0x88 / 255.0, 0.0}));
    }
};

QTEST_GUILESS_MAIN(TestLumoraCtlUnits)
#include "tst_lumoractlunits.moc"
