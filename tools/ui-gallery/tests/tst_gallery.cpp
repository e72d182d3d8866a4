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

namespace {

QImage render(QQuickView &view)
{
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
    return image;
}

QString artefact(const QString &name)
{
    QDir().mkpath(QStringLiteral(LUMORA_SCREENSHOT_DIR));
    return QStringLiteral(LUMORA_SCREENSHOT_DIR) + u'/' + name;
}

} // namespace

class TestGallery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("QT_QUICK_FLICKABLE_WHEEL_DECELERATION", "15000"); }
    void everyBlock()
    {
        auto view = makeView(u"all"_s, 8);
        QVERIFY(view);
        const QImage image = render(*view);
        QVERIFY(!image.isNull());
        QVERIFY(image.save(artefact(u"gallery.png"_s)));

        const double dpr = image.devicePixelRatio();
        const auto at = [&](QPoint p) { return image.pixelColor(int(p.x() * dpr), int(p.y() * dpr)); };

        // The window background is Theme.content (0.094 → 24).
        QCOMPARE(at({3, 3}).rgb(), qRgb(24, 24, 24));

        // Hue 0 sits at the right of the wheel, a quarter turn clockwise (below) is
        // yellow-green, three quarters (above) is violet.
        auto *wheel = view->rootObject()->findChild<QQuickItem *>(u"wheel"_s);
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
    // What a drag does to the order is the grid's own tests' concern; this
    // keeps a picture of a card carried over the others.
    void gridWhileDragging()
    {
        auto view = makeView(u"grid"_s, 8);
        QVERIFY(view);
        auto *grid = view->rootObject()->findChild<QQuickItem *>(u"grid"_s);
        QVERIFY(grid);
        QTRY_VERIFY(grid->property("count").toInt() == 8);
        // Pick up the first card by its title and carry it over the third.
        const QPoint start = grid->mapToScene(QPointF(150, 20)).toPoint();
        QTest::mousePress(view.get(), Qt::LeftButton, {}, start);
        for (const QPoint step : {QPoint(12, 4), QPoint(300, 30), QPoint(580, 40)})
            QTest::mouseMove(view.get(), start + step);
        QTRY_VERIFY(grid->property("dragging").toBool());
        QVERIFY(render(*view).save(artefact(u"grid-dragging.png"_s)));
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, start + QPoint(580, 40));
    }

private:
    std::unique_ptr<QQuickView> makeView(const QString &mode, int cards)
    {
        auto view = std::make_unique<QQuickView>();
        view->engine()->addImportPath(u"qrc:/qt/qml"_s);
        view->setInitialProperties({{u"mode"_s, mode}, {u"gridCards"_s, cards}});
        view->setSource(QUrl(u"qrc:/qt/qml/LumoraGallery/Gallery.qml"_s));
        if (view->status() != QQuickView::Ready)
            return nullptr;
        view->setResizeMode(QQuickView::SizeViewToRootObject);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return nullptr;
        return view;
    }
};

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
