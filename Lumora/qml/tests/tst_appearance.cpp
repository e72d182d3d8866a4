#include "Appearance.h"
#include "CardInk.h"
#include "Glow.h"
#include "GlowFade.h"
#include "HueColor.h"
#include "HueText.h"
#include "Symbols.h"
#include "Theme.h"

#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

HueLight light(const QString &id, bool on, std::optional<int> mirek = std::nullopt)
{
    HueLight l;
    l.id = id;
    l.name = id;
    l.isOn = on;
    l.mirek = mirek;
    return l;
}

std::optional<QString> optional(const QString &text)
{
    return text.isNull() ? std::nullopt : std::optional(text);
}

HueRGB over(HueRGB top, double alpha, HueRGB below)
{
    return {top.red * alpha + below.red * (1 - alpha), top.green * alpha + below.green * (1 - alpha),
            top.blue * alpha + below.blue * (1 - alpha)};
}

// The card's paint at x (0–1 across its width), as the gradient draws it.
HueRGB paintAt(const std::optional<Glow> &glow, double x)
{
    if (!glow)
        return Theme::cardRGB;
    const auto stops = glow->stops();
    for (qsizetype i = 1; i < stops.size(); ++i) {
        if (x <= stops[i].position) {
            const double span = stops[i].position - stops[i - 1].position;
            return over(stops[i].color, span > 0 ? (x - stops[i - 1].position) / span : 1, stops[i - 1].color);
        }
    }
    return stops.last().color;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<Glow>)

class TestAppearance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void glowShade_data()
    {
        QTest::addColumn<QVariant>("brightness");
        QTest::addColumn<double>("shade");
        QTest::newRow("half") << QVariant(50.0) << 0.4;
        QTest::newRow("above range") << QVariant(150.0) << 0.3;
        QTest::newRow("below range") << QVariant(-20.0) << 0.5;
        QTest::newRow("absent") << QVariant() << 0.3;
    }
    void glowShade()
    {
        QFETCH(QVariant, brightness);
        const auto glow =
            Glow::make({{1, 0, 0}}, brightness.isValid() ? std::optional(brightness.toDouble()) : std::nullopt);
        QTEST(glow.shade, "shade");
    }

    void glowFillAndStops()
    {
        // No colour: warm white, used twice for an even fill.
        QCOMPARE(Glow::make({}, 80).fill(), (QList<HueRGB>{HueRGB::warmWhite, HueRGB::warmWhite}));
        QVERIFY(!(Glow::make({{1, 0, 0}}, 80) == Glow::make({{1, 0, 0}}, 79)));
        // The painted gradient has five stops; for one to six colours every
        // drawn colour sits at its own position, the last one up to the edge.
        const QList<HueRGB> palette{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}};
        for (int n = 1; n <= 6; ++n) {
            const auto glow = Glow::make(palette.mid(0, n), 100);
            const auto stops = glow.stops();
            QCOMPARE(stops.size(), Glow::stopCount);
            const auto fill = glow.fill().mid(0, Glow::stopCount);
            for (qsizetype i = 0; i < stops.size(); ++i) {
                const qsizetype at = std::min(i, fill.size() - 1);
                QCOMPARE(stops[i], (Glow::Stop{double(at) / double(fill.size() - 1), fill[at]}));
            }
        }
    }

    void glowFadeOnlyToANewGlow()
    {
        const auto glow = [](HueRGB rgb) { return QVariant::fromValue(Glow::make({rgb}, 100)); };
        const auto none = QVariant::fromValue(nullptr);
        GlowFade fade;
        QSignalSpy switched(&fade, &GlowFade::switched);
        // The glow a surface is created with is shown at once.
        fade.setGlow(glow({1, 0, 0}));
        fade.componentComplete();
        fade.setGlow(glow({1, 0, 0}));
        QCOMPARE(switched.count(), 0);
        fade.setGlow(glow({0, 0, 1}));
        fade.setGlow(none);
        QCOMPARE(switched.count(), 2);
        QCOMPARE(fade.front(), none);
        QCOMPARE(fade.back(), glow({0, 0, 1}));
    }

    void cardTextContrast_data()
    {
        QTest::addColumn<std::optional<Glow>>("glow");
        QTest::addColumn<bool>("dimmed");
        QTest::addColumn<bool>("dark");
        const auto glow = [](QList<HueRGB> colors, double brightness = 100) {
            return std::optional(Glow::make(std::move(colors), brightness));
        };
        const HueRGB red{1, 0, 0}, green{0, 1, 0}, blue{0, 0, 1}, yellow{1, 1, 0};
        QTest::newRow("off") << std::optional<Glow>() << false << false;
        QTest::newRow("off, unreachable") << std::optional<Glow>() << true << false;
        QTest::newRow("warm white") << glow({}) << false << true;
        QTest::newRow("warm white at 1 %") << glow({}, 1) << false << true;
        QTest::newRow("warm white, unreachable") << glow({}) << true << true;
        QTest::newRow("pale blue") << glow({HueColor::surface(153)}) << false << true;
        QTest::newRow("candle") << glow({HueColor::surface(500)}) << false << true;
        QTest::newRow("white") << glow({{1, 1, 1}}) << false << true;
        QTest::newRow("yellow") << glow({yellow}) << false << true;
        QTest::newRow("red") << glow({red}) << false << false;
        QTest::newRow("green") << glow({green}) << false << true;
        QTest::newRow("blue") << glow({blue}) << false << false;
        QTest::newRow("blue, unreachable") << glow({blue}, 30) << true << false;
        QTest::newRow("magenta") << glow({{1, 0, 1}}) << false << true;
        QTest::newRow("blue and yellow") << glow({blue, yellow}) << false << false;
        QTest::newRow("red to green") << glow({red, green}) << false << false;
        QTest::newRow("five colours") << glow({red, yellow, green, {0, 1, 1}, blue}, 60) << false << false;
    }
    void cardTextContrast()
    {
        QFETCH(std::optional<Glow>, glow);
        QFETCH(bool, dimmed);
        QCOMPARE(qRound(CardInk::contrast({1, 1, 1}, {0, 0, 0}) * 100), 2100);
        QCOMPARE(qRound(CardInk::contrast({1, 1, 1}, {119 / 255.0, 119 / 255.0, 119 / 255.0}) * 100), 448);
        const auto ink = CardInk::make(glow, dimmed);
        QTEST(ink.dark, "dark");
        // A glow's own darkening is kept where the text allows it.
        if (glow && ink.dark)
            QCOMPARE_GT(ink.scrimTop, 0.0);
        // Name and caption against every point of the card, as drawn: the
        // scrim from top to bottom over the paint, a dimmed card over either
        // screen colour behind it.
        const HueRGB inkColor = Theme::rgb(ink.textColor());
        double worst = 21;
        for (int x = 0; x <= 100; ++x) {
            for (int y = 0; y <= 10; ++y) {
                const double scrim = ink.scrimTop + (ink.scrimBottom - ink.scrimTop) * y / 10;
                const HueRGB back = over({0, 0, 0}, scrim, paintAt(glow, x / 100.0));
                for (const double alpha : {1.0, double(ink.captionColor().alphaF())}) {
                    const HueRGB text = over(inkColor, alpha, back);
                    for (const HueRGB behind : {Theme::contentRGB, Theme::panelRGB}) {
                        const double opacity = dimmed ? CardInk::dimmedOpacity : 1;
                        worst = std::min(worst,
                                         CardInk::contrast(over(text, opacity, behind), over(back, opacity, behind)));
                    }
                }
            }
        }
        QVERIFY2(worst >= CardInk::minimumContrast, qPrintable(QString::number(worst)));
    }

    void groupGlow()
    {
        HueGroup room;
        room.brightness = 40;
        room.lights = {light(u"a"_s, true, 300), light(u"b"_s, false, 200)};
        // Off: no glow, whatever the lights say.
        QVERIFY(!Appearance::glow(room));

        // On with every light off: warm white at the group's brightness.
        room.isOn = true;
        room.lights = {light(u"a"_s, false, 300)};
        QCOMPARE(Appearance::glow(room)->colors, QList<HueRGB>{HueRGB::warmWhite});
        QCOMPARE(Appearance::glow(room)->shade, 0.5 - 0.2 * 0.4);

        // Only lit lights count; repeated tints appear once, first occurrence kept.
        room.lights = {light(u"a"_s, true, 300), light(u"b"_s, false, 200), light(u"c"_s, true, 300),
                       light(u"d"_s, true, 400)};
        QCOMPARE(Appearance::glow(room)->colors, (QList<HueRGB>{HueColor::surface(300), HueColor::surface(400)}));

        // Six distinct colours: the first four.
        room.lights.clear();
        for (int i = 0; i < 6; ++i)
            room.lights.append(light(QString::number(i), true, 160 + 60 * i));
        const auto glow = Appearance::glow(room);
        QCOMPARE(glow->colors.size(), 4);
        QCOMPARE(glow->colors.last(), HueColor::surface(160 + 60 * 3));
    }

    void summary_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("lit");
        QTest::addColumn<QString>("german");
        QTest::addColumn<QString>("english");
        QTest::newRow("none") << 0 << 0 << u"Keine Lampen"_s << u"No lights"_s;
        QTest::newRow("all off") << 3 << 0 << u"Alle Lampen aus"_s << u"All lights off"_s;
        QTest::newRow("some") << 12 << 11 << u"11 von 12 Lampen an"_s << u"11 of 12 lights on"_s;
        QTest::newRow("all on") << 4 << 4 << u"Alle Lampen an"_s << u"All lights on"_s;
    }
    void summary()
    {
        QFETCH(int, total);
        QFETCH(int, lit);
        // The test runs once per language (see CMakeLists); make sure the run
        // really is in the language it was started for.
        const auto expected = qEnvironmentVariable("LUMORA_EXPECT_LANGUAGE");
        if (!expected.isEmpty())
            QCOMPARE(HueText::usesGerman(), expected == "de"_L1);
        HueGroup room;
        for (int i = 0; i < total; ++i)
            room.lights.append(light(QString::number(i), i < lit));
        QTEST(Appearance::summary(room), HueText::usesGerman() ? "german" : "english");
    }

    void symbol_data()
    {
        // kind -1 is a light.
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("archetype");
        QTest::addColumn<QString>("symbol");
        const int room = int(HueGroup::Kind::room);
        const int zone = int(HueGroup::Kind::zone);
        QTest::newRow("home ignores archetype") << int(HueGroup::Kind::home) << u"kitchen"_s << u"house.fill"_s;
        QTest::newRow("zone bedroom") << zone << u"bedroom"_s << u"bed.double.fill"_s;
        QTest::newRow("zone without") << zone << QString() << u"square.3.layers.3d"_s;
        QTest::newRow("zone unknown") << zone << u"ballroom"_s << u"square.3.layers.3d"_s;
        QTest::newRow("room without") << room << QString() << u"lightbulb.2.fill"_s;
        QTest::newRow("exact match only") << room << u"Kitchen"_s << u"lightbulb.2.fill"_s;
        QTest::newRow("last of a row") << room << u"man_cave"_s << u"sofa.fill"_s;
        QTest::newRow("last row") << room << u"gym"_s << u"dumbbell.fill"_s;
        QTest::newRow("light without") << -1 << QString() << u"lightbulb.fill"_s;
        QTest::newRow("light unknown") << -1 << u"classic_bulb"_s << u"lightbulb.fill"_s;
        QTest::newRow("light strip") << -1 << u"hue_tube"_s << u"light.strip.2.fill"_s;
    }
    void symbol()
    {
        QFETCH(int, kind);
        QFETCH(QString, archetype);
        QString symbol;
        if (kind < 0) {
            HueLight l = light(u"l"_s, true);
            l.archetype = optional(archetype);
            symbol = Appearance::symbol(l);
        } else {
            HueGroup g;
            g.kind = HueGroup::Kind(kind);
            g.archetype = optional(archetype);
            symbol = Appearance::symbol(g);
        }
        QTEST(symbol, "symbol");
        QVERIFY2(Symbols::icon(symbol), qPrintable(symbol));
    }

    void everySymbolHasItsOwnShippedIcon()
    {
        const auto names = Symbols::names();
        QVERIFY(names.contains(u"star.fill"_s) && names.contains(u"paintpalette.fill"_s));
        QSet<QPair<QString, bool>> icons;
        for (const auto &name : names) {
            const auto icon = Symbols::icon(name);
            QVERIFY2(icon, qPrintable(name));
            icons.insert({icon->file, icon->filled});
            QVERIFY2(QFile::exists(Symbols::path(*icon)), qPrintable(Symbols::path(*icon)));
        }
        QCOMPARE(icons.size(), names.size());
        QVERIFY(!Symbols::icon(u"no.such.symbol"_s));
        QVERIFY(QFile::exists(u":/qt/qml/Lumora/icons/LICENSE"_s));
    }
};

QTEST_GUILESS_MAIN(TestAppearance)
#include "tst_appearance.moc"
