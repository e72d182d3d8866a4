#pragma once

#include "HueHome.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

// What the views need beyond single lookups, from one pass over the home. It
// reads only the fields HueResourceMap watches (types and references) and
// points at the stored resources, whose state it leaves to the views: it is
// valid for as long as the map's structure stamp is `structure`. Private to
// HueHome.
struct HueHomeIndex
{
    using ResourceList = QList<const HueResource *>;

    /// The types a home keeps, and `none` for every other.
    enum class Type { light, groupedLight, room, zone, home, scene, device, connectivity, none };
    static Type typeOf(const QString &type);

    static std::shared_ptr<const HueHomeIndex> build(const HueResourceMap &resources);
    /// The grouped light a room, zone or home lists among its services.
    static const HueResource *groupedLightOf(const HueResourceMap &resources, const HueResource &group);

    quint64 structure = 0;
    // Each in the dictionary's order.
    ResourceList lights;
    ResourceList rooms;
    ResourceList zones;
    const HueResource *home = nullptr;
    QHash<QString, ResourceList> lightsByOwner;
    QHash<QString, ResourceList> scenesByGroup;
    QHash<QString, const HueResource *> connectivityByOwner;
    const HueResource *connectivityWithoutOwner = nullptr;
    // A light's device and radio link, when it has them.
    struct LightLinks
    {
        const HueResource *device = nullptr;
        const HueResource *connectivity = nullptr;
    };
    QHash<const HueResource *, LightLinks> links;
    // The lights of each room and zone, in listing order (repeats kept).
    QHash<const HueResource *, ResourceList> members;
    // groupMembers(), and for each light the entries that list it.
    QList<HueHome::GroupMembers> groups;
    QHash<QString, QList<qsizetype>> groupsByLight;
};
