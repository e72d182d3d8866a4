#include "LightListModel.h"

#include "LumoraStore.h"

using namespace Qt::StringLiterals;

LightListModel::LightListModel(QObject *parent)
    : HomeListModel(lightRoles(), parent)
{
}

void LightListModel::setGroupId(const QString &id)
{
    if (m_groupId == id)
        return;
    m_groupId = id;
    Q_EMIT groupIdChanged();
    Q_EMIT orderListChanged();
    refill();
}

void LightListModel::setFavorites(bool favorites)
{
    if (m_favorites == favorites)
        return;
    m_favorites = favorites;
    Q_EMIT favoritesChanged();
    Q_EMIT orderListChanged();
    refill();
}

QString LightListModel::orderList() const
{
    if (m_favorites)
        return u"favorites.lights"_s;
    return m_groupId.isEmpty() ? QString() : u"lights."_s + m_groupId;
}

QList<KeyedListModel::Row> LightListModel::rows() const
{
    const HomeSnapshot &snapshot = store()->snapshot();
    const FavoritesStore &favorites = *store()->favorites();
    QList<Row> list;
    const auto add = [&](const HueLight &light) {
        list.append({light.id, lightValues(light, favorites.contains(Favorite::Kind::light, light.id))});
    };
    if (m_favorites) {
        for (const auto &id : favorites.ids(Favorite::Kind::light)) {
            if (const HueLight *light = snapshot.light(id))
                add(*light);
        }
    } else if (const HueGroup *group = snapshot.group(m_groupId)) {
        for (const auto &light : group->lights)
            add(light);
    }
    return list;
}
