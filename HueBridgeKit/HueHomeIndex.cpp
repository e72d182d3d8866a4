#include "HueHomeIndex.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString lightType = u"light"_s;
const QString groupedLightType = u"grouped_light"_s;
const QString roomType = u"room"_s;
const QString zoneType = u"zone"_s;
const QString homeType = u"bridge_home"_s;
const QString sceneType = u"scene"_s;
const QString deviceType = u"device"_s;
const QString connectivityType = u"zigbee_connectivity"_s;

} // namespace

// Type names differ in length more often than not, so most mismatches cost a
// size comparison.
HueHomeIndex::Type HueHomeIndex::typeOf(const QString &type)
{
    switch (type.size()) {
    case 4:
        return type == roomType ? Type::room : type == zoneType ? Type::zone : Type::none;
    case 5:
        return type == lightType ? Type::light : type == sceneType ? Type::scene : Type::none;
    case 6:
        return type == deviceType ? Type::device : Type::none;
    case 11:
        return type == homeType ? Type::home : Type::none;
    case 13:
        return type == groupedLightType ? Type::groupedLight : Type::none;
    case 19:
        return type == connectivityType ? Type::connectivity : Type::none;
    default:
        return Type::none;
    }
}

const HueResource *HueHomeIndex::groupedLightOf(const HueResourceMap &resources, const HueResource &group)
{
    if (!group.services)
        return nullptr;
    const auto service = std::find_if(group.services->cbegin(), group.services->cend(),
                                      [](const HueResourceRef &ref) { return ref.rtype == groupedLightType; });
    return service != group.services->cend() ? resources.get(service->rid) : nullptr;
}

std::shared_ptr<const HueHomeIndex> HueHomeIndex::build(const HueResourceMap &resources)
{
    auto built = std::make_shared<HueHomeIndex>();
    HueHomeIndex &index = *built;
    index.structure = resources.structure();
    for (const HueResource &resource : resources) {
        switch (typeOf(resource.type)) {
        case Type::light:
            index.lights.append(&resource);
            if (resource.owner)
                index.lightsByOwner[resource.owner->rid].append(&resource);
            break;
        case Type::room:
            index.rooms.append(&resource);
            break;
        case Type::zone:
            index.zones.append(&resource);
            break;
        case Type::home:
            if (!index.home)
                index.home = &resource;
            break;
        case Type::scene:
            if (resource.group)
                index.scenesByGroup[resource.group->rid].append(&resource);
            break;
        case Type::connectivity:
            // The first one found for an owner is kept.
            if (!resource.owner) {
                if (!index.connectivityWithoutOwner)
                    index.connectivityWithoutOwner = &resource;
            } else if (!index.connectivityByOwner.contains(resource.owner->rid)) {
                index.connectivityByOwner.insert(resource.owner->rid, &resource);
            }
            break;
        case Type::groupedLight:
        case Type::device:
        case Type::none:
            break;
        }
    }

    index.links.reserve(index.lights.size());
    for (const HueResource *light : std::as_const(index.lights)) {
        LightLinks links;
        if (light->owner) {
            links.device = resources.get(light->owner->rid);
            links.connectivity = index.connectivityByOwner.value(light->owner->rid, nullptr);
        } else {
            links.connectivity = index.connectivityWithoutOwner;
        }
        index.links.insert(light, links);
    }

    // The lights a room or zone lists, directly or through their devices.
    const auto membersOf = [&](const HueResource &group) {
        ResourceList lights;
        if (!group.children)
            return lights;
        for (const HueResourceRef &child : *group.children) {
            if (child.rtype == lightType) {
                if (const HueResource *resource = resources.get(child.rid); resource && resource->type == lightType)
                    lights.append(resource);
            } else if (child.rtype == deviceType) {
                lights.append(index.lightsByOwner.value(child.rid));
            }
        }
        return lights;
    };
    const auto addGroup = [&](const HueResource &group, const ResourceList &lights) {
        const HueResource *groupedLight = groupedLightOf(resources, group);
        QStringList ids;
        ids.reserve(lights.size());
        for (const HueResource *light : lights) {
            ids.append(light->id);
            QList<qsizetype> &listed = index.groupsByLight[light->id];
            if (listed.isEmpty() || listed.constLast() != index.groups.size())
                listed.append(index.groups.size());
        }
        index.groups.append({group.id, groupedLight ? std::optional(groupedLight->id) : std::nullopt, ids});
    };
    for (const ResourceList *kind : {&index.rooms, &index.zones}) {
        for (const HueResource *group : *kind) {
            ResourceList lights = membersOf(*group);
            if (!lights.isEmpty())
                addGroup(*group, lights);
            index.members.insert(group, std::move(lights));
        }
    }
    if (index.home)
        addGroup(*index.home, index.lights);
    return built;
}
