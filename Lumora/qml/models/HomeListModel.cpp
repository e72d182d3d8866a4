#include "HomeListModel.h"

void HomeListModel::setStore(LumoraStore *store)
{
    if (m_store == store)
        return;
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
    m_store = store;
    if (m_store) {
        connect(m_store, &LumoraStore::snapshotChanged, this, &HomeListModel::refill);
        connect(m_store->favorites(), &FavoritesStore::itemsChanged, this, &HomeListModel::refill);
        connect(m_store->order(), &OrderStore::ordersChanged, this, &HomeListModel::refill);
    }
    Q_EMIT storeChanged();
    refill();
}

void HomeListModel::componentComplete()
{
    m_completing = false;
    refill();
}

void HomeListModel::refill()
{
    // Properties set one by one while QML builds the model would each fill
    // it; the first fill waits until all of them are known.
    if (m_completing)
        return;
    if (m_store)
        fill();
    else
        clear();
}

QStringList HomeListModel::savedOrder() const
{
    const QString name = orderList();
    return name.isEmpty() ? QStringList() : m_store->order()->order(name);
}

void HomeListModel::saveOrder(const QStringList &ids)
{
    const QString name = orderList();
    if (m_store && !name.isEmpty())
        m_store->saveOrder(name, ids);
}
