// The home, group and favourites screens of the real window against the
// recorded bridge home, each in the state worth looking at, saved as pictures
// (LUMORA_SCREENSHOT_DIR, default: the build folder). Run under Xvfb with
// QT_QPA_PLATFORM=xcb for pictures drawn by a real display server.
#include "BridgeFixture.h"
#include "HueText.h"
#include "LumoraApplication.h"
#include "LumoraStore.h"
#include "QuickHarness.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

using namespace Qt::StringLiterals;

class ScreenshotsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBridge> m_bridge;
    std::unique_ptr<LumoraApplication> m_app;
    QString m_folder;
    QString m_language;

    QQuickWindow *window() const { return m_app->mainWindow(); }
    LumoraStore *store() const
    {
        const int type = qmlTypeId("Lumora", 1, 0, "Store");
        return qmlEngine(window()->contentItem())->singletonInstance<LumoraStore *>(type);
    }
    void grab(const QString &name)
    {
        // Let popovers and glows finish their short animations.
        QTest::qWait(400);
        const QImage image = window()->grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(QDir(m_folder).filePath(name + u'-' + m_language + u".png"_s)));
    }

    QQuickItem *item(const char *name) const
    {
        return findItem(window()->contentItem(), QLatin1StringView(name), true);
    }
    bool opened(const char *popup) const
    {
        const auto found = window()->findChildren<QObject *>(QLatin1StringView(popup));
        return std::any_of(found.cbegin(), found.cend(),
                           [](const QObject *object) { return object->property("opened").toBool(); });
    }
    void click(const char *name)
    {
        QTRY_VERIFY(item(name));
        const QPointF centre = item(name)->mapToScene({item(name)->width() / 2, item(name)->height() / 2});
        QTest::mouseClick(window(), Qt::LeftButton, {}, centre.toPoint());
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_language = HueText::usesGerman() ? u"de"_s : u"en"_s;
        m_folder = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR", QDir::currentPath());
        QDir().mkpath(m_folder);
        m_bridge = std::make_unique<TestBridge>();
        LumoraApplication::applyLook();
        m_app = std::make_unique<LumoraApplication>(
            LumoraApplication::Services{m_bridge->settings(), m_bridge->environment(), nullptr});
        QString error;
        QVERIFY2(m_app->load(&error), qPrintable(error));
        window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(window()));
        window()->requestActivate();
        QTRY_COMPARE_WITH_TIMEOUT(store()->phase(), LumoraStore::Ready, 10000);
    }
    void cleanupTestCase()
    {
        m_app.reset();
        m_bridge.reset();
    }
    void homeOverview()
    {
        store()->select(u"home"_s);
        QTRY_VERIFY(item("roomsGrid") && item("roomsGrid")->property("count").toInt() == 1);
        grab(u"home"_s);
    }
    void roomWithColourPopover()
    {
        store()->openGroup(BridgeFixture::roomID);
        click("groupColorButton");
        QTRY_VERIFY(opened("groupColorPicker"));
        grab(u"room-colour"_s);
        QTest::keyClick(window(), Qt::Key_Escape);
        QTRY_VERIFY(!opened("groupColorPicker"));

        store()->openGroup(BridgeFixture::zoneID);
        click("colorButton");
        // The picker's wheel is in the window's overlay while the popover is open.
        QTRY_VERIFY(item("wheel"));
        grab(u"zone-light-colour"_s);
        QTest::keyClick(window(), Qt::Key_Escape);
    }
    void saveSceneFailure()
    {
        store()->openGroup(BridgeFixture::roomID);
        click("saveSceneButton");
        QTRY_VERIFY(opened("saveScenePopup") && item("nameField"));
        // Without a window manager the window may not be active; the field
        // has the focus within it either way.
        item("nameField")->forceActiveFocus();
        m_bridge->failRequests(u"^/clip/v2/resource/scene$"_s, 503, 1);
        for (const char letter : HueText::usesGerman() ? "Abendlicht"_L1 : "Evening"_L1)
            QTest::keyClick(window(), letter);
        QTest::keyClick(window(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(item("failure"), 5000);
        grab(u"save-scene-failure"_s);
        QTest::keyClick(window(), Qt::Key_Escape);
        m_bridge->clearFaults();
    }
    void favourites()
    {
        FavoritesStore *favorites = m_app->store()->favorites();
        favorites->toggle(Favorite::Kind::scene, BridgeFixture::regularScene);
        favorites->toggle(Favorite::Kind::group, BridgeFixture::zoneID);
        favorites->toggle(Favorite::Kind::light, BridgeFixture::colorLight1);
        favorites->toggle(Favorite::Kind::light, BridgeFixture::colorLight2);
        store()->select(u"favorites"_s);
        QTRY_VERIFY(item("favoriteLights") && item("favoriteLights")->property("count").toInt() == 2);
        grab(u"favorites"_s);

        for (const auto &favorite : favorites->items())
            favorites->toggle(favorite);
        QTRY_VERIFY(item("placeholder"));
        grab(u"favorites-empty"_s);
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "tst_screenshots.moc"
