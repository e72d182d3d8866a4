#include "BrightnessScale.h"
#include "GridColumns.h"
#include "Hsb.h"
#include "HueColor.h"
#include "ResourceBuilders.h"
#include "WheelMath.h"
#include "WhiteTone.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

using ResourceBuilders::near;

class TestControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sliderValue_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("value");
        QTest::newRow("knob centre at start") << 8.0 << 216.0 << 1.0;
        QTest::newRow("tiny step stays at 1") << 8.5 << 216.0 << 1.0;
        QTest::newRow("middle") << 108.0 << 216.0 << 50.0;
        QTest::newRow("end of track") << 208.0 << 216.0 << 100.0;
        // No track: every position is either end.
        QTest::newRow("narrow left") << 8.0 << 16.0 << 1.0;
        QTest::newRow("narrow right") << 9.5 << 16.0 << 100.0;
        QTest::newRow("narrower right") << 9.0 << 10.0 << 100.0;
    }
    void sliderValue()
    {
        QFETCH(double, x);
        QFETCH(double, width);
        QFETCH(double, value);
        QCOMPARE(BrightnessScale::value(x, width), value);
    }

    void sliderFill_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("shown");
        QTest::addColumn<double>("fill");
        QTest::newRow("empty") << 216.0 << 0.0 << 0.0;
        QTest::newRow("half") << 216.0 << 50.0 << 100.0;
        QTest::newRow("clamped above") << 216.0 << 180.0 << 200.0;
        QTest::newRow("clamped below") << 216.0 << -5.0 << 0.0;
        QTest::newRow("no track") << 16.0 << 80.0 << 0.0;
        QTest::newRow("negative track") << 4.0 << 80.0 << 0.0;
    }
    void sliderFill()
    {
        QFETCH(double, width);
        QFETCH(double, shown);
        QFETCH(double, fill);
        QCOMPARE(BrightnessScale::fill(width, shown), fill);
        QCOMPARE(BrightnessScale::accessibilityValue(42), 42.0);
    }

    void hsbRoundTrip()
    {
        const QList<HueRGB> colors{{1, 0, 0}, {0.2, 0.7, 0.4}, {0.5, 0.5, 0.5}, {0, 0, 0}, {0.9, 0.1, 0.8}, {1, 1, 0}};
        for (const auto &rgb : colors)
            QVERIFY(near(Hsb::of(rgb).rgb(), rgb));
        QCOMPARE(Hsb::of({1, 0, 1}).hue, 5.0 / 6);
    }

    void wheelHues()
    {
        const auto hues = WheelMath::hues();
        QCOMPARE(hues.size(), 13);
        const QList<HueRGB> every60Degrees{{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}};
        for (qsizetype i = 0; i < every60Degrees.size(); ++i)
            QVERIFY2(near(hues[i * 2], every60Degrees[i]), qPrintable(QString::number(i)));
    }

    void wheelPick_data()
    {
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<double>("radius");
        QTest::addColumn<QPointF>("marker");
        QTest::addColumn<double>("hue");
        QTest::addColumn<double>("saturation");
        const QPointF c(110, 110);
        QTest::newRow("exact centre") << c << 110.0 << c << 0.0 << 0.0;
        QTest::newRow("right") << QPointF(165, 110) << 110.0 << QPointF(165, 110) << 0.0 << 0.5;
        QTest::newRow("below is a quarter turn") << QPointF(110, 220) << 110.0 << QPointF(110, 220) << 0.25 << 1.0;
        QTest::newRow("above is three quarters") << QPointF(110, 55) << 110.0 << QPointF(110, 55) << 0.75 << 0.5;
        QTest::newRow("left") << QPointF(0, 110) << 110.0 << QPointF(0, 110) << 0.5 << 1.0;
        QTest::newRow("outside below-right")
            << QPointF(110 + 300, 110 + 300) << 110.0 << QPointF(110 + 110 / std::sqrt(2.0), 110 + 110 / std::sqrt(2.0))
            << 0.125 << 1.0;
        QTest::newRow("zero radius") << QPointF(150, 110) << 0.0 << c << 0.0 << 0.0;
    }
    void wheelPick()
    {
        QFETCH(QPointF, at);
        QFETCH(double, radius);
        QFETCH(QPointF, marker);
        QFETCH(double, hue);
        QFETCH(double, saturation);
        const auto pick = WheelMath::pick(at, {110, 110}, radius);
        QVERIFY2(near(pick.marker.x(), marker.x(), 1e-6) && near(pick.marker.y(), marker.y(), 1e-6),
                 qPrintable(u"%1,%2"_s.arg(pick.marker.x()).arg(pick.marker.y())));
        QVERIFY(near(pick.color, Hsb{hue, saturation, 1}.rgb(), 1e-9));
    }

    void wheelPointOfSelection()
    {
        // The marker of a selection sits where picking would have chosen that colour.
        const QPointF centre(110, 110);
        for (const QPointF at : {QPointF(150, 130), QPointF(30, 60), QPointF(110, 200), QPointF(200, 20)}) {
            const auto pick = WheelMath::pick(at, centre, 110);
            const auto point = WheelMath::point(pick.color, centre, 110);
            QVERIFY(near(point.x(), pick.marker.x(), 1e-6) && near(point.y(), pick.marker.y(), 1e-6));
        }
        // A dimmer colour of the same hue and saturation sits at the same place.
        const auto bright = WheelMath::point({1, 0.5, 0.5}, centre, 110);
        const auto dim = WheelMath::point({0.5, 0.25, 0.25}, centre, 110);
        QVERIFY(near(bright.x(), dim.x(), 1e-9) && near(bright.y(), dim.y(), 1e-9));
        QCOMPARE(WheelMath::point({1, 1, 1}, centre, 110), centre);
    }

    void whiteToneRangeAndStops()
    {
        const HueMirekRange range{153, 500};
        // The coolest white tone sits at the right end; the left end sends the warmest.
        QCOMPARE(WhiteTone::shown(500, range), 153.0);
        QCOMPARE(WhiteTone::mirek(153, range), 500);
        QCOMPARE(WhiteTone::mirek(500, range), 153);
        QCOMPARE(WhiteTone::mirek(300.4, range), 353);
        QCOMPARE(WhiteTone::mirek(300.6, range), 352);
        // No mirek: shown at the warm end.
        QCOMPARE(WhiteTone::shown(std::nullopt, range), 153.0);
        // A range of one value still gives a slider one mirek wide (the
        // colour picker's test reads the bounds off the slider).
        const HueMirekRange single{200, 200};
        QCOMPARE(WhiteTone::mirek(201, single), 200);
        QCOMPARE(WhiteTone::mirek(200, single), 201);
        const auto colors = WhiteTone::stops({153, 500});
        QCOMPARE(colors.first(), HueColor::surface(500));
        QCOMPARE(colors.last(), HueColor::surface(160));
        QCOMPARE(WhiteTone::stopMireks({200, 200}), QList<int>{200});
        QCOMPARE(WhiteTone::stopMireks({200, 240}), (QList<int>{240, 220, 200}));
        // An inverted range has no stop by the rule; the track still shows a tint.
        QCOMPARE(WhiteTone::stopMireks({300, 200}), QList<int>{300});
    }

    void gridColumns_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("spacing");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("cellWidth");
        QTest::newRow("cards two") << 600.0 << 270.0 << -1.0 << 12.0 << 2 << 294.0;
        QTest::newRow("cards exactly three") << 834.0 << 270.0 << -1.0 << 12.0 << 3 << 270.0;
        QTest::newRow("cards just under three") << 833.0 << 270.0 << -1.0 << 12.0 << 2 << 410.5;
        QTest::newRow("narrower than one") << 200.0 << 270.0 << -1.0 << 12.0 << 1 << 200.0;
        QTest::newRow("maximum") << 720.0 << 170.0 << 150.0 << 10.0 << 4 << 150.0;
    }
    void gridColumns()
    {
        QFETCH(double, width);
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, spacing);
        QFETCH(int, count);
        QFETCH(double, cellWidth);
        const GridColumns columns{minimum, maximum < 0 ? std::nullopt : std::optional(maximum), spacing};
        const auto layout = columns.layout(width);
        QCOMPARE(layout.count, count);
        QCOMPARE(layout.cellWidth, cellWidth);
        // The columns are centred in the width.
        const double used = layout.cellWidth * count + spacing * (count - 1);
        QVERIFY(near(layout.leading * 2 + used, std::max(width, used)));
    }
};

QTEST_GUILESS_MAIN(TestControls)
#include "tst_controls.moc"
