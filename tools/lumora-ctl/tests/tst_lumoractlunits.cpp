// The parts of lumora-ctl that need no bridge: the command line's checks and
// the changes `watch` reports between two pictures of the home.
#include "CtlArguments.h"
#include "CtlFailure.h"
#include "CtlWatch.h"
#include "HueHome.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString colorLight1 = u"02cba059-9c2c-4d45-97e4-4f79b1bfbaa1"_s;
const QString zoneID = u"7cee478d-6455-483a-9e32-9f9fdcbcc4f6"_s;
const QString zoneGroupedLight = u"f2416154-9607-43ab-a684-4453108a200e"_s;
const QString regularScene = u"cdbf3740-7977-4a11-8275-8c78636ad4bd"_s;

HueHome fixtureHome()
{
    QFile file(QStringLiteral(LUMORA_FIXTURE));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonArray data = document.isArray() ? document.array() : document.object().value("data"_L1).toArray();
    QList<HueResource> resources;
    for (const QJsonValue &value : data) {
        if (const auto resource = HueResource::fromJson(value))
            resources.append(*resource);
    }
    return HueHome(resources);
}

HueEvent bridgeEvent(const QString &kind, const QJsonObject &data)
{
    return *HueEvent::fromJson(QJsonObject{{u"type"_s, kind}, {u"data"_s, QJsonArray{data}}});
}

/// "type change id" for each change, in order.
QStringList summary(const QList<CtlWatch::Change> &changes)
{
    QStringList lines;
    for (const CtlWatch::Change &change : changes)
        lines.append(change.type + u' ' + change.change + u' ' + change.id);
    return lines;
}

} // namespace

class TestLumoraCtlUnits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void changes_data();
    void changes();
    void removedKeepsTheLastState();
    void arguments_data();
    void arguments();
    void parsedValues();
};

void TestLumoraCtlUnits::initTestCase()
{
    QVERIFY(!fixtureHome().isEmpty());
}

void TestLumoraCtlUnits::changes_data()
{
    QTest::addColumn<QList<HueEvent>>("events");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("nothing") << QList<HueEvent>{} << QStringList{};
    QTest::newRow("a light switched off") << QList<HueEvent>{bridgeEvent(
        u"update"_s,
        QJsonObject{{u"id"_s, colorLight1}, {u"type"_s, u"light"_s}, {u"on"_s, QJsonObject{{u"on"_s, false}}}})}
                                          << QStringList{u"light changed "_s + colorLight1};
    QTest::newRow("the same state again is no change") << QList<HueEvent>{bridgeEvent(
        u"update"_s,
        QJsonObject{{u"id"_s, colorLight1}, {u"type"_s, u"light"_s}, {u"on"_s, QJsonObject{{u"on"_s, true}}}})}
                                                       << QStringList{};
    QTest::newRow("a zone's grouped light")
        << QList<HueEvent>{bridgeEvent(u"update"_s, QJsonObject{{u"id"_s, zoneGroupedLight},
                                                                {u"type"_s, u"grouped_light"_s},
                                                                {u"on"_s, QJsonObject{{u"on"_s, false}}}})}
        << QStringList{u"zone changed "_s + zoneID};
    QTest::newRow("a scene deleted") << QList<HueEvent>{bridgeEvent(
        u"delete"_s, QJsonObject{{u"id"_s, regularScene}, {u"type"_s, u"scene"_s}})}
                                     << QStringList{u"scene removed "_s + regularScene};
    QTest::newRow("a light renamed, then a scene inactive")
        << QList<HueEvent>{bridgeEvent(u"update"_s,
                                       QJsonObject{{u"id"_s, regularScene},
                                                   {u"type"_s, u"scene"_s},
                                                   {u"status"_s, QJsonObject{{u"active"_s, u"inactive"_s}}}}),
                           bridgeEvent(u"update"_s, QJsonObject{{u"id"_s, colorLight1},
                                                                {u"type"_s, u"light"_s},
                                                                {u"metadata"_s, QJsonObject{{u"name"_s, u"Desk"_s}}}})}
        // Lights before groups before scenes, whatever the order of the events.
        << QStringList{u"light changed "_s + colorLight1, u"scene changed "_s + regularScene};
}

void TestLumoraCtlUnits::changes()
{
    QFETCH(QList<HueEvent>, events);
    QFETCH(QStringList, expected);

    const HueHome before = fixtureHome();
    HueHome after = before;
    for (const HueEvent &event : events)
        QVERIFY(after.apply(event));
    QCOMPARE(summary(CtlWatch::changes(before, after)), expected);
}

void TestLumoraCtlUnits::removedKeepsTheLastState()
{
    const HueHome before = fixtureHome();
    HueHome after = before;
    QVERIFY(after.apply(bridgeEvent(u"delete"_s, QJsonObject{{u"id"_s, colorLight1}, {u"type"_s, u"light"_s}})));
    const QList<CtlWatch::Change> found = CtlWatch::changes(before, after);
    const auto light = std::find_if(found.cbegin(), found.cend(),
                                    [](const CtlWatch::Change &change) { return change.id == colorLight1; });
    QVERIFY(light != found.cend());
    QCOMPARE(light->change, u"removed"_s);
    QCOMPARE(light->state.value("on"_L1).toBool(), true);
    QCOMPARE(light->name, u"Hue light with color and color temperature 1"_s);

    // And back again: added, with its state.
    const QList<CtlWatch::Change> back = CtlWatch::changes(after, before);
    QVERIFY(std::any_of(back.cbegin(), back.cend(), [](const CtlWatch::Change &change) {
        return change.id == colorLight1 && change.change == "added"_L1;
    }));
}

void TestLumoraCtlUnits::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("colour without #") << QStringList{u"light"_s, u"x"_s, u"--color"_s, u"FF8800"_s} << true;
    QTest::newRow("colour with a bad digit") << QStringList{u"light"_s, u"x"_s, u"--color"_s, u"#ff88zz"_s} << false;
    QTest::newRow("brightness 0") << QStringList{u"light"_s, u"x"_s, u"--brightness"_s, u"0"_s} << true;
    QTest::newRow("brightness above 100") << QStringList{u"light"_s, u"x"_s, u"--brightness"_s, u"100.5"_s} << false;
    QTest::newRow("brightness not a number") << QStringList{u"light"_s, u"x"_s, u"--brightness"_s, u"nan"_s} << false;
    QTest::newRow("mirek below the range") << QStringList{u"light"_s, u"x"_s, u"--mirek"_s, u"152"_s} << false;
    QTest::newRow("mirek fractional") << QStringList{u"light"_s, u"x"_s, u"--mirek"_s, u"200.5"_s} << false;
    QTest::newRow("colour and mirek") << QStringList{u"light"_s,   u"x"_s,       u"--color"_s,
                                                     u"#ffffff"_s, u"--mirek"_s, u"300"_s}
                                      << false;
    QTest::newRow("port 0") << QStringList{u"home"_s, u"--port"_s, u"0"_s} << false;
    QTest::newRow("port too large") << QStringList{u"home"_s, u"--port"_s, u"65536"_s} << false;
    QTest::newRow("empty host") << QStringList{u"home"_s, u"--host"_s, u" "_s} << false;
    QTest::newRow("timeout 0") << QStringList{u"discover"_s, u"--timeout"_s, u"0"_s} << false;
    QTest::newRow("print-key outside pair") << QStringList{u"home"_s, u"--print-key"_s} << false;
    QTest::newRow("group outside scene") << QStringList{u"light"_s, u"x"_s, u"on"_s, u"--group"_s, u"y"_s} << false;
}

void TestLumoraCtlUnits::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, accepted);

    bool parsed = false;
    try {
        CtlArguments::parse(QStringList{u"lumora-ctl"_s} + arguments);
        parsed = true;
    } catch (const CtlFailure &failure) {
        QCOMPARE(failure.exit(), CtlExit::usage);
        QVERIFY(!failure.message().isEmpty());
    }
    QCOMPARE(parsed, accepted);
}

void TestLumoraCtlUnits::parsedValues()
{
    const CtlArguments parsed =
        CtlArguments::parse({u"lumora-ctl"_s, u"light"_s, u"Desk"_s, u"on"_s, u"--host"_s, u"[::1]"_s, u"--color"_s,
                             u"FF8800"_s, u"--port"_s, u"8443"_s, u"--json"_s});
    QCOMPARE(parsed.command, u"light"_s);
    QCOMPARE(parsed.positional, (QStringList{u"Desk"_s, u"on"_s}));
    // The client wants an IPv6 literal without brackets.
    QCOMPARE(parsed.host, u"::1"_s);
    QCOMPARE(parsed.port, quint16(8443));
    QVERIFY(parsed.json);
    QVERIFY(parsed.color);
    QCOMPARE(parsed.color->red, 1.0);
    QCOMPARE(parsed.color->green, 0x88 / 255.0);
    QCOMPARE(parsed.color->blue, 0.0);
}

QTEST_GUILESS_MAIN(TestLumoraCtlUnits)
#include "tst_lumoractlunits.moc"
