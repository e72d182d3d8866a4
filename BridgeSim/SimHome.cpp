#include "SimHome.h"

#include "SimEventQueue.h"

#include <QJsonDocument>
#include <QUuid>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QJsonObject ref(const QString &rid, const QString &rtype)
{
    return QJsonObject{{u"rid"_s, rid}, {u"rtype"_s, rtype}};
}

double round4(double value)
{
    return std::round(value * 10000.0) / 10000.0;
}

// The chromaticity of a black body at the colour temperature, so that a
// light switched to a white tone also reports a matching "color.xy" as
// bridges do (Kim et al. approximation of the Planckian locus).
QJsonObject planckianXY(int mirek)
{
    const double t = std::clamp(1'000'000.0 / std::max(mirek, 1), 1667.0, 25000.0);
    const double x = t <= 4000 ? -0.2661239e9 / (t * t * t) - 0.2343589e6 / (t * t) + 0.8776956e3 / t + 0.179910
                               : -3.0258469e9 / (t * t * t) + 2.1070379e6 / (t * t) + 0.2226347e3 / t + 0.240390;
    double y = 0;
    if (t <= 2222)
        y = -1.1063814 * x * x * x - 1.34811020 * x * x + 2.18555832 * x - 0.20219683;
    else if (t <= 4000)
        y = -0.9549476 * x * x * x - 1.37418593 * x * x + 2.09137015 * x - 0.16748867;
    else
        y = 3.0817580 * x * x * x - 5.87338670 * x * x + 3.75112997 * x - 0.37001483;
    return QJsonObject{{u"x"_s, round4(x)}, {u"y"_s, round4(y)}};
}

bool isIntegral(const QJsonValue &value)
{
    return value.isDouble() && std::floor(value.toDouble()) == value.toDouble();
}

// Checks a light state body (a PUT body or a scene action) the way the bridge
// does before it touches anything: wrong types and out-of-range values fail
// the whole request.
QString validateLightState(const QJsonObject &body)
{
    if (body.contains(u"on"_s)) {
        const QJsonValue on = body.value(u"on"_s);
        if (!on.isObject() || !on.toObject().value(u"on"_s).isBool())
            return u"on: invalid value, expected an object with the boolean \"on\""_s;
    }
    if (body.contains(u"dimming"_s)) {
        const QJsonValue brightness = body.value(u"dimming"_s).toObject().value(u"brightness"_s);
        if (!brightness.isDouble() || brightness.toDouble() < 0 || brightness.toDouble() > 100)
            return u"dimming.brightness: invalid value, expected a number from 0 to 100"_s;
    }
    if (body.contains(u"color"_s)) {
        const QJsonObject xy = body.value(u"color"_s).toObject().value(u"xy"_s).toObject();
        for (const QString &axis : {u"x"_s, u"y"_s}) {
            const QJsonValue value = xy.value(axis);
            if (!value.isDouble() || value.toDouble() < 0 || value.toDouble() > 1)
                return u"color.xy: invalid value, expected x and y from 0 to 1"_s;
        }
    }
    if (body.contains(u"color_temperature"_s)) {
        const QJsonValue mirek = body.value(u"color_temperature"_s).toObject().value(u"mirek"_s);
        if (!isIntegral(mirek) || mirek.toDouble() < 50 || mirek.toDouble() > 1000)
            return u"color_temperature.mirek: invalid value, expected an integer from 50 to 1000"_s;
    }
    return {};
}

QUuid generatorNamespace()
{
    return QUuid(u"6f1c8a8e-3b7a-4d8e-9a51-1f0d3c2b7e40"_s);
}

QString makeId(const QString &what, int index)
{
    return QUuid::createUuidV5(generatorNamespace(), what + u'/' + QString::number(index))
        .toString(QUuid::WithoutBraces);
}

} // namespace

SimHome::Result SimHome::Result::ok(const QString &rid, const QString &rtype)
{
    Result result;
    result.data.append(ref(rid, rtype));
    return result;
}

SimHome::Result SimHome::Result::error(int status, const QString &description)
{
    Result result;
    result.status = status;
    result.errors.append(description);
    return result;
}

QJsonObject SimHome::Result::envelope() const
{
    QJsonArray errorList;
    for (const QString &description : errors)
        errorList.append(QJsonObject{{u"description"_s, description}});
    return QJsonObject{{u"errors"_s, errorList}, {u"data"_s, data}};
}

bool SimHome::load(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    QJsonArray list;
    if (document.isArray()) {
        list = document.array();
    } else if (document.isObject() && document.object().value(u"data"_s).isArray()) {
        list = document.object().value(u"data"_s).toArray();
    } else {
        if (error) {
            *error = parseError.error != QJsonParseError::NoError
                         ? parseError.errorString()
                         : u"expected a JSON array of resources or an object with a \"data\" array"_s;
        }
        return false;
    }
    m_order.clear();
    m_resources.clear();
    for (const QJsonValue &value : std::as_const(list)) {
        const QJsonObject object = value.toObject();
        if (object.value(u"id"_s).isString() && object.value(u"type"_s).isString()
            && !m_resources.contains(object.value(u"id"_s).toString()))
            insert(object);
    }
    touch(true);
    return true;
}

void SimHome::generate(const SimHomeSize &size, const QString &bridgeId)
{
    m_order.clear();
    m_resources.clear();
    const int lightCount = std::max(size.lights, 0);
    const int roomCount = std::max(size.rooms, 0);
    const int zoneCount = std::max(size.zones, 0);
    static const QJsonObject gamutC{{u"red"_s, QJsonObject{{u"x"_s, 0.6915}, {u"y"_s, 0.3083}}},
                                    {u"green"_s, QJsonObject{{u"x"_s, 0.17}, {u"y"_s, 0.7}}},
                                    {u"blue"_s, QJsonObject{{u"x"_s, 0.1532}, {u"y"_s, 0.0475}}}};
    static const QStringList archetypes{u"sultan_bulb"_s, u"ceiling_round"_s, u"floor_shade"_s,   u"pendant_round"_s,
                                        u"spot_bulb"_s,   u"table_shade"_s,   u"hue_lightstrip"_s};
    static const QStringList roomArchetypes{u"living_room"_s, u"kitchen"_s, u"bedroom"_s, u"bathroom"_s,
                                            u"office"_s,      u"hallway"_s, u"dining"_s,  u"garden"_s};

    // The bridge itself.
    const QString bridgeDevice = makeId(u"device"_s, 0);
    const QString bridgeResource = makeId(u"bridge"_s, 0);
    insert({{u"id"_s, bridgeDevice},
            {u"type"_s, u"device"_s},
            {u"metadata"_s, QJsonObject{{u"name"_s, u"Hue Bridge"_s}, {u"archetype"_s, u"bridge_v2"_s}}},
            {u"product_data"_s, QJsonObject{{u"model_id"_s, u"BSB002"_s}, {u"product_name"_s, u"Hue Bridge"_s}}},
            {u"services"_s, QJsonArray{ref(bridgeResource, u"bridge"_s)}}});
    insert({{u"id"_s, bridgeResource},
            {u"type"_s, u"bridge"_s},
            {u"bridge_id"_s, bridgeId.toLower()},
            {u"owner"_s, ref(bridgeDevice, u"device"_s)},
            {u"time_zone"_s, QJsonObject{{u"time_zone"_s, u"Europe/Berlin"_s}}}});

    QStringList lightIds;
    QStringList deviceIds;
    for (int i = 1; i <= lightCount; ++i) {
        const QString device = makeId(u"device"_s, i);
        const QString light = makeId(u"light"_s, i);
        const QString connectivity = makeId(u"zigbee_connectivity"_s, i);
        const QString name = u"Light "_s + QString::number(i);
        const QString &archetype = archetypes.at(i % archetypes.size());
        lightIds.append(light);
        deviceIds.append(device);
        insert({{u"id"_s, device},
                {u"id_v1"_s, QString(u"/lights/"_s + QString::number(i))},
                {u"type"_s, u"device"_s},
                {u"metadata"_s, QJsonObject{{u"name"_s, name}, {u"archetype"_s, archetype}}},
                {u"product_data"_s, QJsonObject{{u"model_id"_s, u"LCA001"_s}, {u"manufacturer_name"_s, u"Signify"_s}}},
                {u"services"_s, QJsonArray{ref(light, u"light"_s), ref(connectivity, u"zigbee_connectivity"_s)}}});
        // Mix the kinds of lights a home has: colour, white ambiance, dimmable
        // white and plain switched plugs.
        const int kind = i % 10 == 0 ? 3 : i % 4;
        QJsonObject object{{u"id"_s, light},
                           {u"id_v1"_s, QString(u"/lights/"_s + QString::number(i))},
                           {u"type"_s, u"light"_s},
                           {u"owner"_s, ref(device, u"device"_s)},
                           {u"metadata"_s, QJsonObject{{u"name"_s, name}, {u"archetype"_s, archetype}}},
                           {u"on"_s, QJsonObject{{u"on"_s, i % 3 == 0}}},
                           {u"mode"_s, u"normal"_s}};
        if (kind != 3) {
            object.insert(u"dimming"_s, QJsonObject{{u"brightness"_s, 20.0 + (i * 7) % 80},
                                                    {u"min_dim_level"_s, 0.20000000298023225}});
            object.insert(u"dimming_delta"_s, QJsonObject{});
        }
        if (kind == 0 || kind == 1) {
            const int mirek = 153 + (i * 37) % 347;
            object.insert(
                u"color_temperature"_s,
                QJsonObject{{u"mirek"_s, kind == 1 ? QJsonValue(mirek) : QJsonValue(QJsonValue::Null)},
                            {u"mirek_valid"_s, kind == 1},
                            {u"mirek_schema"_s, QJsonObject{{u"mirek_minimum"_s, 153}, {u"mirek_maximum"_s, 500}}}});
        }
        if (kind == 0) {
            object.insert(u"color"_s, QJsonObject{{u"xy"_s, QJsonObject{{u"x"_s, round4(0.2 + (i % 9) * 0.05)},
                                                                        {u"y"_s, round4(0.2 + (i % 7) * 0.04)}}},
                                                  {u"gamut"_s, gamutC},
                                                  {u"gamut_type"_s, u"C"_s}});
            object.insert(u"effects"_s, QJsonObject{{u"effect_values"_s, QJsonArray{u"no_effect"_s, u"candle"_s}},
                                                    {u"status"_s, u"no_effect"_s}});
        }
        insert(object);
        insert({{u"id"_s, connectivity},
                {u"type"_s, u"zigbee_connectivity"_s},
                {u"owner"_s, ref(device, u"device"_s)},
                {u"status"_s, u"connected"_s},
                {u"mac_address"_s, u"00:17:88:01:00:%1:%2:0b"_s.arg(i / 256, 2, 16, QLatin1Char('0'))
                                       .arg(i % 256, 2, 16, QLatin1Char('0'))}});
    }
    for (int i = lightCount + 1; i < size.devices; ++i) {
        const QString device = makeId(u"device"_s, i);
        const QString button = makeId(u"button"_s, i);
        const QString connectivity = makeId(u"zigbee_connectivity"_s, i);
        deviceIds.append(device);
        insert({{u"id"_s, device},
                {u"type"_s, u"device"_s},
                {u"metadata"_s, QJsonObject{{u"name"_s, QString(u"Switch "_s + QString::number(i))},
                                            {u"archetype"_s, u"unknown_archetype"_s}}},
                {u"product_data"_s, QJsonObject{{u"model_id"_s, u"RWL021"_s}}},
                {u"services"_s, QJsonArray{ref(button, u"button"_s), ref(connectivity, u"zigbee_connectivity"_s)}}});
        insert({{u"id"_s, button},
                {u"type"_s, u"button"_s},
                {u"owner"_s, ref(device, u"device"_s)},
                {u"metadata"_s, QJsonObject{{u"control_id"_s, 1}}},
                {u"button"_s, QJsonObject{}}});
        insert({{u"id"_s, connectivity},
                {u"type"_s, u"zigbee_connectivity"_s},
                {u"owner"_s, ref(device, u"device"_s)},
                {u"status"_s, u"connected"_s}});
    }

    struct Group
    {
        QString id;
        QString type;
        QStringList lights;
    };
    QList<Group> groups;
    QJsonArray homeChildren;
    for (int r = 0; r < roomCount; ++r) {
        const QString room = makeId(u"room"_s, r);
        const QString grouped = makeId(u"grouped_light/room"_s, r);
        QJsonArray children;
        Group group{room, u"room"_s, {}};
        for (int d = r; d < deviceIds.size(); d += roomCount) {
            children.append(ref(deviceIds.at(d), u"device"_s));
            if (d < lightIds.size())
                group.lights.append(lightIds.at(d));
        }
        groups.append(group);
        homeChildren.append(ref(room, u"room"_s));
        insert({{u"id"_s, room},
                {u"id_v1"_s, QString(u"/groups/"_s + QString::number(r + 1))},
                {u"type"_s, u"room"_s},
                {u"metadata"_s, QJsonObject{{u"name"_s, QString(u"Room "_s + QString::number(r + 1))},
                                            {u"archetype"_s, roomArchetypes.at(r % roomArchetypes.size())}}},
                {u"children"_s, children},
                {u"services"_s, QJsonArray{ref(grouped, u"grouped_light"_s)}}});
        insert({{u"id"_s, grouped},
                {u"id_v1"_s, QString(u"/groups/"_s + QString::number(r + 1))},
                {u"type"_s, u"grouped_light"_s},
                {u"owner"_s, ref(room, u"room"_s)},
                {u"on"_s, QJsonObject{{u"on"_s, false}}},
                {u"dimming"_s, QJsonObject{{u"brightness"_s, 0.0}}},
                {u"alert"_s, QJsonObject{{u"action_values"_s, QJsonArray{u"breathe"_s}}}}});
    }
    for (int z = 0; z < zoneCount; ++z) {
        const QString zone = makeId(u"zone"_s, z);
        const QString grouped = makeId(u"grouped_light/zone"_s, z);
        QJsonArray children;
        Group group{zone, u"zone"_s, {}};
        // Zones cut across rooms: every light whose number falls into the zone's stripe.
        for (int l = z; l < lightIds.size(); l += std::max(zoneCount, 1) * 2) {
            children.append(ref(lightIds.at(l), u"light"_s));
            group.lights.append(lightIds.at(l));
        }
        groups.append(group);
        insert({{u"id"_s, zone},
                {u"id_v1"_s, QString(u"/groups/"_s + QString::number(roomCount + z + 1))},
                {u"type"_s, u"zone"_s},
                {u"metadata"_s, QJsonObject{{u"name"_s, QString(u"Zone "_s + QString::number(z + 1))},
                                            {u"archetype"_s, u"downstairs"_s}}},
                {u"children"_s, children},
                {u"services"_s, QJsonArray{ref(grouped, u"grouped_light"_s)}}});
        insert({{u"id"_s, grouped},
                {u"type"_s, u"grouped_light"_s},
                {u"owner"_s, ref(zone, u"zone"_s)},
                {u"on"_s, QJsonObject{{u"on"_s, false}}},
                {u"dimming"_s, QJsonObject{{u"brightness"_s, 0.0}}}});
    }
    const QString home = makeId(u"bridge_home"_s, 0);
    const QString homeGrouped = makeId(u"grouped_light/home"_s, 0);
    homeChildren.append(ref(bridgeDevice, u"device"_s));
    for (int d = roomCount == 0 ? 0 : deviceIds.size(); d < deviceIds.size(); ++d)
        homeChildren.append(ref(deviceIds.at(d), u"device"_s));
    QJsonArray homeServices{ref(homeGrouped, u"grouped_light"_s)};
    for (const QString &light : std::as_const(lightIds))
        homeServices.append(ref(light, u"light"_s));
    insert({{u"id"_s, home},
            {u"id_v1"_s, u"/groups/0"_s},
            {u"type"_s, u"bridge_home"_s},
            {u"children"_s, homeChildren},
            {u"services"_s, homeServices}});
    insert({{u"id"_s, homeGrouped},
            {u"id_v1"_s, u"/groups/0"_s},
            {u"type"_s, u"grouped_light"_s},
            {u"owner"_s, ref(home, u"bridge_home"_s)},
            {u"on"_s, QJsonObject{{u"on"_s, false}}},
            {u"dimming"_s, QJsonObject{{u"brightness"_s, 0.0}}}});

    for (int s = 0; s < size.scenes && !groups.isEmpty(); ++s) {
        const Group &group = groups.at(s % groups.size());
        QStringList targets = group.lights;
        for (const QString &light : std::as_const(lightIds)) {
            if (targets.size() >= size.actionsPerScene)
                break;
            if (!targets.contains(light))
                targets.append(light);
        }
        targets = targets.mid(0, size.actionsPerScene);
        QJsonArray actions;
        for (qsizetype a = 0; a < targets.size(); ++a) {
            const QJsonObject light = m_resources.value(targets.at(a));
            QJsonObject action{{u"on"_s, QJsonObject{{u"on"_s, (s + a) % 5 != 0}}}};
            if (light.contains(u"dimming"_s))
                action.insert(u"dimming"_s, QJsonObject{{u"brightness"_s, 10.0 + ((s * 13 + a * 7) % 90)}});
            if (light.contains(u"color"_s) && s % 2 == 0)
                action.insert(u"color"_s, QJsonObject{{u"xy"_s, QJsonObject{{u"x"_s, round4(0.15 + (s % 11) * 0.04)},
                                                                            {u"y"_s, round4(0.1 + (a % 9) * 0.05)}}}});
            else if (light.contains(u"color_temperature"_s))
                action.insert(u"color_temperature"_s, QJsonObject{{u"mirek"_s, 153 + (s * 29 + a) % 347}});
            actions.append(QJsonObject{{u"target"_s, ref(targets.at(a), u"light"_s)}, {u"action"_s, action}});
        }
        insert({{u"id"_s, makeId(u"scene"_s, s)},
                {u"id_v1"_s, QString(u"/scenes/"_s + QString::number(s))},
                {u"type"_s, u"scene"_s},
                {u"metadata"_s, QJsonObject{{u"name"_s, QString(u"Scene "_s + QString::number(s + 1))}}},
                {u"group"_s, ref(group.id, group.type)},
                {u"actions"_s, actions},
                {u"palette"_s, QJsonObject{{u"color"_s, QJsonArray{}},
                                           {u"dimming"_s, QJsonArray{}},
                                           {u"color_temperature"_s, QJsonArray{}}}},
                {u"speed"_s, 0.6031746031746031},
                {u"auto_dynamic"_s, false},
                {u"status"_s, QJsonObject{{u"active"_s, u"inactive"_s}}}});
    }
    touch(true);
    // Start with group states that agree with their lights.
    QSet<QString> all(lightIds.begin(), lightIds.end());
    SimEventQueue *events = m_events;
    m_events = nullptr;
    settleGroups(all, {});
    m_events = events;
}

void SimHome::setBridgeId(const QString &bridgeId)
{
    for (const QString &id : ids(u"bridge"_s)) {
        QJsonObject &bridge = m_resources[id];
        bridge.insert(u"bridge_id"_s, bridgeId.toLower());
    }
    touch(false);
}

QJsonArray SimHome::resources() const
{
    QJsonArray list;
    for (const QString &id : m_order)
        list.append(m_resources.value(id));
    return list;
}

QJsonArray SimHome::resources(const QString &type) const
{
    QJsonArray list;
    for (const QString &id : m_order) {
        const QJsonObject &object = m_resources[id];
        if (object.value(u"type"_s).toString() == type)
            list.append(object);
    }
    return list;
}

std::optional<QJsonObject> SimHome::resource(const QString &id) const
{
    const auto it = m_resources.constFind(id);
    if (it == m_resources.constEnd())
        return std::nullopt;
    return *it;
}

QStringList SimHome::ids(const QString &type) const
{
    // Commands look up groups and scenes on every call; at Bridge Pro scale
    // a scan of every resource each time would dominate a benchmark.
    if (m_byType.isEmpty()) {
        for (const QString &id : m_order)
            m_byType[m_resources[id].value(u"type"_s).toString()].append(id);
    }
    return m_byType.value(type);
}

QStringList SimHome::lightsOf(const QString &groupOrGroupedLightId) const
{
    const auto cached = m_membership.constFind(groupOrGroupedLightId);
    if (cached != m_membership.constEnd())
        return *cached;
    QString group = groupOrGroupedLightId;
    const QJsonObject object = m_resources.value(group);
    if (object.value(u"type"_s).toString() == "grouped_light"_L1)
        group = groupOf(groupOrGroupedLightId);
    QStringList lights;
    QSet<QString> seen;
    collectLights(group, lights, seen);
    m_membership.insert(groupOrGroupedLightId, lights);
    return lights;
}

// The group that lists the grouped light among its services decides; the
// owner is the fallback. Recorded data has grouped lights whose owner is the
// whole home while a room or zone lists them, and the listing is what the
// bridge acts on.
QString SimHome::groupOf(const QString &groupedLightId) const
{
    for (const QString &id : m_order) {
        const QJsonObject &object = m_resources[id];
        const QString type = object.value(u"type"_s).toString();
        if (type != "room"_L1 && type != "zone"_L1 && type != "bridge_home"_L1)
            continue;
        for (const QString &key : {u"grouped_services"_s, u"services"_s}) {
            const QJsonArray refs = object.value(key).toArray();
            for (const QJsonValue &value : refs) {
                if (value[u"rid"_s].toString() == groupedLightId)
                    return id;
            }
        }
    }
    return m_resources.value(groupedLightId).value(u"owner"_s).toObject().value(u"rid"_s).toString();
}

void SimHome::collectLights(const QString &id, QStringList &lights, QSet<QString> &seen) const
{
    if (seen.contains(id))
        return;
    seen.insert(id);
    const auto it = m_resources.constFind(id);
    if (it == m_resources.constEnd())
        return;
    const QString type = it->value(u"type"_s).toString();
    if (type == "light"_L1) {
        lights.append(id);
        return;
    }
    const auto follow = [&](const QString &key, bool lightsOnly) {
        const QJsonArray refs = it->value(key).toArray();
        for (const QJsonValue &value : refs) {
            const QJsonObject reference = value.toObject();
            const QString rtype = reference.value(u"rtype"_s).toString();
            if (!lightsOnly || rtype == "light"_L1)
                collectLights(reference.value(u"rid"_s).toString(), lights, seen);
        }
    };
    if (type == "device"_L1) {
        follow(u"services"_s, true);
    } else if (type == "room"_L1 || type == "zone"_L1 || type == "bridge_home"_L1) {
        follow(u"children"_s, false);
        follow(u"services"_s, true);
    }
}

SimHome::Result SimHome::putLight(const QString &id, const QJsonObject &body)
{
    const auto it = m_resources.constFind(id);
    if (it == m_resources.constEnd() || it->value(u"type"_s).toString() != "light"_L1)
        return Result::error(404, u"Not Found"_s);
    if (const QString problem = validateLightState(body); !problem.isEmpty())
        return Result::error(400, problem);
    QSet<QString> changed;
    applyToLight(id, body, changed);
    settleGroups(changed, {});
    touch(false);
    return Result::ok(id, u"light"_s);
}

SimHome::Result SimHome::putGroupedLight(const QString &id, const QJsonObject &body)
{
    const auto it = m_resources.constFind(id);
    if (it == m_resources.constEnd() || it->value(u"type"_s).toString() != "grouped_light"_L1)
        return Result::error(404, u"Not Found"_s);
    if (const QString problem = validateLightState(body); !problem.isEmpty())
        return Result::error(400, problem);
    QSet<QString> changed;
    for (const QString &light : lightsOf(id))
        applyToLight(light, body, changed);
    settleGroups(changed, {});
    touch(false);
    return Result::ok(id, u"grouped_light"_s);
}

QString SimHome::applyToLight(const QString &id, const QJsonObject &action, QSet<QString> &changedLights)
{
    QJsonObject &light = m_resources[id];
    QJsonObject changes;
    if (action.contains(u"on"_s) && light.contains(u"on"_s)) {
        const bool on = action.value(u"on"_s).toObject().value(u"on"_s).toBool();
        if (light.value(u"on"_s).toObject().value(u"on"_s).toBool() != on || !light.value(u"on"_s)[u"on"_s].isBool())
            changes.insert(u"on"_s, QJsonObject{{u"on"_s, on}});
    }
    if (action.contains(u"dimming"_s) && light.contains(u"dimming"_s)) {
        const double brightness = action.value(u"dimming"_s).toObject().value(u"brightness"_s).toDouble();
        if (light.value(u"dimming"_s).toObject().value(u"brightness"_s).toDouble() != brightness)
            changes.insert(u"dimming"_s, QJsonObject{{u"brightness"_s, brightness}});
    }
    if (action.contains(u"color"_s) && light.contains(u"color"_s)) {
        const QJsonObject xy = action.value(u"color"_s).toObject().value(u"xy"_s).toObject();
        if (light.value(u"color"_s).toObject().value(u"xy"_s).toObject() != xy)
            changes.insert(u"color"_s, QJsonObject{{u"xy"_s, xy}});
        const QJsonObject temperature = light.value(u"color_temperature"_s).toObject();
        if (light.contains(u"color_temperature"_s) && !temperature.value(u"mirek"_s).isNull())
            changes.insert(u"color_temperature"_s,
                           QJsonObject{{u"mirek"_s, QJsonValue::Null}, {u"mirek_valid"_s, false}});
    } else if (action.contains(u"color_temperature"_s) && light.contains(u"color_temperature"_s)) {
        const QJsonObject current = light.value(u"color_temperature"_s).toObject();
        const QJsonObject schema = current.value(u"mirek_schema"_s).toObject();
        int mirek = action.value(u"color_temperature"_s).toObject().value(u"mirek"_s).toInt();
        // The bridge clamps a white tone to what the light can do.
        if (schema.contains(u"mirek_minimum"_s))
            mirek = std::clamp(
                mirek, schema.value(u"mirek_minimum"_s).toInt(),
                std::max(schema.value(u"mirek_minimum"_s).toInt(), schema.value(u"mirek_maximum"_s).toInt()));
        if (current.value(u"mirek"_s).isNull() || current.value(u"mirek"_s).toInt() != mirek) {
            changes.insert(u"color_temperature"_s, QJsonObject{{u"mirek"_s, mirek}, {u"mirek_valid"_s, true}});
            if (light.contains(u"color"_s))
                changes.insert(u"color"_s, QJsonObject{{u"xy"_s, planckianXY(mirek)}});
        }
    }
    if (changes.isEmpty())
        return {};
    SimEventQueue::deepMerge(light, changes);
    changedLights.insert(id);
    report(id, changes);
    return {};
}

void SimHome::settleGroups(const QSet<QString> &changedLights, const QSet<QString> &keepActive)
{
    if (changedLights.isEmpty())
        return;
    for (const QString &grouped : ids(u"grouped_light"_s)) {
        const QStringList lights = lightsOf(grouped);
        bool touched = false;
        for (const QString &light : lights) {
            if (changedLights.contains(light)) {
                touched = true;
                break;
            }
        }
        if (!touched)
            continue;
        bool anyOn = false;
        double sum = 0;
        int dimmed = 0;
        for (const QString &light : lights) {
            const QJsonObject object = m_resources.value(light);
            const bool on = object.value(u"on"_s).toObject().value(u"on"_s).toBool();
            anyOn = anyOn || on;
            if (on && object.contains(u"dimming"_s)) {
                sum += object.value(u"dimming"_s).toObject().value(u"brightness"_s).toDouble();
                ++dimmed;
            }
        }
        QJsonObject &group = m_resources[grouped];
        QJsonObject changes;
        if (group.value(u"on"_s).toObject().value(u"on"_s).toBool() != anyOn || !group.value(u"on"_s)[u"on"_s].isBool())
            changes.insert(u"on"_s, QJsonObject{{u"on"_s, anyOn}});
        if (group.contains(u"dimming"_s) && dimmed > 0) {
            const double brightness = round4(sum / dimmed);
            if (group.value(u"dimming"_s).toObject().value(u"brightness"_s).toDouble() != brightness)
                changes.insert(u"dimming"_s, QJsonObject{{u"brightness"_s, brightness}});
        }
        if (!changes.isEmpty()) {
            SimEventQueue::deepMerge(group, changes);
            report(grouped, changes);
        }
    }
    // A scene stops being active once one of its lights is changed by other means.
    for (const QString &scene : ids(u"scene"_s)) {
        if (keepActive.contains(scene))
            continue;
        QJsonObject &object = m_resources[scene];
        if (object.value(u"status"_s).toObject().value(u"active"_s).toString(u"inactive"_s) == "inactive"_L1)
            continue;
        const QJsonArray actions = object.value(u"actions"_s).toArray();
        const bool affected = std::any_of(actions.begin(), actions.end(), [&](const QJsonValue &action) {
            return changedLights.contains(action[u"target"_s][u"rid"_s].toString());
        });
        if (affected) {
            const QJsonObject changes{{u"status"_s, QJsonObject{{u"active"_s, u"inactive"_s}}}};
            SimEventQueue::deepMerge(object, changes);
            report(scene, changes);
        }
    }
}

QString SimHome::validateActions(const QJsonValue &actions) const
{
    if (!actions.isArray())
        return u"actions: invalid value, expected a list"_s;
    const QJsonArray list = actions.toArray();
    for (const QJsonValue &value : list) {
        const QJsonObject target = value[u"target"_s].toObject();
        const QString rid = target.value(u"rid"_s).toString();
        if (!value[u"action"_s].isObject() || target.value(u"rtype"_s).toString() != "light"_L1
            || m_resources.value(rid).value(u"type"_s).toString() != "light"_L1)
            return u"actions: invalid target or action"_s;
        if (const QString problem = validateLightState(value[u"action"_s].toObject()); !problem.isEmpty())
            return u"actions: "_s + problem;
    }
    return {};
}

SimHome::Result SimHome::putScene(const QString &id, const QJsonObject &body)
{
    const auto it = m_resources.constFind(id);
    if (it == m_resources.constEnd() || it->value(u"type"_s).toString() != "scene"_L1)
        return Result::error(404, u"Not Found"_s);
    QString recallAction;
    if (body.contains(u"recall"_s)) {
        const QJsonObject recall = body.value(u"recall"_s).toObject();
        recallAction = recall.value(u"action"_s).toString();
        if (recallAction != "active"_L1 && recallAction != "static"_L1 && recallAction != "dynamic_palette"_L1)
            return Result::error(400, u"recall.action: invalid value"_s);
        if (recall.contains(u"dimming"_s)) {
            const QString problem = validateLightState(QJsonObject{{u"dimming"_s, recall.value(u"dimming"_s)}});
            if (!problem.isEmpty())
                return Result::error(400, u"recall."_s + problem);
        }
    }
    if (body.contains(u"actions"_s)) {
        if (const QString problem = validateActions(body.value(u"actions"_s)); !problem.isEmpty())
            return Result::error(400, problem);
    }
    if (body.contains(u"metadata"_s)) {
        const QJsonValue name = body.value(u"metadata"_s).toObject().value(u"name"_s);
        if (!name.isUndefined() && (!name.isString() || name.toString().isEmpty() || name.toString().size() > 32))
            return Result::error(400, u"metadata.name: invalid value, expected 1 to 32 characters"_s);
    }

    QJsonObject changes;
    if (body.contains(u"actions"_s))
        changes.insert(u"actions"_s, body.value(u"actions"_s));
    for (const QString &key : {u"metadata"_s, u"palette"_s, u"speed"_s, u"auto_dynamic"_s}) {
        if (body.contains(key))
            changes.insert(key, body.value(key));
    }
    if (!changes.isEmpty()) {
        SimEventQueue::deepMerge(m_resources[id], changes);
        report(id, changes);
    }
    if (!recallAction.isEmpty()) {
        const QJsonObject recall = body.value(u"recall"_s).toObject();
        QSet<QString> changed;
        const QJsonArray actions = m_resources.value(id).value(u"actions"_s).toArray();
        for (const QJsonValue &action : actions) {
            QJsonObject state = action[u"action"_s].toObject();
            if (recall.contains(u"dimming"_s))
                state.insert(u"dimming"_s, recall.value(u"dimming"_s));
            const QString light = action[u"target"_s][u"rid"_s].toString();
            if (m_resources.value(light).value(u"type"_s).toString() == "light"_L1)
                applyToLight(light, state, changed);
        }
        const QString status = recallAction == "dynamic_palette"_L1 ? u"dynamic_palette"_s : u"static"_s;
        const QJsonValue group = m_resources.value(id).value(u"group"_s)[u"rid"_s];
        // Recalling one scene ends whatever scene of the same group was active.
        for (const QString &other : ids(u"scene"_s)) {
            QJsonObject &scene = m_resources[other];
            const QString current = scene.value(u"status"_s).toObject().value(u"active"_s).toString(u"inactive"_s);
            QString wanted = current;
            if (other == id)
                wanted = status;
            else if (scene.value(u"group"_s)[u"rid"_s] == group)
                wanted = u"inactive"_s;
            if (wanted != current) {
                const QJsonObject statusChange{{u"status"_s, QJsonObject{{u"active"_s, wanted}}}};
                SimEventQueue::deepMerge(scene, statusChange);
                report(other, statusChange);
            }
        }
        settleGroups(changed, {id});
    }
    touch(false);
    return Result::ok(id, u"scene"_s);
}

SimHome::Result SimHome::postScene(const QJsonObject &body)
{
    const QJsonValue name = body.value(u"metadata"_s).toObject().value(u"name"_s);
    if (!name.isString() || name.toString().isEmpty() || name.toString().size() > 32)
        return Result::error(400, u"metadata.name: invalid value, expected 1 to 32 characters"_s);
    const QJsonObject group = body.value(u"group"_s).toObject();
    const QString groupType = m_resources.value(group.value(u"rid"_s).toString()).value(u"type"_s).toString();
    if ((groupType != "room"_L1 && groupType != "zone"_L1) || group.value(u"rtype"_s).toString() != groupType)
        return Result::error(400, u"group: invalid value, expected a room or zone"_s);
    if (const QString problem = validateActions(body.value(u"actions"_s)); !problem.isEmpty())
        return Result::error(400, problem);
    if (body.contains(u"type"_s) && body.value(u"type"_s).toString() != "scene"_L1)
        return Result::error(400, u"type: invalid value"_s);
    if (m_maximumScenes > 0 && ids(u"scene"_s).size() >= m_maximumScenes)
        return Result::error(507, u"Insufficient Storage: the bridge holds no more scenes"_s);

    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QJsonObject scene{{u"id"_s, id},
                      {u"id_v1"_s, QString(u"/scenes/"_s + id.left(15))},
                      {u"type"_s, u"scene"_s},
                      {u"metadata"_s, QJsonObject{{u"name"_s, name}}},
                      {u"group"_s, QJsonObject{{u"rid"_s, group.value(u"rid"_s)}, {u"rtype"_s, groupType}}},
                      {u"actions"_s, body.value(u"actions"_s)},
                      {u"palette"_s, body.value(u"palette"_s).isObject()
                                         ? body.value(u"palette"_s)
                                         : QJsonObject{{u"color"_s, QJsonArray{}},
                                                       {u"dimming"_s, QJsonArray{}},
                                                       {u"color_temperature"_s, QJsonArray{}}}},
                      {u"speed"_s, body.value(u"speed"_s).isDouble() ? body.value(u"speed"_s) : QJsonValue(0.5)},
                      {u"auto_dynamic"_s, body.value(u"auto_dynamic"_s).toBool(false)},
                      {u"status"_s, QJsonObject{{u"active"_s, u"inactive"_s}}}};
    insert(scene);
    if (m_events)
        m_events->added(scene);
    touch(true);
    return Result::ok(id, u"scene"_s);
}

SimHome::Result SimHome::deleteScene(const QString &id)
{
    const auto it = m_resources.constFind(id);
    if (it == m_resources.constEnd() || it->value(u"type"_s).toString() != "scene"_L1)
        return Result::error(404, u"Not Found"_s);
    removeResource(id);
    return Result::ok(id, u"scene"_s);
}

bool SimHome::changeFromOutside(const QString &id, const QJsonObject &patch)
{
    const auto it = m_resources.constFind(id);
    if (it == m_resources.constEnd())
        return false;
    const QString type = it->value(u"type"_s).toString();
    if (type == "light"_L1 && validateLightState(patch).isEmpty()) {
        // Goes the way of a command, so that groups and scenes follow.
        QSet<QString> changed;
        applyToLight(id, patch, changed);
        QJsonObject rest = patch;
        for (const QString &key : {u"on"_s, u"dimming"_s, u"color"_s, u"color_temperature"_s})
            rest.remove(key);
        if (!rest.isEmpty()) {
            SimEventQueue::deepMerge(m_resources[id], rest);
            report(id, rest);
        }
        settleGroups(changed, {});
        touch(true);
        return true;
    }
    if (type == "grouped_light"_L1 && validateLightState(patch).isEmpty()) {
        putGroupedLight(id, patch);
        return true;
    }
    SimEventQueue::deepMerge(m_resources[id], patch);
    report(id, patch);
    touch(true);
    return true;
}

bool SimHome::addResource(const QJsonObject &resource)
{
    const QString id = resource.value(u"id"_s).toString();
    if (id.isEmpty() || !resource.value(u"type"_s).isString() || m_resources.contains(id))
        return false;
    insert(resource);
    if (m_events)
        m_events->added(resource);
    touch(true);
    return true;
}

bool SimHome::removeResource(const QString &id)
{
    const auto it = m_resources.constFind(id);
    if (it == m_resources.constEnd())
        return false;
    QJsonObject reference{{u"id"_s, id}, {u"type"_s, it->value(u"type"_s)}};
    if (it->contains(u"id_v1"_s))
        reference.insert(u"id_v1"_s, it->value(u"id_v1"_s));
    m_resources.remove(id);
    m_order.removeOne(id);
    if (m_events)
        m_events->deleted(reference);
    touch(true);
    return true;
}

void SimHome::report(const QString &id, const QJsonObject &changes)
{
    if (!m_events)
        return;
    const QJsonObject &object = m_resources[id];
    QJsonObject partial = changes;
    partial.insert(u"id"_s, id);
    partial.insert(u"type"_s, object.value(u"type"_s));
    for (const QString &key : {u"id_v1"_s, u"owner"_s}) {
        if (object.contains(key))
            partial.insert(key, object.value(key));
    }
    m_events->updated(partial);
}

void SimHome::insert(const QJsonObject &resource)
{
    const QString id = resource.value(u"id"_s).toString();
    m_order.append(id);
    m_resources.insert(id, resource);
}

void SimHome::touch(bool structure)
{
    ++m_revision;
    if (structure) {
        m_membership.clear();
        m_byType.clear();
    }
}
