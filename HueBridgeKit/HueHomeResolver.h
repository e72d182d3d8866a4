#pragma once

#include "HueHomeIndex.h"

#include <memory>
#include <optional>

// Resolves resources into display records for the length of one call, with
// the home's index for everything beyond single lookups. A single light
// lookup needs no index while the device names its radio link, so it does
// not build one. Private to HueHome.
class HueHomeResolver
{
public:
    using ResourceList = HueHomeIndex::ResourceList;

    explicit HueHomeResolver(const HueHome &home);

    HueLight light(const HueResource &resource);
    QList<HueLight> resolved(const ResourceList &resources);
    // The lights a room or zone lists, directly or through their devices.
    QList<HueLight> lightsOf(const HueResource &group) { return resolved(index().members.value(&group)); }
    QList<HueLight> allLights() { return resolved(index().lights); }
    HueScene scene(const HueResource &resource) const;
    HueGroup group(const HueResource &resource, HueGroup::Kind kind, QList<HueLight> lights);
    std::optional<HueGroup> group(const HueResource &resource);
    // Rooms or zones that have lights, sorted by name.
    QList<HueGroup> groups(HueGroup::Kind kind);
    QList<HueGroup> allGroups();
    std::optional<HueGroup> homeGroup();

private:
    const HueHomeIndex &index();
    const HueHomeIndex::LightLinks *linksOf(const HueResource &light) const;
    const QString *connectivityOf(const std::optional<HueResourceRef> &owner, const HueResource *device);

    const HueHome &m_home;
    const HueResourceMap &m_resources;
    std::shared_ptr<const HueHomeIndex> m_index;
};
