// Lumora in the desktop around its window, end to end on the test's private
// session bus: a stand-in StatusNotifierWatcher takes the tray item, the test
// reads and clicks the menu over com.canonical.dbusmenu as a panel does and
// finds the commands in the bridge simulator's request log; the quick panel,
// closing to the tray, the autostart entry and the one-shot action.
#include "AutostartEntry.h"
#include "BridgeFixture.h"
#include "CommandLineAction.h"
#include "Desktop.h"
#include "FakeWatcher.h"
#include "LumoraApplication.h"
#include "PairedBridge.h"
#include "QuickHarness.h"
#include "TrayDBusTypes.h"
#include "TrayIcon.h"
#include "TrayMenu.h"

#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFile>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace BridgeFixture;

class TrayTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBridge> m_bridge;
    std::unique_ptr<LumoraApplication> m_app;
    FakeWatcher m_watcher;
    QDBusConnection m_watcherBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"watcher"_s);
    /// The panel's own connection: what the application answers goes over the bus.
    QDBusConnection m_panel = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"panel"_s);
    int m_propertyUpdates = 0;

    BridgeSimulator *simulator() const { return m_bridge->simulator(); }
    QString homeGroupedLight() const { return *m_app->store()->home().home()->groupedLightID; }

    QDBusMessage call(const char *path, const QString &interface, const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(m_app->tray()->serviceName(), QString::fromLatin1(path), interface, method);
        message.setArguments(arguments);
        // Asynchronous: the application answers on this thread.
        const QDBusPendingCall pending = m_panel.asyncCall(message, 5000);
        if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 6000))
            return {};
        return pending.reply();
    }
    DBusMenuLayout layout()
    {
        const QDBusMessage reply =
            call(TrayIcon::menuPath, u"com.canonical.dbusmenu"_s, u"GetLayout"_s, {0, -1, QStringList()});
        return reply.arguments().size() == 2 ? qdbus_cast<DBusMenuLayout>(reply.arguments().at(1)) : DBusMenuLayout();
    }
    /// The entry whose label starts with `label`, anywhere in the menu.
    static std::optional<DBusMenuLayout> find(const DBusMenuLayout &in, const QString &label)
    {
        if (in.properties.value(u"label"_s).toString().startsWith(label))
            return in;
        for (const DBusMenuLayout &child : in.children) {
            if (auto found = find(child, label))
                return found;
        }
        return std::nullopt;
    }
    std::optional<DBusMenuLayout> entry(const QString &label) { return find(layout(), label); }
    void click(const QString &label)
    {
        const std::optional<DBusMenuLayout> found = entry(label);
        QVERIFY2(found, qPrintable(label));
        call(TrayIcon::menuPath, u"com.canonical.dbusmenu"_s, u"Event"_s,
             {found->id, u"clicked"_s, QVariant::fromValue(QDBusVariant(QString())), 0u});
    }
    bool sent(const QString &method, const QString &path) const
    {
        return std::ranges::any_of(simulator()->requestLog(), [&](const SimRequest &request) {
            return request.method == method && request.path() == path;
        });
    }

public Q_SLOTS:
    void propertiesUpdated() { ++m_propertyUpdates; }

private Q_SLOTS:
    void initTestCase()
    {
        registerTrayDBusTypes();
        QVERIFY(m_watcherBus.registerObject(u"/StatusNotifierWatcher"_s, &m_watcher,
                                            QDBusConnection::ExportScriptableSlots));
        QVERIFY(m_watcherBus.registerService(u"org.kde.StatusNotifierWatcher"_s));
        m_bridge = std::make_unique<TestBridge>();
        LumoraApplication::applyLook();
        m_app = std::make_unique<LumoraApplication>(
            LumoraApplication::Services{m_bridge->settings(), m_bridge->environment(), nullptr});
        // A start at login: the item in the tray, no window.
        m_app->loadInBackground();
        QTRY_VERIFY(m_app->tray()->isShown());
        QVERIFY(m_watcher.registered.contains(m_app->tray()->serviceName()));
        QVERIFY(!m_app->mainWindow());
        QTRY_COMPARE(m_app->store()->phase(), HueStorePhase::ready());
        QVERIFY(m_panel.connect(m_app->tray()->serviceName(), QString::fromLatin1(TrayIcon::menuPath),
                                u"com.canonical.dbusmenu"_s, u"ItemsPropertiesUpdated"_s, this,
                                SLOT(propertiesUpdated())));
    }
    void cleanupTestCase()
    {
        m_app.reset();
        m_bridge.reset();
    }

    // Every click a panel sends ends as a request to the bridge.
    void clicksReachTheBridge_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("room toggle") << u"room"_s;
        QTest::newRow("favourite scene") << u"scene"_s;
        QTest::newRow("all lights off") << u"home"_s;
    }
    void clicksReachTheBridge()
    {
        QFETCH(QString, what);
        const HueHome &home = m_app->store()->home();
        QString label = u"All lights off"_s;
        QString path = u"grouped_light/"_s + homeGroupedLight();
        if (what == u"room") {
            label = home.group(roomID)->name;
            path = u"grouped_light/"_s + roomGroupedLight;
        } else if (what == u"scene") {
            // A favourite scene appears in the menu, named with its group.
            m_app->store()->favorites()->toggle(Favorite{Favorite::Kind::scene, regularScene});
            const HueScene scene = *home.scene(regularScene);
            label = scene.name + u" – "_s + home.group(scene.groupID)->name;
            path = u"scene/"_s + regularScene;
            QTRY_VERIFY(entry(label));
        }
        simulator()->clearRequestLog();
        click(label);
        QTRY_VERIFY(sent(u"PUT"_s, u"/clip/v2/resource/"_s + path));
    }

    // The room's check mark follows the bridge, pushed to the panel.
    void outsideChangeUpdatesTheRoom()
    {
        const QString room = m_app->store()->home().group(roomID)->name;
        for (const bool on : {true, false}) {
            const int updates = m_propertyUpdates;
            for (const QString &light : {temperatureLight, onOffLight})
                QVERIFY(simulator()->changeFromOutside(light, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, on}}}}));
            QTRY_COMPARE(entry(room).value_or(DBusMenuLayout()).properties.value(u"toggle-state"_s).toInt(),
                         on ? 1 : 0);
            QTRY_VERIFY(m_propertyUpdates > updates);
            QCOMPARE(entry(room)->properties.value(u"toggle-type"_s).toString(), u"checkmark"_s);
        }
    }

    void quickPanelAndClosingToTheTray()
    {
        // A left click on the icon opens the quick panel with the favourite
        // scene and, without favourite rooms, every room and zone.
        call(TrayIcon::itemPath, u"org.kde.StatusNotifierItem"_s, u"Activate"_s, {0, 0});
        QTRY_VERIFY(m_app->quickPanel() && m_app->quickPanel()->isVisible());
        QQuickItem *content = m_app->quickPanel()->contentItem();
        QTRY_COMPARE(findItem(content, "quickScenes"_L1)->property("count").toInt(), 1);
        QTRY_COMPARE(findItem(content, "quickRooms"_L1)->property("count").toInt(), 1);
        QTRY_COMPARE(findItem(content, "quickZones"_L1)->property("count").toInt(), 1);
        m_app->quickPanel()->close();
        QTRY_VERIFY(!m_app->quickPanel());

        // "Open Lumora" makes the window; closing it keeps Lumora in the
        // tray, says so once and releases the window.
        click(u"Open Lumora"_s);
        QTRY_VERIFY(m_app->mainWindow() && m_app->mainWindow()->isVisible());
        m_app->mainWindow()->close();
        QTRY_VERIFY(!m_app->mainWindow());
        QVERIFY(m_bridge->settings()->value(QLatin1StringView(LumoraApplication::closeNoticeKey)).toBool());
        click(u"Settings"_s);
        QTRY_VERIFY(m_app->mainWindow());
        QTRY_VERIFY(m_app->mainWindow()->findChild<QWindow *>(u"settings"_s)->isVisible());
    }

    void autostartEntry()
    {
        const QString path = AutostartEntry::path();
        QVERIFY(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart/"_s));
        QVERIFY(AutostartEntry::setEnabled(true));
        QVERIFY(AutostartEntry::isEnabled());
        QProcess validate;
        validate.start(u"desktop-file-validate"_s, {path});
        QVERIFY(validate.waitForFinished(20000));
        QCOMPARE(validate.readAll(), QByteArray());
        QCOMPARE(validate.exitCode(), 0);
        QVERIFY(QFile(path).open(QIODevice::ReadOnly));
        QVERIFY(AutostartEntry::contents().contains("\nExec=lumora --background\n"));
        // A desktop's own settings switch it off without removing it.
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("Hidden=true\n");
        file.close();
        QVERIFY(!AutostartEntry::isEnabled());
        QVERIFY(AutostartEntry::setEnabled(false));
        QVERIFY(!QFile::exists(path));
    }

    // `lumora --action all-off` without a running instance, as main() runs it.
    void oneShotAction_data()
    {
        QTest::addColumn<bool>("paired");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("paired") << true << 0 << u"All lights are off."_s;
        QTest::newRow("unpaired") << false << 1 << u"Lumora is not paired with a bridge"_s;
    }
    void oneShotAction()
    {
        QFETCH(bool, paired);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir folder;
        auto settings = paired ? m_bridge->settings()
                               : std::make_shared<QSettings>(folder.filePath(u"s.ini"_s), QSettings::IniFormat);
        simulator()->clearRequestLog();
        const CommandLineAction::Outcome outcome =
            QCoro::waitFor(CommandLineAction::run(u"all-off"_s, settings, m_bridge->environment()));
        QVERIFY2(outcome.message.startsWith(message), qPrintable(outcome.message));
        QCOMPARE(outcome.status, status);
        QCOMPARE(sent(u"PUT"_s, u"/clip/v2/resource/grouped_light/"_s + homeGroupedLight()), paired);
    }

    // Last: with the bridge gone, the menu says why and offers nothing that
    // needs it; the panel stays.
    void unreachableBridgeDisablesTheEntries()
    {
        const QString room = m_app->store()->home().group(roomID)->name;
        simulator()->goDown();
        m_app->store()->refresh();
        QTRY_VERIFY(entry(u"Bridge unreachable"_s));
        QVERIFY(!entry(u"Bridge unreachable"_s)->properties.value(u"enabled"_s).toBool());
        QVERIFY(!entry(u"All lights off"_s)->properties.value(u"enabled"_s).toBool());
        QVERIFY(entry(u"Quit"_s)->properties.value(u"enabled"_s).toBool());
        const std::optional<DBusMenuLayout> toggle = entry(room);
        QVERIFY(toggle);
        QVERIFY(!toggle->properties.value(u"enabled"_s).toBool());
        QVERIFY(!m_app->trayMenu()->activate(toggle->id));
    }
};

QTEST_MAIN(TrayTest)
#include "tst_tray.moc"
