// The desktop's global shortcuts against a portal of the test's own making on
// the test's private session bus: what the desktop is asked to bind (once),
// what a press does on the bridge, and what the settings say with and
// without a portal.
#include "GlobalShortcuts.h"
#include "LumoraStore.h"
#include "PortalShortcuts.h"
#include "QuickHarness.h"
#include "ShortcutsInfo.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString dynamicScene = u"fce5eabb-2f51-461b-b112-5362da301236"_s;
const QString regularScene = u"cdbf3740-7977-4a11-8275-8c78636ad4bd"_s;

/// org.freedesktop.portal.GlobalShortcuts as a desktop offers it, on a
/// connection of its own: requests answer through Request objects at the
/// conventional paths, bound shortcuts are remembered across sessions with
/// the keys the "user" chose in `keys`, and press() sends Activated.
class FakePortal : public QDBusVirtualObject
{
public:
    QHash<QString, QString> keys;
    QList<PortalShortcutEntry> bound;
    int binds = 0;

    FakePortal()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake-portal"_s))
    {
        qDBusRegisterMetaType<PortalShortcutEntry>();
        qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
        m_bus.registerVirtualObject(PortalShortcuts::path, this);
        m_bus.registerService(PortalShortcuts::service);
    }
    ~FakePortal() override
    {
        m_bus.unregisterService(PortalShortcuts::service);
        m_bus.unregisterObject(PortalShortcuts::path);
        QDBusConnection::disconnectFromBus(u"fake-portal"_s);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QList<QVariant> arguments = message.arguments();
        if (message.member() == u"Get" && arguments.value(0) == PortalShortcuts::interface)
            return m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
        if (message.interface() != PortalShortcuts::interface || arguments.isEmpty())
            return false;
        const QVariantMap options = qdbus_cast<QVariantMap>(arguments.last());
        const QString sender = message.service().mid(1).replace(u'.', u'_');
        const QString handle =
            PortalShortcuts::path + u"/request/"_s + sender + u'/' + options.value(u"handle_token"_s).toString();
        QVariantMap results;
        if (message.member() == u"CreateSession") {
            m_session = PortalShortcuts::path + u"/session/"_s + sender + u'/'
                        + options.value(u"session_handle_token"_s).toString();
            results.insert(u"session_handle"_s, m_session);
        } else if (message.member() == u"BindShortcuts") {
            ++binds;
            bound = qdbus_cast<QList<PortalShortcutEntry>>(arguments.at(1));
            for (auto &entry : bound)
                entry.properties.insert(u"trigger_description"_s, keys.value(entry.id));
            results.insert(u"shortcuts"_s, QVariant::fromValue(bound));
        } else if (message.member() == u"ListShortcuts") {
            results.insert(u"shortcuts"_s, QVariant::fromValue(bound));
        } else {
            return false;
        }
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        QDBusMessage response = QDBusMessage::createSignal(handle, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        response << 0u << results;
        return m_bus.send(response);
    }

    void press(const QString &id)
    {
        QDBusMessage activated =
            QDBusMessage::createSignal(PortalShortcuts::path, PortalShortcuts::interface, u"Activated"_s);
        activated << QVariant::fromValue(QDBusObjectPath(m_session)) << id << quint64(0) << QVariantMap();
        m_bus.send(activated);
    }

private:
    QDBusConnection m_bus;
    QString m_session;
};

} // namespace

class GlobalShortcutsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBridge> m_bridge;

    HueStore *store() const { return m_bridge->store(); }
    QList<SimRequest> puts() const
    {
        QList<SimRequest> list;
        for (const SimRequest &request : m_bridge->simulator()->requestLog()) {
            if (request.method == u"PUT")
                list.append(request);
        }
        return list;
    }
    static bool settled(const GlobalShortcuts &shortcuts)
    {
        const auto state = shortcuts.portal()->state();
        return state == PortalShortcuts::State::ready || state == PortalShortcuts::State::unavailable;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        m_bridge = std::make_unique<TestBridge>();
        store()->start();
        QTRY_VERIFY_WITH_TIMEOUT(store()->phase() == HueStore::Phase::ready(), 15000);
    }

    void aPressPerformsItsAction_data()
    {
        QTest::addColumn<QStringList>("favourites");
        QTest::addColumn<QStringList>("savedOrder");
        QTest::addColumn<QStringList>("presses");
        // The one command the presses send, and a key of its body.
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("bodyKey");
        QTest::addColumn<int>("panels");
        const QString toggle = GlobalShortcuts::toggleAllLightsID;
        const QStringList both{regularScene, dynamicScene};
        QTest::newRow("toggle all lights")
            << QStringList() << QStringList() << QStringList{toggle} << u"grouped_light/home"_s << u"on"_s << 0;
        QTest::newRow("favourite scene 1") << both << QStringList() << QStringList{GlobalShortcuts::favoriteSceneID(1)}
                                           << regularScene << u"recall"_s << 0;
        QTest::newRow("favourite scene 2") << both << QStringList() << QStringList{GlobalShortcuts::favoriteSceneID(2)}
                                           << dynamicScene << u"recall"_s << 0;
        QTest::newRow("favourite scene 1 in the saved order")
            << both << QStringList{dynamicScene, regularScene} << QStringList{GlobalShortcuts::favoriteSceneID(1)}
            << dynamicScene << u"recall"_s << 0;
        // A press that does nothing, seen through the command of the next one.
        QTest::newRow("favourite scene 3 of 2")
            << both << QStringList() << QStringList{GlobalShortcuts::favoriteSceneID(3), toggle}
            << u"grouped_light/home"_s << u"on"_s << 0;
        QTest::newRow("quick panel") << QStringList() << QStringList()
                                     << QStringList{GlobalShortcuts::quickPanelID, toggle} << u"grouped_light/home"_s
                                     << u"on"_s << 1;
    }
    void aPressPerformsItsAction()
    {
        QFETCH(QStringList, favourites);
        QFETCH(QStringList, savedOrder);
        QFETCH(QStringList, presses);
        QFETCH(QString, target);
        QFETCH(QString, bodyKey);
        QFETCH(int, panels);
        const QList<Favorite> earlier = store()->favorites()->items();
        for (const Favorite &favourite : earlier)
            store()->favorites()->toggle(favourite);
        for (const QString &id : favourites)
            store()->favorites()->toggle(Favorite{Favorite::Kind::scene, id});
        store()->order()->save(savedOrder, u"favorites.scenes"_s);
        const std::optional<HueGroup> home = store()->home().home();
        QVERIFY(home && home->groupedLightID);
        target.replace(u"grouped_light/home"_s, u"grouped_light/"_s + *home->groupedLightID);
        const bool wasOn = home->isOn;
        m_bridge->simulator()->clearRequestLog();

        FakePortal portal;
        GlobalShortcuts shortcuts(store(), QDBusConnection::sessionBus());
        QSignalSpy panel(&shortcuts, &GlobalShortcuts::quickPanelRequested);
        shortcuts.start();
        QTRY_VERIFY(shortcuts.portal()->state() == PortalShortcuts::State::ready);
        for (const QString &id : presses)
            portal.press(id);
        QTRY_COMPARE_WITH_TIMEOUT(puts().size(), 1, 10000);
        const SimRequest sent = puts().constFirst();
        QVERIFY2(sent.target.endsWith(target), qPrintable(sent.target));
        const QJsonObject body = QJsonDocument::fromJson(sent.body).object();
        QVERIFY2(body.contains(bodyKey), sent.body.constData());
        if (bodyKey == u"on")
            QCOMPARE(body.value(u"on"_s).toObject().value(u"on"_s).toBool(), !wasOn);
        QCOMPARE(panel.size(), panels);
    }

    void settingsShowTheKeysOrTheWayAround_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<int>("earlierStarts");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QStringList>("rows");
        const QStringList bound{u"Toggle all lights: Ctrl+Alt+L"_s, u"Open quick panel: not assigned"_s,
                                u"Recall favourite scene 1: not assigned"_s};
        QTest::newRow("no portal") << false << 0 << u"This desktop does not offer global shortcuts."_s << QStringList();
        QTest::newRow("first start binds") << true << 0 << u"Choose the keys in your desktop's settings."_s << bound;
        QTest::newRow("later starts only list")
            << true << 2 << u"Choose the keys in your desktop's settings."_s << bound;
    }
    void settingsShowTheKeysOrTheWayAround()
    {
        QFETCH(bool, portal);
        QFETCH(int, earlierStarts);
        QFETCH(QString, hint);
        QFETCH(QStringList, rows);
        std::unique_ptr<FakePortal> fake;
        if (portal) {
            fake = std::make_unique<FakePortal>();
            fake->keys.insert(GlobalShortcuts::toggleAllLightsID, u"Ctrl+Alt+L"_s);
        }
        for (int start = 0; start <= earlierStarts; ++start) {
            GlobalShortcuts earlier(store(), QDBusConnection::sessionBus());
            earlier.start();
            QTRY_VERIFY(settled(earlier));
        }
        GlobalShortcuts shortcuts(store(), QDBusConnection::sessionBus());
        shortcuts.start();
        QTRY_VERIFY(settled(shortcuts));
        if (fake) {
            // Bound once, with every shortcut described; later sessions find them.
            QCOMPARE(fake->binds, 1);
            QCOMPARE(fake->bound.size(), 2 + GlobalShortcuts::favoriteScenes);
            QCOMPARE(fake->bound.at(2).properties.value(u"description"_s).toString(), u"Recall favourite scene 1"_s);
        }

        LumoraStore::provide(store(), m_bridge->settings());
        ShortcutsInfo::provide(shortcuts.portal());
        QQmlEngine engine;
        engine.addImportPath(u"qrc:/qt/qml"_s);
        QQmlComponent component(&engine, QUrl(u"qrc:/qt/qml/Lumora/SettingsView.qml"_s));
        std::unique_ptr<QObject> view(component.create());
        QVERIFY2(view, qPrintable(component.errorString()));
        auto *root = qobject_cast<QQuickItem *>(view.get());
        QVERIFY(findItem(root, "shortcutsHint"_L1)->property("text").toString().startsWith(hint));
        for (int index = 0; index < rows.size(); ++index) {
            QQuickItem *row = findItem(root, QLatin1StringView(QByteArray("shortcut") + QByteArray::number(index)));
            QVERIFY(row);
            QCOMPARE(row->property("label").toString() + u": "_s + row->property("value").toString(), rows.at(index));
        }
        QCOMPARE(findItem(root, "shortcut0"_L1) != nullptr, !rows.isEmpty());
    }
};

QTEST_MAIN(GlobalShortcutsTest)
#include "tst_globalshortcuts.moc"
