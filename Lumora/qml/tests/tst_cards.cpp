#include "CardRules.h"
#include "HomeRows.h"
#include "HueColor.h"
#include "HueText.h"
#include "ReorderCell.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

HueLightCommand command(std::optional<bool> isOn, std::optional<double> brightness = std::nullopt,
                        std::optional<HueXY> xy = std::nullopt, std::optional<int> mirek = std::nullopt)
{
    return {isOn, brightness, xy, mirek};
}

// A light that is on or off, takes colours or not, and has a white-tone range or not.
HueLight light(bool on, bool color, std::optional<HueMirekRange> range, HueRGB tint = HueRGB::warmWhite)
{
    HueLight l;
    l.isOn = on;
    l.supportsColor = color;
    l.mirekRange = range;
    if (color)
        l.xy = HueColor::xy(tint);
    return l;
}

const HueGamut gamutC{{0.6915, 0.3083}, {0.17, 0.7}, {0.1532, 0.0475}};

} // namespace

Q_DECLARE_METATYPE(HueLightCommand)
Q_DECLARE_METATYPE(std::optional<HueMirekRange>)

class TestCards : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commands_data()
    {
        QTest::addColumn<HueLightCommand>("actual");
        QTest::addColumn<HueLightCommand>("expected");
        const HueRGB red{1, 0, 0};
        QTest::newRow("switch on") << CardRules::switchTo(true) << command(true);
        QTest::newRow("brightness alone") << CardRules::brightness(42) << command(std::nullopt, 42);
        QTest::newRow("colour while on") << CardRules::color(red, std::nullopt, true)
                                         << command(std::nullopt, std::nullopt, HueColor::xy(red));
        QTest::newRow("colour while off switches on")
            << CardRules::color(red, std::nullopt, false) << command(true, std::nullopt, HueColor::xy(red));
        QTest::newRow("colour within the light's gamut")
            << CardRules::color(red, gamutC, false) << command(true, std::nullopt, HueColor::xy(red, gamutC));
        QTest::newRow("white tone while on")
            << CardRules::whiteTone(300, true) << command(std::nullopt, std::nullopt, std::nullopt, 300);
        QTest::newRow("white tone while off switches on")
            << CardRules::whiteTone(153, false) << command(true, std::nullopt, std::nullopt, 153);
    }
    void commands()
    {
        QFETCH(HueLightCommand, actual);
        QFETCH(HueLightCommand, expected);
        QCOMPARE(actual, expected);
    }

    void colorButton_data()
    {
        QTest::addColumn<QList<HueLight>>("lights");
        QTest::addColumn<std::optional<HueMirekRange>>("range");
        QTest::addColumn<bool>("hasButton");
        QTest::newRow("no lights") << QList<HueLight>{} << std::optional<HueMirekRange>() << false;
        QTest::newRow("plain lights only") << QList<HueLight>{light(true, false, {}), light(false, false, {})}
                                           << std::optional<HueMirekRange>() << false;
        QTest::newRow("two ranges") << QList<HueLight>{light(true, false, HueMirekRange{153, 454}),
                                                       light(false, true, HueMirekRange{200, 500}),
                                                       light(true, false, {})}
                                    << std::optional(HueMirekRange{153, 500}) << true;
        QTest::newRow("colour without range")
            << QList<HueLight>{light(true, true, {})} << std::optional<HueMirekRange>() << true;
    }
    void colorButton()
    {
        QFETCH(QList<HueLight>, lights);
        QFETCH(std::optional<HueMirekRange>, range);
        QFETCH(bool, hasButton);
        HueGroup group;
        group.lights = lights;
        QCOMPARE(CardRules::colorRange(group), range);
        QCOMPARE(CardRules::hasColorButton(group), hasButton);
    }

    void pickerColor()
    {
        HueGroup group;
        group.lights = {light(false, true, {}, {0, 0, 1}), light(true, true, {}, {0, 1, 0}),
                        light(true, true, {}, {1, 0, 0})};
        QCOMPARE(CardRules::pickerColor(group), group.lights[1].displayColor());
        group.lights[1].isOn = false;
        group.lights[2].isOn = false;
        QCOMPARE(CardRules::pickerColor(group), HueRGB::warmWhite);
    }

    void swatch()
    {
        HueScene scene;
        QCOMPARE(CardRules::swatch(scene), QList<HueRGB>{HueRGB::warmWhite});
        for (int i = 0; i < 7; ++i)
            scene.colors.append({i / 7.0, 0.5, 1 - i / 7.0});
        QCOMPARE(CardRules::swatch(scene), scene.colors.mid(0, 5));
    }

    void texts()
    {
        // Runs once per language (see CMakeLists): make sure it really is.
        const auto expected = qEnvironmentVariable("LUMORA_EXPECT_LANGUAGE");
        if (!expected.isEmpty())
            QCOMPARE(HueText::usesGerman(), expected == "de"_L1);
        const bool german = HueText::usesGerman();
        const QStringList names = german ? QStringList{u"Nach vorne verschieben"_s, u"Nach hinten verschieben"_s}
                                         : QStringList{u"Move forward"_s, u"Move back"_s};
        QCOMPARE(ReorderCell::actionNames(), names);
        QCOMPARE(ReorderCell::stepOf(u"Press"_s), 0);

        HueGroup room;
        room.name = u"Küche"_s;
        QCOMPARE(GroupRow::of(room, false).openLabel, german ? u"Küche öffnen"_s : u"Open Küche"_s);
    }
};

QTEST_GUILESS_MAIN(TestCards)
#include "tst_cards.moc"
