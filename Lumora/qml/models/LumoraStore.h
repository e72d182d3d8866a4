#pragma once

#include "HomeRows.h"
#include "HomeSnapshot.h"
#include "HueStore.h"
#include "ScreenRules.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QJSEngine;
class QQmlEngine;
class QSettings;

/// The store as the screens see it: every property they read, with change
/// signals that fire only on real change, and every command they give. The
/// home is offered as a snapshot resolved once per change, which the list
/// models and the single-record objects (Group) follow. Holds no state of its own
/// beyond the stored sidebar selection.
class LumoraStore : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Store)
    QML_SINGLETON

    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    /// Why the bridge is unreachable; empty in the other phases.
    Q_PROPERTY(QString unreachableMessage READ unreachableMessage NOTIFY phaseChanged)
    /// The unreachable placeholder's description, the message on its second line.
    Q_PROPERTY(QString unreachableDescription READ unreachableDescription NOTIFY phaseChanged)
    Q_PROPERTY(Screen screen READ screen NOTIFY screenChanged)
    /// The hint shown while the pairing screen has found no bridge.
    Q_PROPERTY(QString pairingHint READ pairingHint CONSTANT)
    Q_PROPERTY(PairingStep pairingStep READ pairingStep NOTIFY pairingStepChanged)
    /// Why the last pairing attempt failed; empty unless the step is Failed.
    Q_PROPERTY(QString pairingMessage READ pairingMessage NOTIFY pairingStepChanged)
    /// [{name, bridgeID (string or null), host}] in discovery order.
    Q_PROPERTY(QVariantList discoveredBridges READ discoveredBridges NOTIFY discoveredBridgesChanged)
    /// {bridgeID, name, host} of the paired bridge, or null.
    Q_PROPERTY(QVariant bridge READ bridge NOTIFY bridgeChanged)
    Q_PROPERTY(QString commandError READ commandError NOTIFY commandErrorChanged)
    /// What the status banner says; empty when it is hidden.
    Q_PROPERTY(QString bannerMessage READ bannerMessage NOTIFY bannerMessageChanged)
    /// Whether the banner reports a failed command, which the user may dismiss.
    Q_PROPERTY(bool bannerDismissible READ bannerDismissible NOTIFY bannerMessageChanged)
    Q_PROPERTY(bool homeIsEmpty READ homeIsEmpty NOTIFY homeIsEmptyChanged)
    /// The sidebar's selection after the fallbacks, in its stored form:
    /// "favorites", "home" or "group:<id>".
    Q_PROPERTY(QString selection READ selection NOTIFY selectionChanged)
    Q_PROPERTY(QString selectedGroupId READ selectedGroupId NOTIFY selectionChanged)
    Q_PROPERTY(FavoritesStore *favorites READ favorites CONSTANT)
    Q_PROPERTY(OrderStore *order READ order CONSTANT)
    Q_PROPERTY(bool hasFavorites READ hasFavorites NOTIFY favoritesChanged)

public:
    enum Phase { Unpaired, Connecting, Ready, Unreachable };
    Q_ENUM(Phase)
    enum Screen { PairingScreen, ConnectingScreen, UnreachableScreen, MainScreen };
    Q_ENUM(Screen)
    enum PairingStep { Idle, Searching, WaitingForButton, Failed };
    Q_ENUM(PairingStep)

    static constexpr auto selectionKey = "sidebar.selection";

    /// Wraps `store`, which must outlive this object; the selection is kept in `settings`.
    LumoraStore(HueStore *store, std::shared_ptr<QSettings> settings, QObject *parent = nullptr);
    ~LumoraStore() override;

    /// The store the next QML engine's `Store` singleton wraps. Set before the
    /// engine loads anything that uses it.
    static void provide(HueStore *store, std::shared_ptr<QSettings> settings);
    static LumoraStore *create(QQmlEngine *qmlEngine, QJSEngine *jsEngine);

    HueStore *store() const { return m_store; }
    const HomeSnapshot &snapshot() const { return m_snapshot; }

    Phase phase() const;
    QString unreachableMessage() const;
    QString unreachableDescription() const { return ScreenRules::unreachableDescription(unreachableMessage()); }
    Screen screen() const;
    QString pairingHint() const { return ScreenRules::pairingHint(); }
    PairingStep pairingStep() const;
    QString pairingMessage() const;
    QVariantList discoveredBridges() const;
    QVariant bridge() const;
    QString commandError() const;
    QString bannerMessage() const { return m_bannerMessage; }
    bool bannerDismissible() const;
    bool homeIsEmpty() const { return m_homeIsEmpty; }
    QString selection() const { return m_selection.storedValue(); }
    QString selectedGroupId() const { return m_selection.groupID; }
    FavoritesStore *favorites() const { return m_store->favorites(); }
    OrderStore *order() const { return m_store->order(); }
    bool hasFavorites() const { return !m_store->favorites()->items().isEmpty(); }
    /// The row of a group of the current snapshot as its cards show it. The
    /// sidebar and the home show the same rooms in several lists, so each
    /// row is made once for each snapshot and state of the stars.
    const GroupRow &groupRow(const HueGroup &group);

    // Commands to lights and groups.
    Q_INVOKABLE void setLightOn(const QString &lightId, bool isOn);
    Q_INVOKABLE void setLightBrightness(const QString &lightId, double brightness);
    Q_INVOKABLE void setLightColor(const QString &lightId, const QColor &color);
    Q_INVOKABLE void setLightMirek(const QString &lightId, int mirek);
    Q_INVOKABLE void setGroupOn(const QString &groupId, bool isOn);
    Q_INVOKABLE void setGroupBrightness(const QString &groupId, double brightness);
    Q_INVOKABLE void setGroupColor(const QString &groupId, const QColor &color);
    Q_INVOKABLE void setGroupMirek(const QString &groupId, int mirek);

    // Scenes.
    Q_INVOKABLE void recall(const QString &sceneId);
    Q_INVOKABLE void overwriteScene(const QString &sceneId);
    Q_INVOKABLE void deleteScene(const QString &sceneId);
    /// Saves the group's current light as a new scene: nothing on success,
    /// else the message to show (SceneSaver brings it to the panel).
    QCoro::Task<std::optional<QString>> saveScene(QString name, QString groupId);
    Q_INVOKABLE bool acceptsSceneName(const QString &name) const;

    // Favourites and order.
    /// kind: "scene", "group" or "light".
    Q_INVOKABLE void toggleFavorite(const QString &kind, const QString &id);
    Q_INVOKABLE bool isFavorite(const QString &kind, const QString &id) const;
    Q_INVOKABLE void saveOrder(const QString &list, const QStringList &ids);

    // The sidebar.
    /// Stores a selection given in its stored form.
    Q_INVOKABLE void select(const QString &storedValue);
    /// Moves the selection by delta rows of the sidebar (Favourites, Home,
    /// the rooms, the zones, in their shown order), stopping at either end.
    Q_INVOKABLE void selectNeighbour(int delta, const QStringList &roomIds, const QStringList &zoneIds);
    /// A cleared selection is stored as Home.
    Q_INVOKABLE void clearSelection() { select(QStringLiteral("home")); }
    Q_INVOKABLE void openGroup(const QString &groupId) { select(QStringLiteral("group:") + groupId); }

    // Connection and pairing.
    /// Hides a failed command's report until the next command fails;
    /// `commandError` itself stays until a command succeeds.
    Q_INVOKABLE void dismissBanner();
    Q_INVOKABLE void start() { m_store->start(); }
    Q_INVOKABLE void refresh() { m_store->refresh(); }
    Q_INVOKABLE void forgetBridge() { m_store->forgetBridge(); }
    Q_INVOKABLE void searchBridges() { m_store->searchBridges(); }
    Q_INVOKABLE void pair(const QString &host) { m_store->pair(host); }
    Q_INVOKABLE void cancelPairing() { m_store->cancelPairing(); }
    /// True for an address of nothing but spaces and tabs, which pairing ignores.
    Q_INVOKABLE bool isBlankAddress(const QString &text) const { return ScreenRules::isBlankHost(text); }

    /// Resolves the home again now instead of at the next turn of the event
    /// loop; for tests and benchmarks that measure one update.
    void updateNow();

Q_SIGNALS:
    void phaseChanged();
    void screenChanged();
    void pairingStepChanged();
    void discoveredBridgesChanged();
    void bridgeChanged();
    void commandErrorChanged();
    void bannerMessageChanged();
    void homeIsEmptyChanged();
    void snapshotChanged();
    void selectionChanged();
    void favoritesChanged();

private:
    void scheduleUpdate();
    void updateDerived();
    void updateSelection();
    const HueGroup *groupOf(const QString &id) const;

    HueStore *m_store;
    std::shared_ptr<QSettings> m_settings;
    HomeSnapshot m_snapshot;
    QHash<QString, GroupRow> m_groupRows;
    bool m_updatePending = false;
    bool m_homeIsEmpty = true;
    Screen m_screen = PairingScreen;
    QString m_bannerMessage;
    bool m_bannerDismissed = false;
    SidebarItem m_selection = SidebarItem::home();
};
