#pragma once

#include "ReorderMath.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

class QSettings;

/// The user's custom order of every grid of one bridge ("rooms", "zones",
/// "scenes.<group>", "lights.<group>", "favorites.scenes", ...), kept under
/// "order." followed by the lower-cased bridge id. Starts empty and without
/// a bridge; changes before the first load() stay in memory only.
class OrderStore : public QObject
{
    Q_OBJECT
    /// The same map for QML: list name → list of ids.
    Q_PROPERTY(QVariantMap orders READ ordersMap NOTIFY ordersChanged)

public:
    using Orders = QHash<QString, QStringList>;

    explicit OrderStore(std::shared_ptr<QSettings> settings, QObject *parent = nullptr);

    const Orders &orders() const { return m_orders; }
    QVariantMap ordersMap() const;
    const std::optional<QString> &bridgeID() const { return m_bridgeID; }

    /// The settings key of a bridge's orders.
    static QString settingsKey(const QString &bridgeID);

    /// Switches to the orders stored for `bridgeID` (empty when missing or
    /// not a map); lists that are not lists and ids that are not strings are
    /// left out, everything else is kept. Writes nothing.
    void load(const QString &bridgeID);

    /// Sets the order of one list and saves the whole map when a bridge is
    /// loaded; the other lists keep their orders.
    Q_INVOKABLE void save(const QStringList &ids, const QString &list);

    /// The saved order of one list (empty when none).
    Q_INVOKABLE QStringList order(const QString &list) const { return m_orders.value(list); }

    /// Items in the saved order of `list`; unchanged when the list has none.
    template<typename T>
    QList<T> sorted(QList<T> items, const QString &list) const
    {
        const auto entry = m_orders.constFind(list);
        if (entry == m_orders.cend())
            return items;
        return ReorderMath::sorted(std::move(items), *entry);
    }
    Q_INVOKABLE QStringList sortedIds(const QStringList &ids, const QString &list) const;

Q_SIGNALS:
    void ordersChanged();

private:
    void setOrders(Orders orders);

    std::shared_ptr<QSettings> m_settings;
    Orders m_orders;
    std::optional<QString> m_bridgeID;
};
