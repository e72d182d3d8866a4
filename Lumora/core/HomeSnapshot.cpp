#include "HomeSnapshot.h"

#include <algorithm>

using namespace Qt::StringLiterals;

HomeSnapshot HomeSnapshot::make(const HueHome &home)
{
    HomeSnapshot snapshot;
    snapshot.revision = home.resources.revision();
    snapshot.rooms = home.rooms();
    snapshot.zones = home.zones();
    snapshot.home = home.home();
    const auto add = [&snapshot](const HueGroup &group) {
        snapshot.groups.insert(group.id, group);
        for (const auto &scene : group.scenes)
            snapshot.scenes.insert(scene.id, scene);
    };
    for (const auto &room : std::as_const(snapshot.rooms))
        add(room);
    for (const auto &zone : std::as_const(snapshot.zones))
        add(zone);
    if (snapshot.home)
        add(*snapshot.home);
    // The home group already holds every light, resolved and sorted.
    const QList<HueLight> lights = snapshot.home ? snapshot.home->lights : home.lights();
    snapshot.lights.reserve(lights.size());
    for (const auto &light : lights)
        snapshot.lights.insert(light.id, light);
    return snapshot;
}

HomeSnapshot HomeSnapshot::make(const HueHome &home, HomeSnapshot previous)
{
    const std::optional<QSet<QString>> changed = home.resources.changedSince(previous.revision);
    if (!changed)
        return make(home);
    // What each change touches. The structure is unchanged, so every group
    // keeps its lights, scenes and grouped light, and only a group's own
    // name can reorder the lists: a change to a room, zone, device or radio
    // link takes the full pass.
    QSet<QString> lightIDs;
    QSet<QString> groupIDs;
    QList<HueHome::GroupMembers> members;
    for (const QString &id : *changed) {
        const HueResource *resource = home.resources.get(id);
        if (!resource)
            return make(home);
        if (resource->type == "light"_L1) {
            lightIDs.insert(id);
        } else if (resource->type == "scene"_L1) {
            if (resource->group)
                groupIDs.insert(resource->group->rid);
        } else if (resource->type == "grouped_light"_L1) {
            if (members.isEmpty())
                members = home.groupMembers();
            for (const auto &group : std::as_const(members)) {
                if (group.groupedLightID == id)
                    groupIDs.insert(group.groupID);
            }
        } else {
            return make(home);
        }
    }

    HomeSnapshot snapshot = std::move(previous);
    snapshot.revision = home.resources.revision();
    QHash<QString, HueLight> changedLights;
    for (const QString &id : std::as_const(lightIDs)) {
        if (std::optional<HueLight> light = home.light(id)) {
            changedLights.insert(id, *light);
            snapshot.lights.insert(id, std::move(*light));
        }
    }
    const auto show = [&snapshot](const HueGroup &group) {
        if (group.kind == HueGroup::Kind::home) {
            snapshot.home = group;
        } else {
            QList<HueGroup> &list = group.kind == HueGroup::Kind::room ? snapshot.rooms : snapshot.zones;
            const auto place = std::find_if(list.begin(), list.end(),
                                            [&group](const HueGroup &listed) { return listed.id == group.id; });
            if (place == list.end())
                return false;
            *place = group;
        }
        snapshot.groups.insert(group.id, group);
        return true;
    };
    // Groups whose scenes or grouped light changed are resolved again.
    for (const QString &id : std::as_const(groupIDs)) {
        const HueGroup *shown = snapshot.group(id);
        if (!shown)
            continue; // a group without lights, which no list shows
        std::optional<HueGroup> group = home.group(id);
        if (!group)
            return make(home);
        for (const auto &scene : std::as_const(shown->scenes))
            snapshot.scenes.remove(scene.id);
        for (const auto &scene : std::as_const(group->scenes))
            snapshot.scenes.insert(scene.id, scene);
        if (!show(*group))
            return make(home);
    }
    // Groups reached only through their lights take the lights' new records
    // in place, which spares resolving their scenes and the home's hundred
    // other lights; a new name may move a light, and then the group's lights
    // are resolved and sorted again.
    for (const auto &entry : home.groupsContaining(lightIDs)) {
        if (groupIDs.contains(entry.groupID))
            continue;
        const HueGroup *shown = snapshot.group(entry.groupID);
        if (!shown)
            return make(home);
        HueGroup group = *shown;
        bool renamed = false;
        for (HueLight &light : group.lights) {
            const auto fresh = changedLights.constFind(light.id);
            if (fresh == changedLights.cend())
                continue;
            renamed = renamed || fresh->name != light.name;
            light = *fresh;
        }
        if (renamed) {
            std::optional<HueGroup> resolved = home.group(entry.groupID);
            if (!resolved)
                return make(home);
            group = std::move(*resolved);
        } else {
            // As the home resolves a group: the grouped light's switch when
            // it reports one, otherwise whether any of its lights is on.
            const HueResource *groupedLight =
                group.groupedLightID ? home.resources.get(*group.groupedLightID) : nullptr;
            if (!groupedLight || !groupedLight->isOn)
                group.isOn = std::any_of(group.lights.cbegin(), group.lights.cend(),
                                         [](const HueLight &light) { return light.isOn; });
        }
        if (!show(group))
            return make(home);
    }
    return snapshot;
}

const HueGroup *HomeSnapshot::group(const QString &id) const
{
    const auto found = groups.constFind(id);
    return found == groups.cend() ? nullptr : &*found;
}

const HueLight *HomeSnapshot::light(const QString &id) const
{
    const auto found = lights.constFind(id);
    return found == lights.cend() ? nullptr : &*found;
}

const HueScene *HomeSnapshot::scene(const QString &id) const
{
    const auto found = scenes.constFind(id);
    return found == scenes.cend() ? nullptr : &*found;
}
