#include "SceneListModel.h"

#include "LumoraStore.h"

using namespace Qt::StringLiterals;

SceneListModel::SceneListModel(QObject *parent)
    : MemberListModel(std::in_place_type<SceneRow>, u"scenes."_s, u"favorites.scenes"_s, parent)
{
}

void SceneListModel::fill()
{
    const HomeSnapshot &snapshot = store()->snapshot();
    const FavoritesStore &starred = *store()->favorites();
    QList<SceneRow> list;
    if (favorites()) {
        for (const auto &id : starred.ids(Favorite::Kind::scene)) {
            const HueScene *scene = snapshot.scene(id);
            if (!scene)
                continue;
            const HueGroup *group = snapshot.group(scene->groupID);
            list.append(SceneRow::of(*scene, group ? std::optional(group->name) : std::nullopt, true));
        }
    } else if (const HueGroup *group = snapshot.group(groupId())) {
        for (const auto &scene : group->scenes) {
            list.append(SceneRow::of(scene, std::nullopt, starred.contains(Favorite::Kind::scene, scene.id)));
        }
    }
    show(std::move(list));
}
