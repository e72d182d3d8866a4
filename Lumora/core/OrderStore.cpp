#include "OrderStore.h"

#include "LumoraLogging.h"
#include "StoredJson.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {
// List by list and id by id, like the favourites: a list that is not an
// array is left out, and so is an id that is not a string; everything else
// stays, so that the next drag does not overwrite the good lists.
OrderStore::Orders decode(const std::optional<QJsonDocument> &document)
{
    if (!document || !document->isObject())
        return {};
    const QJsonObject object = document->object();
    OrderStore::Orders orders;
    orders.reserve(object.size());
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isArray()) {
            qCWarning(lcStore) << "leaving out an unreadable stored grid order" << it.key();
            continue;
        }
        const QJsonArray array = it.value().toArray();
        QStringList ids;
        ids.reserve(array.size());
        for (const QJsonValue &id : array) {
            if (id.isString())
                ids.append(id.toString());
            else
                qCWarning(lcStore) << "leaving out an unreadable id in the stored grid order" << it.key();
        }
        orders.insert(it.key(), std::move(ids));
    }
    return orders;
}
} // namespace

OrderStore::OrderStore(std::shared_ptr<QSettings> settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
}

QVariantMap OrderStore::ordersMap() const
{
    QVariantMap map;
    for (auto it = m_orders.cbegin(); it != m_orders.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

QString OrderStore::settingsKey(const QString &bridgeID)
{
    return u"order."_s + bridgeID.toLower();
}

void OrderStore::load(const QString &bridgeID)
{
    m_bridgeID = bridgeID;
    setOrders(m_settings ? decode(StoredJson::read(*m_settings, settingsKey(bridgeID))) : Orders{});
}

void OrderStore::save(const QStringList &ids, const QString &list)
{
    Orders orders = m_orders;
    orders.insert(list, ids);
    setOrders(std::move(orders));

    if (!m_bridgeID || !m_settings)
        return;
    QJsonObject object;
    for (auto it = m_orders.cbegin(); it != m_orders.cend(); ++it)
        object.insert(it.key(), QJsonArray::fromStringList(it.value()));
    StoredJson::write(*m_settings, settingsKey(*m_bridgeID), QJsonDocument(object));
}

QStringList OrderStore::sortedIds(const QStringList &ids, const QString &list) const
{
    return sorted(ids, list);
}

void OrderStore::setOrders(Orders orders)
{
    if (orders == m_orders)
        return;
    m_orders = std::move(orders);
    Q_EMIT ordersChanged();
}
