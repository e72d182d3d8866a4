#include "SceneListModel.h"

#include "LumoraStore.h"

using namespace Qt::StringLiterals;

SceneListModel::SceneListModel(QObject *parent)
    : HomeListModel(sceneRoles(), parent)
{
}

void SceneListModel::setGroupId(const QString &id)
{
    if (m_groupId == id)
        return;
    m_groupId = id;
    Q_EMIT groupIdChanged();
    Q_EMIT orderListChanged();
    refill();
}

void SceneListModel::setFavorites(bool favorites)
{
    if (m_favorites == favorites)
        return;
    m_favorites = favorites;
    Q_EMIT favoritesChanged();
    Q_EMIT orderListChanged();
    refill();
}

QString SceneListModel::orderList() const
{
    if (m_favorites)
        return u"favorites.scenes"_s;
    return m_groupId.isEmpty() ? QString() : u"scenes."_s + m_groupId;
}

QList<KeyedListModel::Row> SceneListModel::rows() const
{
    const HomeSnapshot &snapshot = store()->snapshot();
    const FavoritesStore &favorites = *store()->favorites();
    QList<Row> list;
    if (m_favorites) {
        for (const auto &id : favorites.ids(Favorite::Kind::scene)) {
            const HueScene *scene = snapshot.scene(id);
            if (!scene)
                continue;
            const HueGroup *group = snapshot.group(scene->groupID);
            list.append({scene->id, sceneValues(*scene, group ? QVariant(group->name) : QVariant::fromValue(nullptr),
                                                true)});
        }
    } else if (const HueGroup *group = snapshot.group(m_groupId)) {
        for (const auto &scene : group->scenes) {
            list.append({scene.id, sceneValues(scene, QVariant::fromValue(nullptr),
                                               favorites.contains(Favorite::Kind::scene, scene.id))});
        }
    }
    return list;
}
