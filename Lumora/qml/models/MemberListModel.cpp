#include "MemberListModel.h"

void MemberListModel::setGroupId(const QString &id)
{
    if (m_groupId == id)
        return;
    m_groupId = id;
    Q_EMIT groupIdChanged();
    Q_EMIT orderListChanged();
    refill();
}

void MemberListModel::setFavorites(bool favorites)
{
    if (m_favorites == favorites)
        return;
    m_favorites = favorites;
    Q_EMIT favoritesChanged();
    Q_EMIT orderListChanged();
    refill();
}

QString MemberListModel::orderList() const
{
    if (m_favorites)
        return m_favoritesOrder;
    return m_groupId.isEmpty() ? QString() : m_orderPrefix + m_groupId;
}
