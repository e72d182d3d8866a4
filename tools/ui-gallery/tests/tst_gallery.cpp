// Renders the gallery and keeps the pictures as test artefacts in the build
// directory, so that a change in how a building block looks can be seen.
#include <QDir>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraGalleryPlugin)

using namespace Qt::StringLiterals;

class TestGallery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyBlock()
    {
        QQuickView view;
        view.engine()->addImportPath(u"qrc:/qt/qml"_s);
        view.setSource(QUrl(u"qrc:/qt/qml/LumoraGallery/Gallery.qml"_s));
        QCOMPARE(view.status(), QQuickView::Ready);
        view.setResizeMode(QQuickView::SizeViewToRootObject);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Animations that start with the first frame (none should) have come to
        // rest once two pictures in a row are the same.
        QImage image = view.grabWindow();
        [[maybe_unused]] const bool atRest = QTest::qWaitFor(
            [&] {
                QImage next = view.grabWindow();
                std::swap(next, image);
                return next == image;
            },
            10000);
        QVERIFY(QDir().mkpath(QStringLiteral(LUMORA_SCREENSHOT_DIR)));
        QVERIFY(image.save(QStringLiteral(LUMORA_SCREENSHOT_DIR "/gallery.png")));

        const double dpr = image.devicePixelRatio();
        const auto at = [&](QPoint p) { return image.pixelColor(int(p.x() * dpr), int(p.y() * dpr)); };

        // The window background is Theme.content (0.094 → 24).
        QCOMPARE(at({3, 3}).rgb(), qRgb(24, 24, 24));

        // Hue 0 sits at the right of the wheel, a quarter turn clockwise (below) is
        // yellow-green, three quarters (above) is violet.
        auto *wheel = view.rootObject()->findChild<QQuickItem *>(u"wheel"_s);
        QVERIFY(wheel);
        const QPoint c = wheel->mapToScene(QPointF(wheel->width() / 2, wheel->height() / 2)).toPoint();
        const int r = int(wheel->width() / 2);
        const QColor right = at(c + QPoint(r - 6, 0));
        const QColor below = at(c + QPoint(0, r - 6));
        const QColor above = at(c + QPoint(0, -(r - 6)));
        QVERIFY2(right.red() > 200 && right.green() < 120 && right.blue() < 120, qPrintable(right.name()));
        QVERIFY2(below.green() > 200 && below.red() > 100 && below.blue() < 120, qPrintable(below.name()));
        QVERIFY2(above.blue() > 200 && above.red() > 100 && above.green() < 120, qPrintable(above.name()));
        // White in the centre.
        const QColor middle = at(c);
        QVERIFY2(middle.red() > 240 && middle.green() > 240 && middle.blue() > 240, qPrintable(middle.name()));
    }
};

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
