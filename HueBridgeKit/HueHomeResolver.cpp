#include "HueHomeResolver.h"

#include "HueColor.h"
#include "HueHomeCollation.h"
#include "HueText.h"

#include <algorithm>

using namespace Qt::StringLiterals;

HueHomeResolver::HueHomeResolver(const HueHome &home)
    : m_home(home)
    , m_resources(home.resources)
    , m_index(home.keptIndex())
{
}

HueLight HueHomeResolver::light(const HueResource &resource)
{
    const HueResource *device = nullptr;
    const QString *connectivity = nullptr;
    if (const HueHomeIndex::LightLinks *links = m_index ? linksOf(resource) : nullptr) {
        device = links->device;
        connectivity =
            links->connectivity && links->connectivity->connectivity ? &*links->connectivity->connectivity : nullptr;
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

QList<HueLight> HueHomeResolver::resolved(const ResourceList &resources)
{
    QList<HueLight> lights;
    lights.reserve(resources.size());
    for (const HueResource *resource : resources)
        lights.append(light(*resource));
    HueHomeCollation::sortByName(lights);
    return lights;
}

HueScene HueHomeResolver::scene(const HueResource &resource) const
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

HueGroup HueHomeResolver::group(const HueResource &resource, HueGroup::Kind kind, QList<HueLight> lights)
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

    const HueResource *groupedLight = HueHomeIndex::groupedLightOf(m_resources, resource);
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
    HueHomeCollation::sortByName(group.scenes);
    return group;
}

std::optional<HueGroup> HueHomeResolver::group(const HueResource &resource)
{
    switch (HueHomeIndex::typeOf(resource.type)) {
    case HueHomeIndex::Type::room:
        return group(resource, HueGroup::Kind::room, lightsOf(resource));
    case HueHomeIndex::Type::zone:
        return group(resource, HueGroup::Kind::zone, lightsOf(resource));
    case HueHomeIndex::Type::home:
        return group(resource, HueGroup::Kind::home, allLights());
    default:
        return std::nullopt;
    }
}

QList<HueGroup> HueHomeResolver::groups(HueGroup::Kind kind)
{
    const ResourceList candidates = kind == HueGroup::Kind::zone ? index().zones : index().rooms;
    QList<HueGroup> groups;
    groups.reserve(candidates.size());
    for (const HueResource *resource : candidates) {
        QList<HueLight> lights = lightsOf(*resource);
        if (!lights.isEmpty())
            groups.append(group(*resource, kind, std::move(lights)));
    }
    HueHomeCollation::sortByName(groups);
    return groups;
}

QList<HueGroup> HueHomeResolver::allGroups()
{
    QList<HueGroup> all = groups(HueGroup::Kind::room);
    all.append(groups(HueGroup::Kind::zone));
    if (auto home = homeGroup())
        all.append(std::move(*home));
    return all;
}

std::optional<HueGroup> HueHomeResolver::homeGroup()
{
    const HueResource *home = index().home;
    if (!home)
        return std::nullopt;
    return group(*home, HueGroup::Kind::home, allLights());
}

const HueHomeIndex &HueHomeResolver::index()
{
    if (!m_index)
        m_index = m_home.index();
    return *m_index;
}

const HueHomeIndex::LightLinks *HueHomeResolver::linksOf(const HueResource &light) const
{
    const auto found = m_index->links.constFind(&light);
    return found == m_index->links.cend() ? nullptr : &found.value();
}

const QString *HueHomeResolver::connectivityOf(const std::optional<HueResourceRef> &owner, const HueResource *device)
{
    // A single lookup need not index the whole home: the device normally
    // lists its connectivity among its services. Any one resource owned
    // by the device will do.
    if (!m_index && owner && device && device->services) {
        for (const HueResourceRef &service : *device->services) {
            if (HueHomeIndex::typeOf(service.rtype) != HueHomeIndex::Type::connectivity)
                continue;
            const HueResource *candidate = m_resources.get(service.rid);
            if (candidate && HueHomeIndex::typeOf(candidate->type) == HueHomeIndex::Type::connectivity
                && candidate->owner && candidate->owner->rid == owner->rid)
                return candidate->connectivity ? &*candidate->connectivity : nullptr;
        }
    }
    const HueHomeIndex &index = this->index();
    const HueResource *connectivity =
        owner ? index.connectivityByOwner.value(owner->rid, nullptr) : index.connectivityWithoutOwner;
    return connectivity && connectivity->connectivity ? &*connectivity->connectivity : nullptr;
}
