#include "ResourceBuilders.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace ResourceBuilders {

HueResourceRef ref(const QString &rid, const QString &rtype)
{
    return HueResourceRef{rid, rtype};
}

HueResource light(const QString &id, const std::optional<QString> &name, std::optional<bool> on,
                  std::optional<double> brightness)
{
    HueResource resource(id, u"light"_s);
    resource.name = name;
    resource.isOn = on;
    resource.brightness = brightness;
    return resource;
}

HueResource device(const QString &id, const std::optional<QString> &name, const std::optional<QString> &archetype)
{
    HueResource resource(id, u"device"_s);
    resource.name = name;
    resource.archetype = archetype;
    return resource;
}

HueResource connectivity(const QString &id, const std::optional<QString> &owner, const QString &status)
{
    HueResource resource(id, u"zigbee_connectivity"_s);
    if (owner)
        resource.owner = ref(*owner, u"device"_s);
    resource.connectivity = status;
    return resource;
}

QList<HueResourceRef> lightRefs(const QStringList &ids)
{
    QList<HueResourceRef> refs;
    for (const QString &id : ids)
        refs.append(ref(id, u"light"_s));
    return refs;
}

HueResource group(const QString &id, const QString &type, const std::optional<QString> &name,
                  const QList<HueResourceRef> &children, const std::optional<QString> &groupedLight)
{
    HueResource resource(id, type);
    resource.name = name;
    resource.children = children;
    if (groupedLight)
        resource.services =
            QList<HueResourceRef>{ref(id + u"-motion"_s, u"motion"_s), ref(*groupedLight, u"grouped_light"_s)};
    return resource;
}

HueResource groupedLight(const QString &id, const std::optional<QString> &owner, std::optional<bool> on,
                         std::optional<double> brightness, const QString &ownerType)
{
    HueResource resource(id, u"grouped_light"_s);
    if (owner)
        resource.owner = ref(*owner, ownerType);
    resource.isOn = on;
    resource.brightness = brightness;
    return resource;
}

HueResource scene(const QString &id, const std::optional<QString> &name, const std::optional<QString> &roomID,
                  std::optional<bool> active, const std::optional<QList<HueSceneAction>> &actions)
{
    HueResource resource(id, u"scene"_s);
    resource.name = name;
    if (roomID)
        resource.group = ref(*roomID, u"room"_s);
    resource.sceneActive = active;
    resource.sceneActions = actions;
    return resource;
}

bool near(double a, double b, double tolerance)
{
    return std::abs(a - b) <= tolerance;
}

bool near(HueRGB a, HueRGB b, double tolerance)
{
    return near(a.red, b.red, tolerance) && near(a.green, b.green, tolerance) && near(a.blue, b.blue, tolerance);
}

bool near(HueXY a, HueXY b, double tolerance)
{
    return near(a.x, b.x, tolerance) && near(a.y, b.y, tolerance);
}

} // namespace ResourceBuilders
