#include "HomeSnapshot.h"

HomeSnapshot HomeSnapshot::make(const HueHome &home)
{
    HomeSnapshot snapshot;
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
