#pragma once

// A generated home of the size a Bridge Pro holds, shared by the benchmarks of
// the home model and of the editable home.
#include "HueResource.h"

#include <QList>
#include <QString>

namespace BridgePro {

using namespace Qt::StringLiterals;

inline QString id(const char *kind, int n)
{
    return u"%1-%2"_s.arg(QLatin1StringView(kind)).arg(n);
}

inline HueResourceRef ref(const QString &rid, const char *rtype)
{
    return HueResourceRef{rid, QString::fromLatin1(rtype)};
}

// 150 lights on 150 devices plus 50 sensor devices, a connectivity record per
// device, 35 rooms that list devices, 15 zones that list lights, a grouped
// light per group, the home, and 500 scenes of 5 actions and 3 swatches.
inline QList<HueResource> home()
{
    constexpr int lights = 150;
    constexpr int sensors = 50;
    constexpr int rooms = 35;
    constexpr int zones = 15;
    constexpr int scenes = 500;
    QList<HueResource> resources;

    const HueGamut gamut{{0.6915, 0.3083}, {0.17, 0.7}, {0.1532, 0.0475}};
    for (int d = 0; d < lights + sensors; ++d) {
        HueResource device(id("device", d), u"device"_s);
        device.name = u"Device %1"_s.arg(d);
        device.archetype = u"sultan_bulb"_s;
        device.services = QList<HueResourceRef>{ref(id("zc", d), "zigbee_connectivity")};
        if (d < lights)
            device.services->prepend(ref(id("light", d), "light"));
        resources.append(device);

        HueResource link(id("zc", d), u"zigbee_connectivity"_s);
        link.owner = ref(device.id, "device");
        link.connectivity = d % 17 == 0 ? u"connectivity_issue"_s : u"connected"_s;
        resources.append(link);
    }
    for (int l = 0; l < lights; ++l) {
        HueResource light(id("light", l), u"light"_s);
        light.owner = ref(id("device", l), "device");
        // Every tenth light is named only by its device.
        if (l % 10 != 0)
            light.name = u"Lamp %1"_s.arg(lights - l);
        light.isOn = l % 3 != 0;
        light.brightness = 10 + l % 90;
        light.colorTemperature =
            HueColorTemperature{l % 2 ? std::optional<int>(200 + l) : std::nullopt, HueMirekRange{153, 500}};
        if (l % 4 != 0) {
            light.xy = HueXY{0.3 + l * 0.001, 0.3};
            light.gamut = gamut;
        }
        resources.append(light);
    }

    const auto addGroup = [&resources](const QString &groupID, const QString &type, const QString &name,
                                       const QList<HueResourceRef> &children) {
        HueResource group(groupID, type);
        group.name = name;
        group.archetype = u"living_room"_s;
        group.children = children;
        const QString groupedID = u"gl-"_s + groupID;
        group.services = QList<HueResourceRef>{ref(groupedID, "grouped_light")};
        resources.append(group);
        HueResource grouped(groupedID, u"grouped_light"_s);
        grouped.owner = ref(groupID, type.toLatin1().constData());
        grouped.isOn = true;
        grouped.brightness = 50;
        resources.append(grouped);
    };
    for (int r = 0; r < rooms; ++r) {
        QList<HueResourceRef> children;
        for (int l = r; l < lights; l += rooms)
            children.append(ref(id("device", l), "device"));
        addGroup(id("room", r), u"room"_s, u"Room %1"_s.arg(rooms - r), children);
    }
    for (int z = 0; z < zones; ++z) {
        QList<HueResourceRef> children;
        for (int l = z * 7; l < z * 7 + 12 && l < lights; ++l)
            children.append(ref(id("light", l), "light"));
        addGroup(id("zone", z), u"zone"_s, u"Zone %1"_s.arg(zones - z), children);
    }
    HueResource home(u"home"_s, u"bridge_home"_s);
    home.services = QList<HueResourceRef>{ref(u"gl-home"_s, "grouped_light")};
    resources.append(home);
    HueResource homeLight(u"gl-home"_s, u"grouped_light"_s);
    homeLight.owner = ref(home.id, "bridge_home");
    homeLight.isOn = true;
    homeLight.brightness = 50;
    resources.append(homeLight);

    for (int s = 0; s < scenes; ++s) {
        HueResource scene(id("scene", s), u"scene"_s);
        scene.name = u"Scene %1"_s.arg(scenes - s);
        const int group = s % (rooms + zones);
        scene.group = group < rooms ? ref(id("room", group), "room") : ref(id("zone", group - rooms), "zone");
        scene.sceneActive = s % 50 == 0;
        scene.sceneSwatches = QList<HueSwatch>{HueSwatch::xy({0.5, 0.4}), HueSwatch::mirek(300 + s % 100),
                                               HueSwatch::xy({0.2, 0.1 + s * 0.0005})};
        QList<HueSceneAction> actions;
        for (int a = 0; a < 5; ++a)
            actions.append({id("light", (s + a * 31) % lights), HueLightCommand{true, 50, std::nullopt, 300}});
        scene.sceneActions = actions;
        resources.append(scene);
    }
    return resources;
}

} // namespace BridgePro
