#include "SceneListModel.h"

#include "LumoraStore.h"

using namespace Qt::StringLiterals;

SceneListModel::SceneListModel(QObject *parent)
    : MemberListModel("sceneId", sceneRoles(), u"scenes."_s, u"favorites.scenes"_s, parent)
{
}

QList<KeyedListModel::Row> SceneListModel::rows() const
{
    const HomeSnapshot &snapshot = store()->snapshot();
    const FavoritesStore &starred = *store()->favorites();
    QList<Row> list;
    if (favorites()) {
        for (const auto &id : starred.ids(Favorite::Kind::scene)) {
            const HueScene *scene = snapshot.scene(id);
            if (!scene)
                continue;
            const HueGroup *group = snapshot.group(scene->groupID);
            list.append({scene->id, sceneValues(*scene, group ? QVariant(group->name) : QVariant::fromValue(nullptr),
                                                true)});
        }
    } else if (const HueGroup *group = snapshot.group(groupId())) {
        for (const auto &scene : group->scenes) {
            list.append({scene.id, sceneValues(scene, QVariant::fromValue(nullptr),
                                               starred.contains(Favorite::Kind::scene, scene.id))});
        }
    }
    return list;
}
