#include "Appearance.h"
#include "Glow.h"
#include "HueColor.h"
#include "HueText.h"
#include "Symbols.h"

#include <QFile>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

HueLight light(const QString &id, bool on, std::optional<int> mirek = std::nullopt,
               std::optional<QString> archetype = std::nullopt)
{
    HueLight l;
    l.id = id;
    l.name = id;
    l.isOn = on;
    l.mirek = mirek;
    l.archetype = std::move(archetype);
    return l;
}

HueGroup group(HueGroup::Kind kind, std::optional<QString> archetype = std::nullopt)
{
    HueGroup g;
    g.id = u"g"_s;
    g.kind = kind;
    g.archetype = std::move(archetype);
    return g;
}

} // namespace

class TestAppearance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void glowShade_data();
    void glowShade();
    void glowFill();
    void glowStopsMatchFill();
    void groupGlow();
    void summary_data();
    void summary();
    void groupSymbol_data();
    void groupSymbol();
    void lightSymbol_data();
    void lightSymbol();
    void symbolTable();
};

void TestAppearance::glowShade_data()
{
    QTest::addColumn<QVariant>("brightness");
    QTest::addColumn<double>("shade");
    QTest::newRow("full") << QVariant(100.0) << 0.3;
    QTest::newRow("zero") << QVariant(0.0) << 0.5;
    QTest::newRow("half") << QVariant(50.0) << 0.4;
    QTest::newRow("above range") << QVariant(150.0) << 0.3;
    QTest::newRow("below range") << QVariant(-20.0) << 0.5;
    QTest::newRow("absent") << QVariant() << 0.3;
}

void TestAppearance::glowShade()
{
    QFETCH(QVariant, brightness);
    QFETCH(double, shade);
    const auto level = brightness.isValid() ? std::optional(brightness.toDouble()) : std::nullopt;
    const auto glow = Glow::make({{1, 0, 0}}, level);
    QCOMPARE(glow.shade, shade);
    QCOMPARE(glow.colors, (QList<HueRGB>{{1, 0, 0}}));
}

void TestAppearance::glowFill()
{
    // No colour: warm white, used twice for an even fill.
    const auto empty = Glow::make({}, 80);
    QCOMPARE(empty.colors, QList<HueRGB>{HueRGB::warmWhite});
    QCOMPARE(empty.fill(), (QList<HueRGB>{HueRGB::warmWhite, HueRGB::warmWhite}));
    const QList<HueRGB> three{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    QCOMPARE(Glow::make(three, 80).fill(), three);
    // Equality covers colours and shade.
    QVERIFY(Glow::make(three, 80) == Glow::make(three, 80));
    QVERIFY(!(Glow::make(three, 80) == Glow::make(three, 79)));
}

void TestAppearance::glowStopsMatchFill()
{
    // The painted gradient has five stops; for one to five colours every
    // colour must be drawn at its own position, the last one up to the edge.
    const QList<HueRGB> palette{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}};
    for (int n = 1; n <= 6; ++n) {
        const auto glow = Glow::make(palette.mid(0, n), 100);
        const auto stops = glow.stops();
        QCOMPARE(stops.size(), Glow::stopCount);
        const auto fill = glow.fill().mid(0, Glow::stopCount);
        for (qsizetype i = 0; i < fill.size(); ++i)
            QCOMPARE(stops[i], (Glow::Stop{double(i) / double(fill.size() - 1), fill[i]}));
        for (qsizetype i = fill.size(); i < stops.size(); ++i)
            QCOMPARE(stops[i], (Glow::Stop{1, fill.last()}));
    }
}

void TestAppearance::groupGlow()
{
    auto room = group(HueGroup::Kind::room);
    room.brightness = 40;
    room.lights = {light(u"a"_s, true, 300), light(u"b"_s, false, 200)};

    // Off: no glow, whatever the lights say.
    room.isOn = false;
    QVERIFY(!Appearance::glow(room));

    // On with every light off: warm white at the group's brightness.
    room.isOn = true;
    room.lights = {light(u"a"_s, false, 300)};
    auto glow = Appearance::glow(room);
    QVERIFY(glow);
    QCOMPARE(glow->colors, QList<HueRGB>{HueRGB::warmWhite});
    QCOMPARE(glow->shade, 0.5 - 0.2 * 0.4);

    // Only lit lights count; repeated tints appear once, first occurrence kept.
    room.lights = {light(u"a"_s, true, 300), light(u"b"_s, false, 200), light(u"c"_s, true, 300),
                   light(u"d"_s, true, 400)};
    glow = Appearance::glow(room);
    QCOMPARE(glow->colors, (QList<HueRGB>{HueColor::surface(300), HueColor::surface(400)}));

    // Two lights of the same colour give an even single-colour fill.
    room.lights = {light(u"a"_s, true, 250), light(u"b"_s, true, 250)};
    glow = Appearance::glow(room);
    QCOMPARE(glow->fill(), (QList<HueRGB>{HueColor::surface(250), HueColor::surface(250)}));

    // Six distinct colours: the first four; four or fewer are all kept.
    room.lights.clear();
    for (int i = 0; i < 6; ++i)
        room.lights.append(light(QString::number(i), true, 160 + 60 * i));
    glow = Appearance::glow(room);
    QCOMPARE(glow->colors.size(), 4);
    QCOMPARE(glow->colors.last(), HueColor::surface(160 + 60 * 3));
    room.lights.resize(4);
    QCOMPARE(Appearance::glow(room)->colors.size(), 4);

    // No brightness on the group counts as full.
    room.brightness.reset();
    QCOMPARE(Appearance::glow(room)->shade, 0.3);
}

void TestAppearance::summary_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("lit");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::newRow("none") << 0 << 0 << u"Keine Lampen"_s << u"No lights"_s;
    QTest::newRow("all off") << 3 << 0 << u"Alle Lampen aus"_s << u"All lights off"_s;
    QTest::newRow("some") << 5 << 2 << u"2 von 5 Lampen an"_s << u"2 of 5 lights on"_s;
    QTest::newRow("many") << 12 << 11 << u"11 von 12 Lampen an"_s << u"11 of 12 lights on"_s;
    QTest::newRow("all on") << 4 << 4 << u"Alle Lampen an"_s << u"All lights on"_s;
}

void TestAppearance::summary()
{
    QFETCH(int, total);
    QFETCH(int, lit);
    QFETCH(QString, german);
    QFETCH(QString, english);
    // The test runs once per language (see CMakeLists); make sure the run
    // really is in the language it was started for.
    const auto expected = qEnvironmentVariable("LUMORA_EXPECT_LANGUAGE");
    if (!expected.isEmpty())
        QCOMPARE(HueText::usesGerman(), expected == "de"_L1);
    auto room = group(HueGroup::Kind::room);
    for (int i = 0; i < total; ++i)
        room.lights.append(light(QString::number(i), i < lit));
    QCOMPARE(Appearance::summary(room), HueText::usesGerman() ? german : english);
}

void TestAppearance::groupSymbol_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("archetype");
    QTest::addColumn<QString>("symbol");
    const int room = int(HueGroup::Kind::room);
    const int zone = int(HueGroup::Kind::zone);
    const int home = int(HueGroup::Kind::home);
    QTest::newRow("home ignores archetype") << home << u"kitchen"_s << u"house.fill"_s;
    QTest::newRow("home") << home << QString() << u"house.fill"_s;
    QTest::newRow("kids bedroom") << room << u"kids_bedroom"_s << u"teddybear.fill"_s;
    QTest::newRow("zone bedroom") << zone << u"bedroom"_s << u"bed.double.fill"_s;
    QTest::newRow("zone without") << zone << QString() << u"square.3.layers.3d"_s;
    QTest::newRow("room without") << room << QString() << u"lightbulb.2.fill"_s;
    QTest::newRow("room unknown") << room << u"ballroom"_s << u"lightbulb.2.fill"_s;
    QTest::newRow("zone unknown") << zone << u"ballroom"_s << u"square.3.layers.3d"_s;
    QTest::newRow("exact match only") << room << u"Kitchen"_s << u"lightbulb.2.fill"_s;
    QTest::newRow("man cave") << room << u"man_cave"_s << u"sofa.fill"_s;
    QTest::newRow("dining") << room << u"dining"_s << u"fork.knife"_s;
    QTest::newRow("toilet") << room << u"toilet"_s << u"shower.fill"_s;
    QTest::newRow("studio") << room << u"studio"_s << u"chair.fill"_s;
    QTest::newRow("closet") << room << u"closet"_s << u"hanger"_s;
    QTest::newRow("barbecue") << room << u"barbecue"_s << u"tree.fill"_s;
    QTest::newRow("driveway") << room << u"driveway"_s << u"car.fill"_s;
    QTest::newRow("attic") << room << u"attic"_s << u"archivebox.fill"_s;
    QTest::newRow("gym") << zone << u"gym"_s << u"dumbbell.fill"_s;
}

void TestAppearance::groupSymbol()
{
    QFETCH(int, kind);
    QFETCH(QString, archetype);
    QFETCH(QString, symbol);
    const auto g = group(HueGroup::Kind(kind), archetype.isNull() ? std::nullopt : std::optional(archetype));
    QCOMPARE(Appearance::symbol(g), symbol);
}

void TestAppearance::lightSymbol_data()
{
    QTest::addColumn<QString>("archetype");
    QTest::addColumn<QString>("symbol");
    QTest::newRow("none") << QString() << u"lightbulb.fill"_s;
    QTest::newRow("other") << u"classic_bulb"_s << u"lightbulb.fill"_s;
    QTest::newRow("hue play") << u"hue_play"_s << u"lamp.table.fill"_s;
    QTest::newRow("signe") << u"hue_signe"_s << u"lamp.floor.fill"_s;
    QTest::newRow("flexible") << u"flexible_lamp"_s << u"lamp.ceiling.fill"_s;
    QTest::newRow("tube") << u"hue_tube"_s << u"light.strip.2.fill"_s;
    QTest::newRow("double spot") << u"double_spot"_s << u"light.recessed.fill"_s;
    QTest::newRow("plug") << u"plug"_s << u"powerplug.fill"_s;
}

void TestAppearance::lightSymbol()
{
    QFETCH(QString, archetype);
    QFETCH(QString, symbol);
    QCOMPARE(Appearance::symbol(
                 light(u"l"_s, true, std::nullopt, archetype.isNull() ? std::nullopt : std::optional(archetype))),
             symbol);
}

void TestAppearance::symbolTable()
{
    // Every symbol the screens name has an icon of its own, and the icon file ships.
    const QStringList used{u"house.fill"_s,
                           u"sofa.fill"_s,
                           u"fork.knife"_s,
                           u"bed.double.fill"_s,
                           u"teddybear.fill"_s,
                           u"shower.fill"_s,
                           u"chair.fill"_s,
                           u"hanger"_s,
                           u"tree.fill"_s,
                           u"car.fill"_s,
                           u"archivebox.fill"_s,
                           u"dumbbell.fill"_s,
                           u"square.3.layers.3d"_s,
                           u"lightbulb.2.fill"_s,
                           u"lightbulb.fill"_s,
                           u"lamp.table.fill"_s,
                           u"lamp.floor.fill"_s,
                           u"lamp.ceiling.fill"_s,
                           u"light.strip.2.fill"_s,
                           u"light.recessed.fill"_s,
                           u"powerplug.fill"_s,
                           u"star"_s,
                           u"star.fill"_s,
                           u"chevron.right"_s,
                           u"exclamationmark.triangle.fill"_s,
                           u"wifi.exclamationmark"_s,
                           u"paintpalette.fill"_s,
                           u"plus"_s,
                           u"lightbulb.led.wide"_s};
    const auto names = Symbols::names();
    QCOMPARE(QSet<QString>(used.begin(), used.end()), QSet<QString>(names.begin(), names.end()));
    QCOMPARE(names.size(), used.size());
    QSet<QPair<QString, bool>> icons;
    for (const auto &name : used) {
        const auto icon = Symbols::icon(name);
        QVERIFY2(icon, qPrintable(name));
        icons.insert({icon->file, icon->filled});
        QVERIFY2(QFile::exists(Symbols::path(*icon)), qPrintable(Symbols::path(*icon)));
    }
    QCOMPARE(icons.size(), used.size());
    QVERIFY(!Symbols::icon(u"no.such.symbol"_s));
    QVERIFY(QFile::exists(u":/qt/qml/Lumora/icons/LICENSE"_s));
}

QTEST_GUILESS_MAIN(TestAppearance)
#include "tst_appearance.moc"
