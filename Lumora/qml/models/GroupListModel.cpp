#include "GroupListModel.h"

#include "LumoraStore.h"

using namespace Qt::StringLiterals;

GroupListModel::GroupListModel(QObject *parent)
    : HomeListModel(std::in_place_type<GroupRow>, parent)
{
}

void GroupListModel::setSource(Source source)
{
    if (m_source == source)
        return;
    m_source = source;
    Q_EMIT sourceChanged();
    Q_EMIT orderListChanged();
    refill();
}

QString GroupListModel::orderList() const
{
    switch (m_source) {
    case Rooms:
        return u"rooms"_s;
    case Zones:
        return u"zones"_s;
    case Favorites:
        return u"favorites.groups"_s;
    case Home:
        break;
    }
    return {};
}

void GroupListModel::fill()
{
    const HomeSnapshot &snapshot = store()->snapshot();
    const FavoritesStore &favorites = *store()->favorites();
    QList<GroupRow> list;
    const auto add = [&](const HueGroup &group) { list.append(store()->groupRow(group)); };
    switch (m_source) {
    case Rooms:
        for (const auto &room : snapshot.rooms)
            add(room);
        break;
    case Zones:
        for (const auto &zone : snapshot.zones)
            add(zone);
        break;
    case Home:
        if (snapshot.home)
            add(*snapshot.home);
        break;
    case Favorites:
        // In the order they were starred; favourites of vanished groups are skipped.
        for (const auto &id : favorites.ids(Favorite::Kind::group)) {
            if (const HueGroup *group = snapshot.group(id))
                add(*group);
        }
        break;
    }
    show(std::move(list));
}
