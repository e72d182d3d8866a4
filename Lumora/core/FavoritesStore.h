#pragma once

#include "Favorite.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QSettings;

/// The user's favourites of one bridge, in the order they were added, kept
/// under "favorites." followed by the lower-cased bridge id. Starts empty and
/// without a bridge; changes before the first load() stay in memory only.
class FavoritesStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Favorite> items READ items NOTIFY itemsChanged)

public:
    explicit FavoritesStore(std::shared_ptr<QSettings> settings, QObject *parent = nullptr);

    const QList<Favorite> &items() const { return m_items; }
    const std::optional<QString> &bridgeID() const { return m_bridgeID; }

    /// The settings key of a bridge's favourites.
    static QString settingsKey(const QString &bridgeID);

    /// Switches to the favourites stored for `bridgeID` (empty when missing
    /// or not a list); entries that do not decode are left out, every other
    /// one is kept. Writes nothing.
    void load(const QString &bridgeID);

    /// Removes the favourite if present, appends it otherwise, then saves
    /// the whole list when a bridge is loaded.
    void toggle(const Favorite &favorite);

    Q_INVOKABLE void toggle(Favorite::Kind kind, const QString &id) { toggle(Favorite{kind, id}); }
    Q_INVOKABLE bool contains(Favorite::Kind kind, const QString &id) const;
    /// The ids of one kind, in the order they were added.
    Q_INVOKABLE QStringList ids(Favorite::Kind kind) const;

Q_SIGNALS:
    void itemsChanged();

private:
    void setItems(QList<Favorite> items);

    std::shared_ptr<QSettings> m_settings;
    QList<Favorite> m_items;
    std::optional<QString> m_bridgeID;
};
