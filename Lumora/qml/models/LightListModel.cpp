#include "LightListModel.h"

#include "LumoraStore.h"

using namespace Qt::StringLiterals;

LightListModel::LightListModel(QObject *parent)
    : MemberListModel(std::in_place_type<LightRow>, u"lights."_s, u"favorites.lights"_s, parent)
{
}

void LightListModel::fill()
{
    const HomeSnapshot &snapshot = store()->snapshot();
    const FavoritesStore &starred = *store()->favorites();
    QList<LightRow> list;
    const auto add = [&](const HueLight &light) {
        list.append(LightRow::of(light, starred.contains(Favorite::Kind::light, light.id)));
    };
    if (favorites()) {
        for (const auto &id : starred.ids(Favorite::Kind::light)) {
            if (const HueLight *light = snapshot.light(id))
                add(*light);
        }
    } else if (const HueGroup *group = snapshot.group(groupId())) {
        for (const auto &light : group->lights)
            add(light);
    }
    show(std::move(list));
}
