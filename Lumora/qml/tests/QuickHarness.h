#pragma once

#include "BridgeSimulator.h"
#include "HueStore.h"

#include <QJsonObject>
#include <QObject>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

class QQmlEngine;
class QQuickItem;
class QSettings;

/// The first item under `root` (itself included) named `name`, visible ones
/// only when asked. Loaders parent what they load only visually, so this
/// walks the item tree rather than the object tree.
QQuickItem *findItem(QQuickItem *root, QLatin1StringView name, bool visibleOnly = false);

/// What Qt Quick tests of the screens run against: a real store connected
/// over TLS to an in-process bridge simulator on loopback, serving the
/// recorded real-bridge home, with settings in a temporary folder and the key
/// in memory. Offered to QML as the `Store` singleton (through LumoraStore)
/// and as `TestBridge`, which reads the simulator's request log and plays the
/// world outside the application (a wall switch, the link button, an outage).
class TestBridge : public QObject
{
    Q_OBJECT

public:
    /// Starts the simulator and a store paired with it; `start()` connects.
    explicit TestBridge(QObject *parent = nullptr);
    ~TestBridge() override;

    /// Makes `engine`'s Store and TestBridge singletons this bridge's; for
    /// QUICK_TEST_MAIN_WITH_SETUP's qmlEngineAvailable (one bridge per file).
    static void installInto(QQmlEngine *engine);

    HueStore *store() const { return m_store.get(); }
    BridgeSimulator *simulator() const { return m_simulator.get(); }
    std::shared_ptr<QSettings> settings() const { return m_settings; }
    QString bridgeId() const { return m_simulator->bridgeId().toLower(); }

    /// Requests the simulator received since the last clear, as
    /// [{method, path, body}] (body parsed as JSON when it is), filtered by
    /// method (empty: any) and path prefix.
    Q_INVOKABLE QVariantList requests(const QString &method = {}, const QString &pathPrefix = {}) const;
    Q_INVOKABLE void clearRequests() { m_simulator->clearRequestLog(); }
    /// The simulator's current resource, or an empty map.
    Q_INVOKABLE QVariantMap resource(const QString &id) const
    {
        return m_simulator->resource(id).value_or(QJsonObject()).toVariantMap();
    }
    Q_INVOKABLE QStringList resourceIds(const QString &type) const { return m_simulator->resourceIds(type); }
    /// A change made elsewhere; events flow to the application.
    Q_INVOKABLE bool changeFromOutside(const QString &id, const QVariantMap &patch)
    {
        return m_simulator->changeFromOutside(id, QJsonObject::fromVariantMap(patch));
    }
    Q_INVOKABLE bool removeResource(const QString &id) { return m_simulator->removeResource(id); }
    Q_INVOKABLE void pressLinkButton() { m_simulator->pressLinkButton(); }
    /// The next `count` requests whose path matches are refused with `status`.
    Q_INVOKABLE void failRequests(const QString &pathPattern, int status, int count = 1)
    {
        m_simulator->addFault(SimFault::respond(status).onPath(pathPattern).times(count));
    }
    /// Every request matching the path is held unanswered until clearFaults().
    Q_INVOKABLE void stallRequests(const QString &pathPattern)
    {
        m_simulator->addFault(SimFault::stall().onPath(pathPattern));
    }
    Q_INVOKABLE void clearFaults() { m_simulator->clearFaults(); }
    Q_INVOKABLE void goDown() { m_simulator->goDown(); }
    Q_INVOKABLE bool comeBack() { return m_simulator->comeBack(); }
    /// Whether discovery reports the bridge, at the address it listens on
    /// (it does by default).
    Q_INVOKABLE void setDiscoverable(bool discoverable) { m_discoverable = discoverable; }
    /// How long a search takes (none by default).
    Q_INVOKABLE void setDiscoveryTime(int milliseconds) { m_discoveryTime = milliseconds; }

    /// Services reaching only this bridge: for a second store (the whole
    /// application wired as main wires it).
    HueStore::Environment environment();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<BridgeSimulator> m_simulator;
    std::shared_ptr<QSettings> m_settings;
    std::shared_ptr<QHash<QString, QString>> m_keys;
    std::unique_ptr<HueStore> m_store;
    bool m_discoverable = true;
    int m_discoveryTime = 0;
};

/// The Qt Quick test runner's set-up (QUICK_TEST_MAIN_WITH_SETUP): every test
/// file gets its own TestBridge, and the AccessibleProbe singleton.
class QuickTestSetup : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void qmlEngineAvailable(QQmlEngine *engine);
};
