// Lumora's surfaces on a Wayland compositor (a headless Weston, see
// tests/support/with-weston): beside the main window (tst_lumoraprocess),
// the settings window, a dialog, a menu and the quick panel each map and
// draw. Wayland forbids what X11 allows (placing a window, raising it
// unasked); Qt says so in warnings, and any of them fails the test.
#include "LumoraApplication.h"
#include "QuickHarness.h"

#include <QGuiApplication>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class WaylandTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBridge> m_bridge;
    std::unique_ptr<LumoraApplication> m_app;

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), u"wayland"_s);
        m_bridge = std::make_unique<TestBridge>();
        LumoraApplication::applyLook();
        m_app = std::make_unique<LumoraApplication>(
            LumoraApplication::Services{m_bridge->settings(), m_bridge->environment(), nullptr});
        QString error;
        QVERIFY2(m_app->load(&error), qPrintable(error));
        QTRY_COMPARE(m_app->store()->phase(), HueStorePhase::ready());
        // Until the main window is up, Qt still owes its child windows their
        // declared visibility (a queued call), which would hide the settings
        // window opened below.
        QTRY_VERIFY(m_app->mainWindow()->isExposed());
    }
    void init() { QTest::failOnWarning(QRegularExpression(u"does not support|not available|is not allowed"_s)); }
    void cleanupTestCase()
    {
        m_app.reset();
        m_bridge.reset();
    }

    void surfaceMapsAndDraws_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("settings window") << u"settings"_s;
        QTest::newRow("about dialog") << u"about"_s;
        QTest::newRow("application menu") << u"appMenu"_s;
        QTest::newRow("quick panel") << u"quickPanel"_s;
    }
    void surfaceMapsAndDraws()
    {
        QFETCH(QString, what);
        QQuickWindow *main = m_app->mainWindow();
        QVERIFY(main);
        // Popups draw into their window; the others are windows of their own.
        QObject *popup = main->findChild<QQuickWindow *>(what) ? nullptr : main->findChild<QObject *>(what);
        if (what == u"settings") {
            QVERIFY(QMetaObject::invokeMethod(main, "openSettings"));
        } else if (what == u"quickPanel") {
            m_app->openQuickPanel();
        } else {
            QVERIFY(popup && QMetaObject::invokeMethod(popup, "open"));
            QTRY_VERIFY(popup->property("opened").toBool());
        }
        QQuickWindow *surface = popup                   ? main
                                : what == u"quickPanel" ? m_app->quickPanel()
                                                        : main->findChild<QQuickWindow *>(what);
        QVERIFY(surface);
        // A frame from now on: a new window's first, or one with the popup open.
        QSignalSpy frames(surface, &QQuickWindow::frameSwapped);
        surface->update();
        QTRY_VERIFY_WITH_TIMEOUT(surface->isExposed() && !frames.isEmpty(), 15000);
        if (popup)
            QVERIFY(QMetaObject::invokeMethod(popup, "close"));
        else
            surface->close();
    }
};

QTEST_MAIN(WaylandTest)
#include "tst_wayland.moc"
