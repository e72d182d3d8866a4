// The whole application wired as main() wires it, against an in-process
// bridge over TLS: every screen the window can show, in the order a user
// meets them, each checked by what it draws and saved as a picture for a
// person to look at (LUMORA_SCREENSHOT_DIR, default: the build folder).
#include "BridgeSimulator.h"
#include "HueText.h"
#include "LumoraApplication.h"
#include "LumoraStore.h"
#include "PairedBridge.h"
#include "QuickHarness.h"
#include "Theme.h"

#include <QDir>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class ScreensTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBridge> m_bridge;
    std::unique_ptr<LumoraApplication> m_app;
    QString m_folder;
    QString m_language;

    HueStore *store() const { return m_app->store(); }
    QQuickWindow *window() const { return m_app->mainWindow(); }

    /// Waits until the scene graph has drawn what the bindings now say.
    QImage grab(QQuickWindow *target, const QString &name)
    {
        QTest::qWait(0);
        QImage image = target->grabWindow();
        image.save(QDir(m_folder).filePath(name + u'-' + m_language + u".png"_s));
        return image;
    }

    QQuickItem *item(const char *name) const
    {
        return findItem(window()->contentItem(), QLatin1StringView(name), false);
    }

    static bool isDark(const QImage &image, QPoint at)
    {
        const QColor pixel = image.pixelColor(at);
        return pixel.lightnessF() < 0.2;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_language = HueText::usesGerman() ? u"de"_s : u"en"_s;
        m_folder = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR", QDir::currentPath());
        QDir().mkpath(m_folder);
        m_bridge = std::make_unique<TestBridge>();
        m_bridge->setDiscoverable(false);
        // Start unpaired, as a first start does.
        PairedBridge::remove(*m_bridge->settings());
        LumoraApplication::applyLook();
        m_app = std::make_unique<LumoraApplication>(
            LumoraApplication::Services{m_bridge->settings(), m_bridge->environment(), nullptr});
        QString error;
        QVERIFY2(m_app->load(&error), qPrintable(error));
        window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(window()));
    }

    void cleanupTestCase()
    {
        m_app.reset();
        m_bridge.reset();
    }

    void pairingSteps()
    {
        // Searching, then nothing found: the indicator with the firewall hint.
        QTRY_COMPARE_WITH_TIMEOUT(store()->phase(), HueStorePhase::unpaired(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(item("lookingForBridge") && item("lookingForBridge")->isVisible(), 5000);
        QVERIFY(!item("searchAgain")->isVisible());
        QVERIFY(item("hint")->property("text").toString().contains(u"5353"_s));
        const QImage looking = grab(window(), u"pairing-looking"_s);
        QVERIFY(isDark(looking, {5, looking.height() - 5}));

        m_bridge->setDiscoverable(true);
        QTRY_VERIFY_WITH_TIMEOUT(item("searchAgain") && item("searchAgain")->isVisible(), 5000);
        grab(window(), u"pairing-found"_s);

        // A slow search keeps its indicator up long enough to see it.
        m_bridge->setDiscoveryTime(1500);
        store()->searchBridges();
        QVERIFY(item("searching")->isVisible());
        grab(window(), u"pairing-searching"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!item("searching")->isVisible(), 5000);
        m_bridge->setDiscoveryTime(0);

        store()->pair(u"127.0.0.9"_s);
        QTRY_COMPARE_WITH_TIMEOUT(store()->pairingStep().kind, HueStorePairingStep::Kind::failed, 10000);
        // Nothing listens there: a refused connection, above the choice.
        QVERIFY(item("failure")->isVisible() && item("choice")->isVisible());
        QVERIFY(item("failureText")->property("text").toString().contains(u"127.0.0.9"_s));
        grab(window(), u"pairing-failed"_s);

        store()->pair(u"127.0.0.1"_s);
        QTRY_VERIFY(item("waiting") && item("waiting")->isVisible());
        grab(window(), u"pairing-waiting"_s);
    }

    void connectingAndUnreachable()
    {
        // The first loads after pairing fail: connecting, then unreachable.
        m_bridge->stallRequests(u"^/clip/v2/resource$"_s);
        m_bridge->pressLinkButton();
        QTRY_VERIFY_WITH_TIMEOUT(item("connecting") && item("connecting")->isVisible(), 10000);
        grab(window(), u"connecting"_s);
        m_bridge->clearFaults();
        m_bridge->failRequests(u"^/clip/v2/resource$"_s, 503, 1000);
        QTRY_VERIFY_WITH_TIMEOUT(item("unreachable") && item("unreachable")->isVisible(), 20000);
        grab(window(), u"unreachable"_s);
        m_bridge->clearFaults();
        QTRY_COMPARE_WITH_TIMEOUT(store()->phase(), HueStorePhase::ready(), 10000);
    }

    void mainWindowWithBanner()
    {
        QTRY_VERIFY_WITH_TIMEOUT(item("sidebar") && item("sidebar")->isVisible(), 5000);
        const QImage home = grab(window(), u"main"_s);
        // The sidebar is drawn a shade lighter than the content beside it.
        const QColor sidebar = home.pixelColor(20, home.height() - 20);
        const QColor content = home.pixelColor(home.width() - 20, home.height() - 20);
        QVERIFY(sidebar.lightness() > content.lightness());

        m_bridge->goDown();
        QTRY_COMPARE_WITH_TIMEOUT(store()->phase().kind, HueStorePhase::Kind::unreachable, 10000);
        QQuickItem *banner = item("bannerText");
        QTRY_VERIFY(banner->isVisible());
        const QImage outage = grab(window(), u"main-banner"_s);
        // The banner is a yellow band at the top of the detail column.
        const QPointF inBanner = banner->mapToScene({banner->width() - 4, 2});
        const QColor band = outage.pixelColor(inBanner.toPoint());
        QVERIFY2(band.red() > band.blue() + 20, qPrintable(band.name()));
        QVERIFY(m_bridge->comeBack());
        QTRY_COMPARE_WITH_TIMEOUT(store()->phase(), HueStorePhase::ready(), 10000);
        QTRY_VERIFY(!banner->isVisible());
    }

    void settingsAndAbout()
    {
        QVERIFY(QMetaObject::invokeMethod(window(), "openSettings"));
        auto *settings = window()->findChild<QQuickWindow *>(u"settings"_s);
        QVERIFY(settings);
        QVERIFY(QTest::qWaitForWindowExposed(settings));
        QCOMPARE(settings->width(), 460);
        const QImage form = grab(settings, u"settings"_s);
        QVERIFY(isDark(form, {2, 2}));
        settings->close();

        QVERIFY(QMetaObject::invokeMethod(window(), "openAbout"));
        auto *version = window()->findChild<QObject *>(u"aboutVersion"_s);
        QVERIFY(version);
        QTRY_VERIFY(version->property("visible").toBool());
        QVERIFY(version->property("text").toString().startsWith(QStringLiteral(LUMORA_VERSION)));
        auto *about = window()->findChild<QObject *>(u"about"_s);
        QTRY_VERIFY(about->property("opened").toBool());
        grab(window(), u"about"_s);
    }
};

QTEST_MAIN(ScreensTest)
#include "tst_screens.moc"
