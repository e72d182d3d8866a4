#include "HueResource.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

// Wire records: read only while decoding. A required key that is missing or of
// the wrong type fails the record; an optional key may be missing or null, but
// if it is present and malformed it fails the record too.

struct WireMetadata
{
    std::optional<QString> name;
    std::optional<QString> archetype;
};

std::optional<WireMetadata> decodeMetadata(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    WireMetadata metadata;
    if (!HueJson::optionalKey(object, "name"_L1, metadata.name, HueJson::string)
        || !HueJson::optionalKey(object, "archetype"_L1, metadata.archetype, HueJson::string))
        return std::nullopt;
    return metadata;
}

std::optional<bool> decodeOnState(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    return HueJson::boolean(value.toObject().value("on"_L1));
}

std::optional<double> decodeDimming(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    return HueJson::number(value.toObject().value("brightness"_L1));
}

std::optional<HueMirekRange> decodeSchema(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto minimum = HueJson::integer(object.value("mirek_minimum"_L1));
    const auto maximum = HueJson::integer(object.value("mirek_maximum"_L1));
    if (!minimum || !maximum)
        return std::nullopt;
    return HueMirekRange{*minimum, *maximum};
}

std::optional<HueColorTemperature> decodeColorTemperature(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    HueColorTemperature temperature;
    if (!HueJson::optionalKey(object, "mirek"_L1, temperature.mirek, HueJson::integer)
        || !HueJson::optionalKey(object, "mirek_schema"_L1, temperature.range, decodeSchema))
        return std::nullopt;
    return temperature;
}

struct WireColorState
{
    std::optional<HueXY> xy;
    std::optional<HueGamut> gamut;
};

std::optional<WireColorState> decodeColorState(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    WireColorState color;
    if (!HueJson::optionalKey(object, "xy"_L1, color.xy, HueXY::fromJson)
        || !HueJson::optionalKey(object, "gamut"_L1, color.gamut, HueGamut::fromJson))
        return std::nullopt;
    return color;
}

/// A list that fails as a whole when one element fails.
template<typename Decode>
auto decodeStrictList(const QJsonValue &value, Decode decode)
    -> std::optional<QList<typename std::invoke_result_t<Decode, QJsonValue>::value_type>>
{
    using Element = typename std::invoke_result_t<Decode, QJsonValue>::value_type;
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    QList<Element> list;
    list.reserve(array.size());
    for (const QJsonValue element : array) {
        auto decoded = decode(element);
        if (!decoded)
            return std::nullopt;
        list.append(std::move(*decoded));
    }
    return list;
}

struct WirePalette
{
    std::optional<QList<WireColorState>> colors;
    std::optional<QList<HueColorTemperature>> temperatures;
};

std::optional<WireColorState> decodeColorEntry(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    return decodeColorState(value.toObject().value("color"_L1));
}

std::optional<HueColorTemperature> decodeTemperatureEntry(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    return decodeColorTemperature(value.toObject().value("color_temperature"_L1));
}

std::optional<WirePalette> decodePalette(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    WirePalette palette;
    const auto colors = [](const QJsonValue &v) { return decodeStrictList(v, decodeColorEntry); };
    const auto temperatures = [](const QJsonValue &v) { return decodeStrictList(v, decodeTemperatureEntry); };
    if (!HueJson::optionalKey(object, "color"_L1, palette.colors, colors)
        || !HueJson::optionalKey(object, "color_temperature"_L1, palette.temperatures, temperatures))
        return std::nullopt;
    return palette;
}

struct WireAction
{
    std::optional<bool> on;
    std::optional<double> brightness;
    std::optional<WireColorState> color;
    std::optional<HueColorTemperature> colorTemperature;
};

struct WireSceneAction
{
    HueResourceRef target;
    WireAction action;
};

std::optional<WireSceneAction> decodeSceneAction(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto target = HueResourceRef::fromJson(object.value("target"_L1));
    const QJsonValue actionValue = object.value("action"_L1);
    if (!target || !actionValue.isObject())
        return std::nullopt;
    const QJsonObject action = actionValue.toObject();
    WireSceneAction result{*target, {}};
    if (!HueJson::optionalKey(action, "on"_L1, result.action.on, decodeOnState)
        || !HueJson::optionalKey(action, "dimming"_L1, result.action.brightness, decodeDimming)
        || !HueJson::optionalKey(action, "color"_L1, result.action.color, decodeColorState)
        || !HueJson::optionalKey(action, "color_temperature"_L1, result.action.colorTemperature,
                                 decodeColorTemperature))
        return std::nullopt;
    return result;
}

HueSceneAction toSceneAction(const WireSceneAction &wire)
{
    HueSceneAction action;
    action.lightID = wire.target.rid;
    action.command.isOn = wire.action.on;
    action.command.brightness = wire.action.brightness;
    if (wire.action.color && wire.action.color->xy)
        action.command.xy = wire.action.color->xy;
    else if (wire.action.colorTemperature)
        action.command.mirek = wire.action.colorTemperature->mirek;
    return action;
}

/// Action colours first; the palette only when no lit action has a colour.
QList<HueSwatch> deriveSwatches(const std::optional<WirePalette> &palette, const QList<WireSceneAction> &actions)
{
    QList<HueSwatch> swatches;
    for (const auto &[target, action] : actions) {
        if (action.on == false)
            continue;
        if (action.color && action.color->xy)
            swatches.append(HueSwatch::xy(*action.color->xy));
        else if (action.colorTemperature && action.colorTemperature->mirek)
            swatches.append(HueSwatch::mirek(*action.colorTemperature->mirek));
    }
    if (swatches.isEmpty() && palette) {
        for (const auto &color : palette->colors.value_or(QList<WireColorState>{})) {
            if (color.xy)
                swatches.append(HueSwatch::xy(*color.xy));
        }
        for (const auto &temperature : palette->temperatures.value_or(QList<HueColorTemperature>{})) {
            if (temperature.mirek)
                swatches.append(HueSwatch::mirek(*temperature.mirek));
        }
    }
    // Scenes have a handful of swatches, so a linear scan beats hashing.
    QList<HueSwatch> unique;
    unique.reserve(swatches.size());
    for (const auto &swatch : std::as_const(swatches)) {
        if (!unique.contains(swatch))
            unique.append(swatch);
    }
    return unique;
}

template<typename T, typename Decode>
std::optional<T> field(const QJsonObject &object, QLatin1StringView key, Decode decode)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        return std::nullopt;
    return decode(*it);
}

std::optional<QList<HueResourceRef>> decodeRefList(const QJsonValue &value)
{
    return decodeStrictList(value, HueResourceRef::fromJson);
}

} // namespace

std::optional<HueResource> HueResource::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    auto id = HueJson::string(object.value("id"_L1));
    auto type = HueJson::string(object.value("type"_L1));
    if (!id || !type)
        return std::nullopt;

    HueResource resource(std::move(*id), std::move(*type));
    resource.owner = field<HueResourceRef>(object, "owner"_L1, HueResourceRef::fromJson);
    resource.group = field<HueResourceRef>(object, "group"_L1, HueResourceRef::fromJson);
    resource.children = field<QList<HueResourceRef>>(object, "children"_L1, decodeRefList);
    resource.services = field<QList<HueResourceRef>>(object, "services"_L1, decodeRefList);

    if (const auto metadata = field<WireMetadata>(object, "metadata"_L1, decodeMetadata)) {
        resource.name = metadata->name;
        resource.archetype = metadata->archetype;
    }
    resource.isOn = field<bool>(object, "on"_L1, decodeOnState);
    resource.brightness = field<double>(object, "dimming"_L1, decodeDimming);
    resource.colorTemperature = field<HueColorTemperature>(object, "color_temperature"_L1, decodeColorTemperature);
    if (const auto color = field<WireColorState>(object, "color"_L1, decodeColorState)) {
        resource.xy = color->xy;
        resource.gamut = color->gamut;
    }

    const QJsonValue status = object.value("status"_L1);
    if (status.isObject()) {
        std::optional<QString> active;
        if (HueJson::optionalKey(status.toObject(), "active"_L1, active, HueJson::string) && active)
            resource.sceneActive = *active != "inactive"_L1;
    } else if (status.isString()) {
        resource.connectivity = status.toString();
    }

    const auto palette = field<WirePalette>(object, "palette"_L1, decodePalette);
    const auto actions = field<QList<WireSceneAction>>(
        object, "actions"_L1, [](const QJsonValue &v) { return decodeStrictList(v, decodeSceneAction); });
    if (palette || actions) {
        resource.sceneSwatches = deriveSwatches(palette, actions.value_or(QList<WireSceneAction>{}));
        if (actions) {
            QList<HueSceneAction> sceneActions;
            sceneActions.reserve(actions->size());
            for (const auto &action : *actions)
                sceneActions.append(toSceneAction(action));
            resource.sceneActions = std::move(sceneActions);
        }
    }
    return resource;
}

void HueResource::merge(const HueResource &other)
{
    const auto take = [](auto &mine, const auto &theirs) {
        if (theirs)
            mine = theirs;
    };
    take(owner, other.owner);
    take(name, other.name);
    take(archetype, other.archetype);
    take(isOn, other.isOn);
    take(brightness, other.brightness);
    take(xy, other.xy);
    take(gamut, other.gamut);
    take(children, other.children);
    take(services, other.services);
    take(group, other.group);
    take(sceneSwatches, other.sceneSwatches);
    take(sceneActions, other.sceneActions);
    take(sceneActive, other.sceneActive);
    take(connectivity, other.connectivity);

    // An update's colour temperature always sets the mirek (null clears it),
    // but the range survives updates that do not repeat it.
    if (other.colorTemperature) {
        HueColorTemperature merged;
        merged.mirek = other.colorTemperature->mirek;
        merged.range = other.colorTemperature->range;
        if (!merged.range && colorTemperature)
            merged.range = colorTemperature->range;
        colorTemperature = merged;
    }
}

size_t qHash(const HueResource &resource, size_t seed) noexcept
{
    // Hash the identity and a few state fields; equality compares everything,
    // which is all a hash needs to be consistent with.
    return qHashMulti(seed, resource.id, resource.type, resource.name.value_or(QString()),
                      resource.isOn.value_or(false), resource.brightness.value_or(0.0));
}
