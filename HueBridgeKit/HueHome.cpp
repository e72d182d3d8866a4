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
// value. A collator is costly to set up, and a collation key costly to make,
// so each thread keeps one collator for the current default locale (QCollator
// itself must not be shared between threads) and the keys of the names it
// has sorted, until the locale changes.
struct NameCollation
{
    QLocale locale;
    QCollator collator;
    QHash<QString, QCollatorSortKey> keys;

    QCollatorSortKey key(const QString &name)
    {
        const auto found = keys.constFind(name);
        if (found != keys.cend())
            return found.value();
        // Names come and go as the user renames things; a bound keeps a
        // long session from collecting every name it ever saw.
        if (keys.size() >= 8192)
            keys.clear();
        return keys.insert(name, collator.sortKey(name)).value();
    }
};

NameCollation &nameCollation()
{
    thread_local std::optional<NameCollation> cached;
    const QLocale locale;
    if (!cached || cached->locale != locale) {
        // Qt collates the C locale (LANG=C, C.UTF-8, POSIX) by code points,
        // ignoring numeric mode and case: "Lamp 10" would precede "lamp 2".
        // Such a session gets the language-neutral rules instead.
        QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale);
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        cached.emplace(NameCollation{locale, std::move(collator), {}});
    }
    return *cached;
}

// Sorts by name with one collation key per item instead of a full collation
// per comparison. Stable, with no secondary key: equal names keep the input
// order.
template<typename T>
void sortByName(QList<T> &items)
{
    if (items.size() < 2)
        return;
    NameCollation &collation = nameCollation();
    struct Keyed
    {
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        keyed.push_back(Keyed{collation.key(items.at(i).name), i});
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

} // namespace

// What the views need beyond single lookups, from one pass over the home. It
// reads only the fields HueResourceMap watches (types and references) and
// points at the stored resources, whose state it leaves to the views: it is
// valid for as long as the map's structure stamp is `structure`.
struct HueHomeIndex
{
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

namespace {

const HueResource *groupedLightOf(const HueResourceMap &resources, const HueResource &group)
{
    if (!group.services)
        return nullptr;
    const auto service = std::find_if(group.services->cbegin(), group.services->cend(),
                                      [](const HueResourceRef &ref) { return ref.rtype == groupedLightType; });
    return service != group.services->cend() ? resources.get(service->rid) : nullptr;
}

std::shared_ptr<const HueHomeIndex> buildIndex(const HueResourceMap &resources)
{
    auto built = std::make_shared<HueHomeIndex>();
    HueHomeIndex &index = *built;
    index.structure = resources.structure();
    for (const HueResource &resource : resources) {
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
            } else if (!index.connectivityByOwner.contains(resource.owner->rid)) {
                index.connectivityByOwner.insert(resource.owner->rid, &resource);
            }
            break;
        case Modelled::groupedLight:
        case Modelled::device:
        case Modelled::none:
            break;
        }
    }

    index.links.reserve(index.lights.size());
    for (const HueResource *light : std::as_const(index.lights)) {
        HueHomeIndex::LightLinks links;
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

// Resolves resources into display records for the length of one call, with
// the home's index for everything beyond single lookups. A single light
// lookup needs no index while the device names its radio link, so it does
// not build one.
class Resolver
{
public:
    explicit Resolver(const HueHome &home)
        : m_home(home)
        , m_resources(home.resources)
        , m_index(home.keptIndex())
    {
    }

    HueLight light(const HueResource &resource)
    {
        const HueResource *device = nullptr;
        const QString *connectivity = nullptr;
        if (const HueHomeIndex::LightLinks *links = m_index ? linksOf(resource) : nullptr) {
            device = links->device;
            connectivity = links->connectivity && links->connectivity->connectivity
                               ? &*links->connectivity->connectivity
                               : nullptr;
        } else {
            device = resource.owner ? m_resources.get(resource.owner->rid) : nullptr;
            connectivity = connectivityOf(resource.owner, device);
        }

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

    QList<HueLight> resolved(const ResourceList &resources)
    {
        QList<HueLight> lights;
        lights.reserve(resources.size());
        for (const HueResource *resource : resources)
            lights.append(light(*resource));
        sortByName(lights);
        return lights;
    }

    // The lights a room or zone lists, directly or through their devices.
    QList<HueLight> lightsOf(const HueResource &group) { return resolved(index().members.value(&group)); }

    QList<HueLight> allLights() { return resolved(index().lights); }

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

        const HueResource *groupedLight = groupedLightOf(m_resources, resource);
        if (groupedLight) {
            group.groupedLightID = groupedLight->id;
            group.brightness = groupedLight->brightness;
        }
        if (groupedLight && groupedLight->isOn)
            group.isOn = *groupedLight->isOn;
        else
            group.isOn = std::any_of(lights.cbegin(), lights.cend(), [](const HueLight &light) { return light.isOn; });
        group.lights = std::move(lights);

        const ResourceList scenes = index().scenesByGroup.value(resource.id);
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
        const ResourceList candidates = kind == HueGroup::Kind::zone ? index().zones : index().rooms;
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
    const HueHomeIndex &index()
    {
        if (!m_index)
            m_index = m_home.index();
        return *m_index;
    }

    const HueHomeIndex::LightLinks *linksOf(const HueResource &light) const
    {
        const auto found = m_index->links.constFind(&light);
        return found == m_index->links.cend() ? nullptr : &found.value();
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
                const HueResource *candidate = m_resources.get(service.rid);
                if (candidate && candidate->type == connectivityType && candidate->owner
                    && candidate->owner->rid == owner->rid)
                    return candidate->connectivity ? &*candidate->connectivity : nullptr;
            }
        }
        const HueHomeIndex &index = this->index();
        const HueResource *connectivity =
            owner ? index.connectivityByOwner.value(owner->rid, nullptr) : index.connectivityWithoutOwner;
        return connectivity && connectivity->connectivity ? &*connectivity->connectivity : nullptr;
    }

    const HueHome &m_home;
    const HueResourceMap &m_resources;
    std::shared_ptr<const HueHomeIndex> m_index;
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

std::shared_ptr<const HueHomeIndex> HueHome::keptIndex() const
{
    std::shared_ptr<const HueHomeIndex> kept = m_index.load();
    return kept && kept->structure == resources.structure() ? kept : nullptr;
}

std::shared_ptr<const HueHomeIndex> HueHome::index() const
{
    if (std::shared_ptr<const HueHomeIndex> kept = keptIndex())
        return kept;
    std::shared_ptr<const HueHomeIndex> built = buildIndex(resources);
    m_index.store(built);
    return built;
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
        case HueEvent::Kind::update:
            if (!resources.modify(resource.id, [&resource](HueResource &stored) { stored.merge(resource); }))
                placed = false;
            break;
        case HueEvent::Kind::other:
            break;
        }
    }
    return placed;
}

QList<HueGroup> HueHome::rooms() const
{
    return Resolver(*this).groups(HueGroup::Kind::room);
}

QList<HueGroup> HueHome::zones() const
{
    return Resolver(*this).groups(HueGroup::Kind::zone);
}

std::optional<HueGroup> HueHome::home() const
{
    return Resolver(*this).homeGroup();
}

QList<HueGroup> HueHome::allGroups() const
{
    return Resolver(*this).allGroups();
}

QList<HueHome::GroupMembers> HueHome::groupMembers() const
{
    return index()->groups;
}

QList<HueHome::GroupMembers> HueHome::groupsContaining(const QSet<QString> &lightIDs) const
{
    const std::shared_ptr<const HueHomeIndex> index = this->index();
    QList<qsizetype> positions;
    for (const QString &id : lightIDs)
        positions.append(index->groupsByLight.value(id));
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    QList<GroupMembers> groups;
    groups.reserve(positions.size());
    for (const qsizetype position : std::as_const(positions))
        groups.append(index->groups.at(position));
    return groups;
}

std::optional<HueGroup> HueHome::group(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend())
        return std::nullopt;
    return Resolver(*this).group(found.value());
}

std::optional<HueLight> HueHome::light(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend() || found->type != lightType)
        return std::nullopt;
    return Resolver(*this).light(found.value());
}

QList<HueLight> HueHome::lights() const
{
    return Resolver(*this).allLights();
}

std::optional<HueScene> HueHome::scene(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend() || found->type != sceneType)
        return std::nullopt;
    return Resolver(*this).scene(found.value());
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
