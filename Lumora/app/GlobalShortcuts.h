#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class HueStore;
class PortalShortcuts;

/// The shortcuts Lumora offers the desktop (through the portal, where it
/// has one) and what each of them does: switch the whole home, open the
/// quick panel, recall one of the first five favourite scenes.
class GlobalShortcuts : public QObject
{
    Q_OBJECT

public:
    static constexpr int favoriteScenes = 5;
    static inline const QString toggleAllLightsID = QStringLiteral("toggle-all-lights");
    static inline const QString quickPanelID = QStringLiteral("open-quick-panel");
    /// "recall-favorite-scene-1" … "-5".
    static QString favoriteSceneID(int number);

    GlobalShortcuts(HueStore *store, const QDBusConnection &bus, QObject *parent = nullptr);

    /// Offers the shortcuts to the desktop; once.
    void start();
    PortalShortcuts *portal() const { return m_portal; }

    /// Does what the shortcut `id` stands for; false for an unknown id or
    /// when there is nothing to do (no whole-home group, no such favourite).
    bool perform(const QString &id);

    /// Switches every light off when any is on, otherwise every light on:
    /// one command to the whole-home group.
    static bool toggleAllLights(HueStore &store);
    /// Recalls the favourite scene at `number` (from 1) in the order the
    /// favourites screen shows them.
    static bool recallFavoriteScene(HueStore &store, int number);

Q_SIGNALS:
    /// The quick panel's shortcut was pressed; whoever owns the panel opens it.
    void quickPanelRequested();

private:
    HueStore *m_store;
    PortalShortcuts *m_portal;
};
