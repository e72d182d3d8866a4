#include "HueHome.h"

#include "HueColor.h"
#include "HueText.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <vector>

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

// The ordering a file browser uses: case-insensitive, locale-aware, digits by
// value. A collator is costly to set up, so each thread keeps one for the
// current default locale (QCollator itself must not be shared between threads).
const QCollator &nameCollator()
{
    struct Cached
    {
        QLocale locale;
        QCollator collator;
    };
    thread_local std::optional<Cached> cached;
    const QLocale locale;
    if (!cached || cached->locale != locale) {
        // Qt collates the C locale (LANG=C, C.UTF-8, POSIX) by code points,
        // ignoring numeric mode and case: "Lamp 10" would precede "lamp 2".
        // Such a session gets the language-neutral rules instead.
        QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale);
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        cached = Cached{locale, std::move(collator)};
    }
    return cached->collator;
}

// Sorts by name with one collation key per item instead of a full collation
// per comparison. Stable, with no secondary key: equal names keep the input
// order.
template<typename T>
void sortByName(QList<T> &items)
{
    if (items.size() < 2)
        return;
    const QCollator &collator = nameCollator();
    struct Keyed
    {
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        keyed.push_back(Keyed{collator.sortKey(items.at(i).name), i});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const Keyed &a, const Keyed &b) { return a.key.compare(b.key) < 0; });
    QList<T> sorted;
    sorted.reserve(items.size());
    for (const Keyed &entry : keyed)
        sorted.append(std::move(items[entry.index]));
    items = std::move(sorted);
}

enum class Modelled { light, groupedLight, room, zone, home, scene, device, connectivity, none };

// Type names differ in length more often than not, so most mismatches cost a
// size comparison.
Modelled modelled(const QString &type)
{
    switch (type.size()) {
    case 4:
        return type == roomType ? Modelled::room : type == zoneType ? Modelled::zone : Modelled::none;
    case 5:
        return type == lightType ? Modelled::light : type == sceneType ? Modelled::scene : Modelled::none;
    case 6:
        return type == deviceType ? Modelled::device : Modelled::none;
    case 11:
        return type == homeType ? Modelled::home : Modelled::none;
    case 13:
        return type == groupedLightType ? Modelled::groupedLight : Modelled::none;
    case 19:
        return type == connectivityType ? Modelled::connectivity : Modelled::none;
    default:
        return Modelled::none;
    }
}

using ResourceList = QList<const HueResource *>;

// What a resolver needs beyond single lookups, from one pass over the home.
struct Index
{
    // Each in the dictionary's order.
    ResourceList lights;
    ResourceList rooms;
    ResourceList zones;
    const HueResource *home = nullptr;
    QHash<QString, ResourceList> lightsByOwner;
    QHash<QString, ResourceList> scenesByGroup;
    QHash<QString, const HueResource *> connectivityByOwner;
    const HueResource *connectivityWithoutOwner = nullptr;
};

// Resolves resources into display records for the length of one call. What
// it needs beyond single lookups (the resources of each type, connectivity
// and lights by owner, scenes by group) comes from one pass over the
// dictionary made on first use, so a derived view never scans the dictionary
// once per light or group.
class Resolver
{
public:
    explicit Resolver(const QHash<QString, HueResource> &resources)
        : m_resources(resources)
    {
    }

    const HueResource *find(const QString &id) const
    {
        const auto found = m_resources.constFind(id);
        return found == m_resources.cend() ? nullptr : &found.value();
    }

    HueLight light(const HueResource &resource)
    {
        const HueResource *device = resource.owner ? find(resource.owner->rid) : nullptr;
        const QString *connectivity = connectivityOf(resource.owner, device);

        HueLight light;
        light.id = resource.id;
        if (resource.name)
            light.name = *resource.name;
        else if (device && device->name)
            light.name = *device->name;
        else
            light.name = HueText::tr(u"Lampe"_s, u"Light"_s);
        light.archetype = resource.archetype ? resource.archetype : (device ? device->archetype : std::nullopt);
        light.isOn = resource.isOn.value_or(false);
        light.brightness = resource.brightness;
        light.xy = resource.xy;
        light.gamut = resource.gamut;
        if (resource.colorTemperature) {
            light.mirek = resource.colorTemperature->mirek;
            light.mirekRange = resource.colorTemperature->range;
        }
        light.supportsColor = light.xy.has_value() || light.gamut.has_value();
        light.isReachable = !connectivity || *connectivity == "connected"_L1;
        return light;
    }

    const HueResource *groupedLightOf(const HueResource &group) const
    {
        if (!group.services)
            return nullptr;
        const auto service = std::find_if(group.services->cbegin(), group.services->cend(),
                                          [](const HueResourceRef &ref) { return ref.rtype == groupedLightType; });
        return service != group.services->cend() ? find(service->rid) : nullptr;
    }

    // The ids of the lights a room or zone lists, directly or through their
    // devices, in listing order.
    QStringList lightIDsOf(const HueResource &group)
    {
        QStringList ids;
        if (!group.children)
            return ids;
        for (const HueResourceRef &child : *group.children) {
            if (child.rtype == lightType) {
                if (const HueResource *resource = find(child.rid); resource && resource->type == lightType)
                    ids.append(resource->id);
            } else if (child.rtype == deviceType) {
                for (const HueResource *resource : index().lightsByOwner.value(child.rid))
                    ids.append(resource->id);
            }
        }
        return ids;
    }

    QList<HueHome::GroupMembers> groupMembers()
    {
        QList<HueHome::GroupMembers> all;
        const auto add = [&](const HueResource &group, QStringList ids) {
            const HueResource *groupedLight = groupedLightOf(group);
            all.append({group.id, groupedLight ? std::optional(groupedLight->id) : std::nullopt, std::move(ids)});
        };
        for (const ResourceList *kind : {&index().rooms, &index().zones}) {
            for (const HueResource *group : *kind) {
                QStringList ids = lightIDsOf(*group);
                if (!ids.isEmpty())
                    add(*group, std::move(ids));
            }
        }
        if (const HueResource *home = index().home) {
            QStringList ids;
            ids.reserve(index().lights.size());
            for (const HueResource *light : index().lights)
                ids.append(light->id);
            add(*home, std::move(ids));
        }
        return all;
    }

    // The lights a room or zone lists, directly or through their devices.
    QList<HueLight> lightsOf(const HueResource &group)
    {
        QList<HueLight> lights;
        if (!group.children)
            return lights;
        lights.reserve(group.children->size());
        for (const HueResourceRef &child : *group.children) {
            if (child.rtype == lightType) {
                if (const HueResource *resource = find(child.rid); resource && resource->type == lightType)
                    lights.append(light(*resource));
            } else if (child.rtype == deviceType) {
                const ResourceList &owned = index().lightsByOwner.value(child.rid);
                for (const HueResource *resource : owned)
                    lights.append(light(*resource));
            }
        }
        sortByName(lights);
        return lights;
    }

    QList<HueLight> allLights()
    {
        const ResourceList &all = index().lights;
        QList<HueLight> lights;
        lights.reserve(all.size());
        for (const HueResource *resource : all)
            lights.append(light(*resource));
        sortByName(lights);
        return lights;
    }

    HueScene scene(const HueResource &resource) const
    {
        HueScene scene;
        scene.id = resource.id;
        scene.name = resource.name ? *resource.name : HueText::tr(u"Szene"_s, u"Scene"_s);
        scene.groupID = resource.group ? resource.group->rid : QString();
        scene.isActive = resource.sceneActive.value_or(false);
        if (resource.sceneSwatches) {
            scene.colors.reserve(resource.sceneSwatches->size());
            for (const HueSwatch &swatch : *resource.sceneSwatches)
                scene.colors.append(HueColor::surface(swatch));
        }
        return scene;
    }

    HueGroup group(const HueResource &resource, HueGroup::Kind kind, QList<HueLight> lights)
    {
        HueGroup group;
        group.id = resource.id;
        group.kind = kind;
        if (resource.name)
            group.name = *resource.name;
        else if (kind == HueGroup::Kind::home)
            group.name = HueText::tr(u"Zuhause"_s, u"Home"_s);
        else
            group.name = HueText::tr(u"Unbenannt"_s, u"Unnamed"_s);
        group.archetype = resource.archetype;

        const HueResource *groupedLight = groupedLightOf(resource);
        if (groupedLight) {
            group.groupedLightID = groupedLight->id;
            group.brightness = groupedLight->brightness;
        }
        if (groupedLight && groupedLight->isOn)
            group.isOn = *groupedLight->isOn;
        else
            group.isOn = std::any_of(lights.cbegin(), lights.cend(), [](const HueLight &light) { return light.isOn; });
        group.lights = std::move(lights);

        const ResourceList &scenes = index().scenesByGroup.value(resource.id);
        group.scenes.reserve(scenes.size());
        for (const HueResource *scene : scenes)
            group.scenes.append(this->scene(*scene));
        sortByName(group.scenes);
        return group;
    }

    std::optional<HueGroup> group(const HueResource &resource)
    {
        switch (modelled(resource.type)) {
        case Modelled::room:
            return group(resource, HueGroup::Kind::room, lightsOf(resource));
        case Modelled::zone:
            return group(resource, HueGroup::Kind::zone, lightsOf(resource));
        case Modelled::home:
            return group(resource, HueGroup::Kind::home, allLights());
        default:
            return std::nullopt;
        }
    }

    // Rooms or zones that have lights, sorted by name.
    QList<HueGroup> groups(HueGroup::Kind kind)
    {
        const ResourceList &candidates = kind == HueGroup::Kind::zone ? index().zones : index().rooms;
        QList<HueGroup> groups;
        groups.reserve(candidates.size());
        for (const HueResource *resource : candidates) {
            QList<HueLight> lights = lightsOf(*resource);
            if (!lights.isEmpty())
                groups.append(group(*resource, kind, std::move(lights)));
        }
        sortByName(groups);
        return groups;
    }

    QList<HueGroup> allGroups()
    {
        QList<HueGroup> all = groups(HueGroup::Kind::room);
        all.append(groups(HueGroup::Kind::zone));
        if (auto home = homeGroup())
            all.append(std::move(*home));
        return all;
    }

    std::optional<HueGroup> homeGroup()
    {
        const HueResource *home = index().home;
        if (!home)
            return std::nullopt;
        return group(*home, HueGroup::Kind::home, allLights());
    }

private:
    const Index &index()
    {
        if (m_index)
            return *m_index;
        Index &index = m_index.emplace();
        for (const HueResource &resource : m_resources) {
            switch (modelled(resource.type)) {
            case Modelled::light:
                index.lights.append(&resource);
                if (resource.owner)
                    index.lightsByOwner[resource.owner->rid].append(&resource);
                break;
            case Modelled::room:
                index.rooms.append(&resource);
                break;
            case Modelled::zone:
                index.zones.append(&resource);
                break;
            case Modelled::home:
                if (!index.home)
                    index.home = &resource;
                break;
            case Modelled::scene:
                if (resource.group)
                    index.scenesByGroup[resource.group->rid].append(&resource);
                break;
            case Modelled::connectivity:
                // The first one found for an owner is kept.
                if (!resource.owner) {
                    if (!index.connectivityWithoutOwner)
                        index.connectivityWithoutOwner = &resource;
                } else {
                    const auto existing = index.connectivityByOwner.constFind(resource.owner->rid);
                    if (existing == index.connectivityByOwner.cend())
                        index.connectivityByOwner.insert(resource.owner->rid, &resource);
                }
                break;
            case Modelled::groupedLight:
            case Modelled::device:
            case Modelled::none:
                break;
            }
        }
        return index;
    }

    const QString *connectivityOf(const std::optional<HueResourceRef> &owner, const HueResource *device)
    {
        // A single lookup need not index the whole home: the device normally
        // lists its connectivity among its services. Any one resource owned
        // by the device will do.
        if (!m_index && owner && device && device->services) {
            for (const HueResourceRef &service : *device->services) {
                if (service.rtype != connectivityType)
                    continue;
                const HueResource *candidate = find(service.rid);
                if (candidate && candidate->type == connectivityType && candidate->owner
                    && candidate->owner->rid == owner->rid)
                    return candidate->connectivity ? &*candidate->connectivity : nullptr;
            }
        }
        const Index &index = this->index();
        const HueResource *connectivity =
            owner ? index.connectivityByOwner.value(owner->rid, nullptr) : index.connectivityWithoutOwner;
        return connectivity && connectivity->connectivity ? &*connectivity->connectivity : nullptr;
    }

    const QHash<QString, HueResource> &m_resources;
    std::optional<Index> m_index;
};

} // namespace

HueHome::HueHome(const QList<HueResource> &list)
{
    resources.reserve(list.size());
    for (const HueResource &resource : list) {
        if (isModelledType(resource.type))
            resources.insert(resource.id, resource);
    }
}

bool HueHome::isModelledType(const QString &type)
{
    return modelled(type) != Modelled::none;
}

bool HueHome::apply(const HueEvent &event)
{
    bool placed = true;
    for (const HueResource &resource : event.resources) {
        if (!isModelledType(resource.type))
            continue;
        switch (event.kind) {
        case HueEvent::Kind::delete_:
            resources.remove(resource.id);
            break;
        case HueEvent::Kind::add:
            resources.insert(resource.id, resource);
            break;
        case HueEvent::Kind::update: {
            const auto found = resources.find(resource.id);
            if (found == resources.end())
                placed = false;
            else
                found->merge(resource);
            break;
        }
        case HueEvent::Kind::other:
            break;
        }
    }
    return placed;
}

QList<HueGroup> HueHome::rooms() const
{
    return Resolver(resources).groups(HueGroup::Kind::room);
}

QList<HueGroup> HueHome::zones() const
{
    return Resolver(resources).groups(HueGroup::Kind::zone);
}

std::optional<HueGroup> HueHome::home() const
{
    return Resolver(resources).homeGroup();
}

QList<HueGroup> HueHome::allGroups() const
{
    return Resolver(resources).allGroups();
}

QList<HueHome::GroupMembers> HueHome::groupMembers() const
{
    return Resolver(resources).groupMembers();
}

std::optional<HueGroup> HueHome::group(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend())
        return std::nullopt;
    return Resolver(resources).group(found.value());
}

std::optional<HueLight> HueHome::light(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend() || found->type != lightType)
        return std::nullopt;
    return Resolver(resources).light(found.value());
}

QList<HueLight> HueHome::lights() const
{
    return Resolver(resources).allLights();
}

std::optional<HueScene> HueHome::scene(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend() || found->type != sceneType)
        return std::nullopt;
    return Resolver(resources).scene(found.value());
}

QList<HueSceneAction> HueHome::sceneActions(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend() || !found->sceneActions)
        return {};
    return *found->sceneActions;
}

QList<HueSceneAction> HueHome::currentLightAsSceneActions(const QString &groupID) const
{
    const std::optional<HueGroup> group = this->group(groupID);
    if (!group)
        return {};
    QList<HueSceneAction> actions;
    actions.reserve(group->lights.size());
    for (const HueLight &light : group->lights) {
        HueLightCommand command;
        command.isOn = light.isOn;
        if (light.isOn) {
            command.brightness = light.brightness;
            // A scene action carries one kind of colour; the temperature wins,
            // as it does for what the light shows.
            if (light.mirek)
                command.mirek = light.mirek;
            else
                command.xy = light.xy;
        }
        actions.append(HueSceneAction{light.id, command});
    }
    return actions;
}

QStringList HueHome::lightIDs(const QString &groupedLightID) const
{
    const auto found = resources.constFind(groupedLightID);
    if (found == resources.cend() || !found->owner)
        return {};
    const std::optional<HueGroup> group = this->group(found->owner->rid);
    if (!group)
        return {};
    QStringList ids;
    ids.reserve(group->lights.size());
    for (const HueLight &light : group->lights)
        ids.append(light.id);
    return ids;
}
