#include "HueColor.h"
#include "ResourceBuilders.h"

#include <QTest>

#include <cmath>

namespace {

using ResourceBuilders::near;

const HueGamut gamutC{{0.6915, 0.3083}, {0.17, 0.7}, {0.1532, 0.0475}};

} // namespace

class TestColor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rgbOfXY()
    {
        QCOMPARE(HueColor::rgb(HueXY{0.4, 0}), (HueRGB{1, 1, 1}));
        QCOMPARE(HueColor::rgb(HueXY{0.4, -0.2}), (HueRGB{1, 1, 1}));
        QVERIFY(near(HueColor::rgb(HueXY{0.3127, 0.329}), HueRGB{1, 1, 1}, 2e-3));
        // A saturated red: red channel saturates, blue drops to zero, nothing leaves 0–1.
        const HueRGB red = HueColor::rgb(HueXY{0.6915, 0.3083});
        QCOMPARE(red.red, 1.0);
        QCOMPARE(red.blue, 0.0);
        QVERIFY(red.green >= 0 && red.green < 0.3);
        // Far outside the spectral locus: still valid channels.
        const HueRGB odd = HueColor::rgb(HueXY{5, 0.001});
        for (double c : {odd.red, odd.green, odd.blue})
            QVERIFY(c >= 0 && c <= 1);
    }
    void xyOfRGB()
    {
        QCOMPARE(HueColor::xy(HueRGB{0, 0, 0}, gamutC), (HueXY{0.3127, 0.329}));
        QCOMPARE(HueColor::xy(HueRGB{-1, -2, 0}, gamutC), (HueXY{0.3127, 0.329}));
        QVERIFY(near(HueColor::xy(HueRGB{1, 1, 1}), HueXY{0.3127, 0.329}, 1e-3));
        // Out-of-range channels are clamped before linearising.
        QCOMPARE(HueColor::xy(HueRGB{2, 1, 1}), HueColor::xy(HueRGB{1, 1, 1}));

        // Pure sRGB blue lies outside gamut C; with the gamut it is pulled onto its edge.
        const HueXY blue = HueColor::xy(HueRGB{0, 0, 1});
        QVERIFY(near(blue, HueXY{0.1500, 0.0600}, 1e-3));
        const HueXY clamped = HueColor::xy(HueRGB{0, 0, 1}, gamutC);
        QCOMPARE(clamped, HueColor::clamp(blue, gamutC));
        QVERIFY(clamped != blue);

        const HueXY warm{0.45, 0.41};
        QVERIFY(near(HueColor::xy(HueColor::rgb(warm), gamutC), warm, 1e-3));
    }
    void clampToGamut_data()
    {
        QTest::addColumn<HueXY>("point");
        QTest::addColumn<HueXY>("expected");
        QTest::newRow("inside") << HueXY{0.3, 0.3} << HueXY{0.3, 0.3};
        QTest::newRow("on R-G edge") << HueXY{(0.6915 + 0.17) / 2, (0.3083 + 0.7) / 2}
                                     << HueXY{(0.6915 + 0.17) / 2, (0.3083 + 0.7) / 2};
        // Below the B→R edge near red: pulled onto that edge, not the R→G edge.
        QTest::newRow("outside below red") << HueXY{0.6, 0.2} << HueXY{0.5748, 0.2518};
        QTest::newRow("beyond red corner") << HueXY{0.75, 0.3} << gamutC.red;
        QTest::newRow("outside right of R-G") << HueXY{0.5, 0.6} << HueXY{0.4290, 0.5055};
    }
    void clampToGamut()
    {
        QFETCH(HueXY, point);
        QFETCH(HueXY, expected);
        const HueXY result = HueColor::clamp(point, gamutC);
        if (point == expected) {
            QCOMPARE(result, point);
            return;
        }
        // The result lies on the triangle and no other edge point is closer.
        const double d = std::hypot(result.x - point.x, result.y - point.y);
        QVERIFY(d > 0);
        QVERIFY(near(HueColor::clamp(result, gamutC), result, 1e-12));
        for (int i = 0; i <= 1000; ++i) {
            const double t = i / 1000.0;
            for (auto [a, b] : {std::pair{gamutC.red, gamutC.green}, std::pair{gamutC.green, gamutC.blue},
                                std::pair{gamutC.blue, gamutC.red}}) {
                const HueXY edge{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
                QVERIFY(std::hypot(edge.x - point.x, edge.y - point.y) >= d - 1e-12);
            }
        }
        QVERIFY(near(result, expected, 1e-3));
    }
    void rgbOfMirek_data()
    {
        QTest::addColumn<int>("mirek");
        QTest::addColumn<HueRGB>("expected");
        QTest::newRow("153") << 153 << HueRGB{1.0, 0.9987, 0.9841};
        QTest::newRow("366") << 366 << HueRGB{1.0, 0.6584, 0.3530};
        QTest::newRow("500") << 500 << HueRGB{1.0, 0.5367, 0.0545};
        QTest::newRow("1000") << 1000 << HueRGB{1.0, 67.92041905680745 / 255, 0.0};
    }
    void rgbOfMirek()
    {
        QFETCH(int, mirek);
        QFETCH(HueRGB, expected);
        QVERIFY2(near(HueColor::rgb(mirek), expected),
                 QByteArray::number(HueColor::rgb(mirek).green, 'f', 6).constData());
        // Zero and negative behave as mirek 1 (K = 1,000,000: t is capped at 400).
        QCOMPARE(HueColor::rgb(0), HueColor::rgb(1));
        QCOMPARE(HueColor::rgb(-50), HueColor::rgb(1));
        QCOMPARE(HueColor::rgb(1).blue, 1.0);
        QCOMPARE(HueColor::rgb(1), HueColor::rgb(24)); // both above 40,000 K
    }
    void surfaces()
    {
        QCOMPARE(HueColor::surface(-10), (HueRGB{0.90, 0.94, 1.00}));
        QCOMPARE(HueColor::surface(9000), (HueRGB{1.00, 0.80, 0.47}));
        QVERIFY(near(HueColor::surface(193), HueRGB{0.95, 0.96, 0.97}, 1e-12));
        QVERIFY(near(HueRGB::warmWhite, HueColor::surface(366), 1e-12));
    }
};

QTEST_GUILESS_MAIN(TestColor)
#include "tst_color.moc"
