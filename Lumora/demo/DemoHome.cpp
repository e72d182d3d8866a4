#include "DemoHome.h"

#include "HueColor.h"

#include <QHash>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The description --------------------------------------------------------------

struct Name
{
    QString german;
    QString english;
};

enum class Kind { colour, ambiance, white, plug };

/// One colour of a scene: a chromaticity, or a white tone when `mirek` is set.
struct Swatch
{
    double x = 0;
    double y = 0;
    int mirek = 0;
    double brightness = 100;
};

/// How a scene lights a group: colour lights take its swatches in turn, white
/// ambiance lights its white tone, white lights its brightness, and plugs
/// simply come on.
struct Look
{
    Name name;
    QList<Swatch> swatches;
    int mirek;
    double brightness;
};

Swatch white(int mirek, double brightness = 100)
{
    return Swatch{0, 0, mirek, brightness};
}

enum LookId {
    relax,
    read,
    concentrate,
    energize,
    bright,
    nightlight,
    sunset,
    twilight,
    aurora,
    blossom,
    savanna,
    ocean,
    candle
};

// The colours stay inside gamut C, which every colour light of the home has.
const QList<Look> &looks()
{
    static const QList<Look> list{
        {{u"Entspannen"_s, u"Relax"_s}, {white(447, 56)}, 447, 56},
        {{u"Lesen"_s, u"Read"_s}, {white(346)}, 346, 100},
        {{u"Konzentrieren"_s, u"Concentrate"_s}, {white(233)}, 233, 100},
        {{u"Energie tanken"_s, u"Energize"_s}, {white(156)}, 156, 100},
        {{u"Hell"_s, u"Bright"_s}, {white(366)}, 366, 100},
        {{u"Nachtlicht"_s, u"Nightlight"_s}, {{0.5610, 0.4042, 0, 2}}, 454, 2},
        {{u"Sonnenuntergang"_s, u"Sunset"_s},
         {{0.5806, 0.3857, 0, 80}, {0.4936, 0.2692, 0, 60}, {0.3228, 0.1486, 0, 45}},
         454,
         50},
        {{u"Tropische Dämmerung"_s, u"Tropical twilight"_s},
         {{0.2462, 0.1190, 0, 55}, {0.4148, 0.1848, 0, 50}, {0.1705, 0.3104, 0, 45}},
         400,
         45},
        {{u"Polarlicht"_s, u"Arctic aurora"_s},
         {{0.2155, 0.5526, 0, 70}, {0.1727, 0.3007, 0, 75}, {0.1628, 0.1140, 0, 60}},
         200,
         70},
        {{u"Frühlingsblüte"_s, u"Spring blossom"_s},
         {{0.4317, 0.2736, 0, 85}, {0.3489, 0.4478, 0, 80}, {0.3852, 0.3478, 0, 90}},
         300,
         80},
        {{u"Savanne"_s, u"Savanna sunset"_s},
         {{0.6100, 0.3650, 0, 70}, {0.5264, 0.4193, 0, 80}, {0.4691, 0.4638, 0, 75}},
         443,
         70},
        {{u"Ozean"_s, u"Ocean"_s},
         {{0.1586, 0.1004, 0, 65}, {0.1639, 0.2717, 0, 70}, {0.2485, 0.3015, 0, 60}},
         250,
         65},
        {{u"Kerzenschein"_s, u"Candlelight"_s}, {{0.5574, 0.4043, 0, 35}, {0.5268, 0.4133, 0, 30}}, 454, 35},
    };
    return list;
}

struct LightPlan
{
    Kind kind;
    QString archetype;
    Name name;
    bool reachable = true;
};

struct RoomPlan
{
    QString key;
    QString archetype;
    Name name;
    QList<LightPlan> lights;
    QList<LookId> scenes;
    /// The scene the room shows at start (an index into `scenes`); -1: dark.
    int lit = -1;
};

struct ZonePlan
{
    QString key;
    QString archetype;
    Name name;
    /// "room/index" of each light.
    QStringList lights;
    QList<LookId> scenes;
};

const QList<RoomPlan> &rooms()
{
    using enum Kind;
    static const QList<RoomPlan> list{
        {u"living"_s,
         u"living_room"_s,
         {u"Wohnzimmer"_s, u"Living room"_s},
         {{ambiance, u"pendant_round"_s, {u"Deckenleuchte"_s, u"Ceiling light"_s}},
          {colour, u"floor_shade"_s, {u"Stehlampe"_s, u"Floor lamp"_s}},
          {colour, u"hue_lightstrip"_s, {u"TV-Lightstrip"_s, u"TV lightstrip"_s}},
          {ambiance, u"table_shade"_s, {u"Leselampe"_s, u"Reading lamp"_s}},
          {plug, u"plug"_s, {u"Salzkristalllampe"_s, u"Salt lamp"_s}}},
         {sunset, twilight, relax, read, aurora},
         0},
        {u"kitchen"_s,
         u"kitchen"_s,
         {u"Küche"_s, u"Kitchen"_s},
         {{ambiance, u"spot_bulb"_s, {u"Spot 1"_s, u"Spot 1"_s}},
          {ambiance, u"spot_bulb"_s, {u"Spot 2"_s, u"Spot 2"_s}},
          {ambiance, u"spot_bulb"_s, {u"Spot 3"_s, u"Spot 3"_s}},
          {white, u"hue_lightstrip"_s, {u"Unterbauleuchte"_s, u"Under-cabinet light"_s}},
          {plug, u"plug"_s, {u"Kaffeemaschine"_s, u"Coffee machine"_s}}},
         {concentrate, energize, relax, read},
         0},
        {u"dining"_s,
         u"dining"_s,
         {u"Esszimmer"_s, u"Dining room"_s},
         {{colour, u"pendant_long"_s, {u"Esstischlampe"_s, u"Dining pendant"_s}},
          {ambiance, u"candle_bulb"_s, {u"Kerze links"_s, u"Candle left"_s}},
          {ambiance, u"candle_bulb"_s, {u"Kerze rechts"_s, u"Candle right"_s}}},
         {candle, savanna, blossom, relax}},
        {u"bedroom"_s,
         u"bedroom"_s,
         {u"Schlafzimmer"_s, u"Bedroom"_s},
         {{colour, u"table_shade"_s, {u"Nachttisch links"_s, u"Bedside left"_s}},
          {colour, u"table_shade"_s, {u"Nachttisch rechts"_s, u"Bedside right"_s}},
          {white, u"ceiling_round"_s, {u"Schlafzimmerlampe"_s, u"Bedroom ceiling"_s}}},
         {nightlight, relax, ocean, read}},
        {u"office"_s,
         u"office"_s,
         {u"Arbeitszimmer"_s, u"Office"_s},
         {{ambiance, u"table_wash"_s, {u"Schreibtischlampe"_s, u"Desk lamp"_s}},
          {white, u"ceiling_square"_s, {u"Bürolampe"_s, u"Office ceiling"_s}},
          {colour, u"hue_lightstrip"_s, {u"Regal-Lightstrip"_s, u"Shelf lightstrip"_s}, false}},
         {concentrate, energize, aurora},
         0},
        {u"bathroom"_s,
         u"bathroom"_s,
         {u"Bad"_s, u"Bathroom"_s},
         {{ambiance, u"ceiling_horizontal"_s, {u"Spiegelleuchte"_s, u"Mirror light"_s}},
          {white, u"recessed_ceiling"_s, {u"Deckenspot Bad"_s, u"Bathroom spot"_s}}},
         {energize, relax, concentrate}},
        {u"hallway"_s,
         u"hallway"_s,
         {u"Flur"_s, u"Hallway"_s},
         {{white, u"ceiling_round"_s, {u"Flurlampe"_s, u"Hall ceiling"_s}},
          {ambiance, u"sultan_bulb"_s, {u"Eingang"_s, u"Entrance"_s}}},
         {relax, bright, energize},
         0},
        {u"balcony"_s,
         u"balcony"_s,
         {u"Balkon"_s, u"Balcony"_s},
         {{plug, u"christmas_tree"_s, {u"Lichterkette"_s, u"String lights"_s}},
          {colour, u"wall_lantern"_s, {u"Balkonlaterne"_s, u"Balcony lantern"_s}, false}},
         {savanna, candle, ocean}},
    };
    return list;
}

const QList<ZonePlan> &zones()
{
    static const QList<ZonePlan> list{
        {u"open"_s,
         u"living_room"_s,
         {u"Wohnbereich"_s, u"Living area"_s},
         {u"living/0"_s, u"living/1"_s, u"living/2"_s, u"dining/0"_s, u"kitchen/3"_s},
         {sunset, relax}},
        {u"night"_s,
         u"hallway"_s,
         {u"Nachtweg"_s, u"Night path"_s},
         {u"bedroom/0"_s, u"hallway/1"_s, u"bathroom/0"_s},
         {nightlight, relax}},
        {u"work"_s,
         u"office"_s,
         {u"Arbeitsecke"_s, u"Work corner"_s},
         {u"office/0"_s, u"office/1"_s, u"living/3"_s},
         {concentrate, read}},
    };
    return list;
}

// Building the listing -----------------------------------------------------------

QString idOf(const QString &what)
{
    static const QUuid space(u"9d3f4b62-6c1e-4b8a-a7d2-3e5f0c8b1a47"_s);
    return QUuid::createUuidV5(space, what).toString(QUuid::WithoutBraces);
}

QJsonObject ref(const QString &rid, const QString &rtype)
{
    return QJsonObject{{u"rid"_s, rid}, {u"rtype"_s, rtype}};
}

const HueGamut gamutC{{0.6915, 0.3083}, {0.17, 0.7}, {0.1532, 0.0475}};

struct Product
{
    QString model;
    QString name;
    HueMirekRange mirek;
    double minimumDim;
};

Product productOf(const LightPlan &light)
{
    if (light.archetype == "hue_lightstrip"_L1)
        return light.kind == Kind::colour ? Product{u"LCL001"_s, u"Hue lightstrip plus"_s, {153, 500}, 0.2}
                                          : Product{u"LWL001"_s, u"Hue white lightstrip"_s, {}, 2.0};
    switch (light.kind) {
    case Kind::colour:
        return {u"LCA001"_s, u"Hue color lamp"_s, {153, 500}, 0.20000000298023225};
    case Kind::ambiance:
        return {u"LTA001"_s, u"Hue white ambiance lamp"_s, {153, 454}, 1.0};
    case Kind::white:
        return {u"LWA001"_s, u"Hue white lamp"_s, {}, 2.0};
    case Kind::plug:
        break;
    }
    return {u"LOM001"_s, u"Hue smart plug"_s, {}, 0};
}

/// A light's state under a look: `colour` counts the colour lights lit so far,
/// so that they take the swatches in turn.
QJsonObject actionFor(const LightPlan &light, const Look &look, int &colour)
{
    QJsonObject action{{u"on"_s, QJsonObject{{u"on"_s, true}}}};
    if (light.kind == Kind::plug)
        return action;
    const Swatch swatch = light.kind == Kind::colour ? look.swatches.at(colour++ % look.swatches.size()) : Swatch{};
    const double brightness = light.kind == Kind::colour ? swatch.brightness : look.brightness;
    action.insert(u"dimming"_s, QJsonObject{{u"brightness"_s, brightness}});
    if (light.kind == Kind::colour && swatch.mirek == 0)
        action.insert(u"color"_s, QJsonObject{{u"xy"_s, HueXY{swatch.x, swatch.y}.toJson()}});
    else if (light.kind == Kind::colour || light.kind == Kind::ambiance)
        action.insert(u"color_temperature"_s,
                      QJsonObject{{u"mirek"_s, std::min(swatch.mirek ? swatch.mirek : look.mirek, 454)}});
    return action;
}

class Builder
{
public:
    explicit Builder(bool german)
        : m_german(german)
    {
    }

    QJsonArray build();

private:
    QString name(const Name &name) const { return m_german ? name.german : name.english; }
    void add(QJsonObject resource) { m_list.append(resource); }
    QString addDevice(const QString &key, const QString &name, const QString &archetype, const Product &product,
                      QJsonArray services, bool reachable = true);
    QString addLight(const QString &key, const LightPlan &light, const QJsonObject &state);
    QJsonObject groupedLight(const QString &id, const QJsonObject &owner, const QStringList &lights) const;
    void addScenes(const QString &key, const QJsonObject &group, const QList<LookId> &scenes,
                   const QList<std::pair<QString, LightPlan>> &lights, int active);
    void addSwitches();

    bool m_german;
    QJsonArray m_list;
    QHash<QString, QString> m_lightIds;       // "room/index" -> light id
    QHash<QString, QJsonObject> m_lightState; // light id -> on, dimming
    QStringList m_roomDevices;
    int m_v1 = 0;
};

QString Builder::addDevice(const QString &key, const QString &name, const QString &archetype, const Product &product,
                           QJsonArray services, bool reachable)
{
    QString id = idOf(u"device/"_s + key);
    const QString connectivity = idOf(u"zigbee_connectivity/"_s + key);
    services.append(ref(connectivity, u"zigbee_connectivity"_s));
    const int number = ++m_v1;
    const QString v1 =
        (services.first()[u"rtype"_s] == "light"_L1 ? u"/lights/"_s : u"/sensors/"_s) + QString::number(number);
    add({{u"id"_s, id},
         {u"id_v1"_s, v1},
         {u"type"_s, u"device"_s},
         {u"metadata"_s, QJsonObject{{u"name"_s, name}, {u"archetype"_s, archetype}}},
         {u"product_data"_s, QJsonObject{{u"model_id"_s, product.model},
                                         {u"manufacturer_name"_s, u"Signify Netherlands B.V."_s},
                                         {u"product_name"_s, product.name},
                                         {u"product_archetype"_s, archetype},
                                         {u"certified"_s, true},
                                         {u"software_version"_s, u"1.116.3"_s}}},
         {u"identify"_s, QJsonObject{}},
         {u"services"_s, services}});
    add({{u"id"_s, connectivity},
         {u"id_v1"_s, v1},
         {u"type"_s, u"zigbee_connectivity"_s},
         {u"owner"_s, ref(id, u"device"_s)},
         {u"status"_s, reachable ? u"connected"_s : u"connectivity_issue"_s},
         {u"mac_address"_s, u"00:17:88:01:0d:%1:%2:0b"_s.arg(number / 256, 2, 16, QLatin1Char('0'))
                                .arg(number % 256, 2, 16, QLatin1Char('0'))}});
    return id;
}

QString Builder::addLight(const QString &key, const LightPlan &light, const QJsonObject &state)
{
    QString id = idOf(u"light/"_s + key);
    const Product product = productOf(light);
    const QString device =
        addDevice(key, name(light.name), light.archetype, product, QJsonArray{ref(id, u"light"_s)}, light.reachable);
    m_roomDevices.append(device);
    QJsonObject resource{{u"id"_s, id},
                         {u"id_v1"_s, QString(u"/lights/"_s + QString::number(m_v1))},
                         {u"type"_s, u"light"_s},
                         {u"owner"_s, ref(device, u"device"_s)},
                         {u"metadata"_s, QJsonObject{{u"name"_s, name(light.name)}, {u"archetype"_s, light.archetype}}},
                         {u"identify"_s, QJsonObject{}},
                         {u"on"_s, state.value(u"on"_s)},
                         {u"mode"_s, u"normal"_s},
                         {u"alert"_s, QJsonObject{{u"action_values"_s, QJsonArray{u"breathe"_s}}}}};
    if (light.kind != Kind::plug) {
        resource.insert(u"dimming"_s,
                        QJsonObject{{u"brightness"_s, state.value(u"dimming"_s)[u"brightness"_s].toDouble(100)},
                                    {u"min_dim_level"_s, product.minimumDim}});
        resource.insert(u"dimming_delta"_s, QJsonObject{});
    }
    if (product.mirek.maximum > 0) {
        const QJsonValue mirek = state.value(u"color_temperature"_s)[u"mirek"_s];
        resource.insert(u"color_temperature"_s,
                        QJsonObject{{u"mirek"_s, mirek.isDouble() ? mirek : QJsonValue(QJsonValue::Null)},
                                    {u"mirek_valid"_s, mirek.isDouble()},
                                    {u"mirek_schema"_s, QJsonObject{{u"mirek_minimum"_s, product.mirek.minimum},
                                                                    {u"mirek_maximum"_s, product.mirek.maximum}}}});
        resource.insert(u"color_temperature_delta"_s, QJsonObject{});
    }
    if (light.kind == Kind::colour) {
        // A white tone shows as its chromaticity too, as bridges report it.
        const QJsonValue xy = state.value(u"color"_s)[u"xy"_s];
        const HueXY point =
            xy.isObject()
                ? *HueXY::fromJson(xy)
                : HueColor::xy(HueColor::rgb(state.value(u"color_temperature"_s)[u"mirek"_s].toInt(366)), gamutC);
        resource.insert(
            u"color"_s,
            QJsonObject{{u"xy"_s, HueXY{std::round(point.x * 1e4) / 1e4, std::round(point.y * 1e4) / 1e4}.toJson()},
                        {u"gamut"_s, gamutC.toJson()},
                        {u"gamut_type"_s, u"C"_s}});
        resource.insert(u"dynamics"_s, QJsonObject{{u"status"_s, u"none"_s},
                                                   {u"status_values"_s, QJsonArray{u"none"_s, u"dynamic_palette"_s}},
                                                   {u"speed"_s, 0},
                                                   {u"speed_valid"_s, false}});
        resource.insert(u"effects"_s,
                        QJsonObject{{u"status"_s, u"no_effect"_s},
                                    {u"status_values"_s, QJsonArray{u"no_effect"_s, u"candle"_s, u"fire"_s}},
                                    {u"effect_values"_s, QJsonArray{u"no_effect"_s, u"candle"_s, u"fire"_s}}});
    }
    add(resource);
    m_lightIds.insert(key, id);
    m_lightState.insert(id, resource);
    return id;
}

/// On when any light is; the brightness of the lit dimmable lights on
/// average, or of all of them while none is lit.
QJsonObject Builder::groupedLight(const QString &id, const QJsonObject &owner, const QStringList &lights) const
{
    bool on = false;
    double lit = 0, all = 0;
    int litCount = 0, allCount = 0;
    for (const QString &light : lights) {
        const QJsonObject state = m_lightState.value(light);
        const bool isOn = state.value(u"on"_s)[u"on"_s].toBool();
        on = on || isOn;
        if (!state.contains(u"dimming"_s))
            continue;
        const double brightness = state.value(u"dimming"_s)[u"brightness"_s].toDouble();
        all += brightness;
        ++allCount;
        if (isOn) {
            lit += brightness;
            ++litCount;
        }
    }
    QJsonObject resource{{u"id"_s, id},
                         {u"type"_s, u"grouped_light"_s},
                         {u"owner"_s, owner},
                         {u"on"_s, QJsonObject{{u"on"_s, on}}},
                         {u"color"_s, QJsonObject{}},
                         {u"dynamics"_s, QJsonObject{}},
                         {u"alert"_s, QJsonObject{{u"action_values"_s, QJsonArray{u"breathe"_s}}}},
                         {u"signaling"_s, QJsonObject{{u"signal_values"_s, QJsonArray{u"no_signal"_s, u"on_off"_s}}}}};
    if (allCount > 0) {
        const double brightness = litCount > 0 ? lit / litCount : all / allCount;
        resource.insert(u"dimming"_s, QJsonObject{{u"brightness"_s, std::round(brightness * 100) / 100}});
        resource.insert(u"dimming_delta"_s, QJsonObject{});
    }
    return resource;
}

void Builder::addScenes(const QString &key, const QJsonObject &group, const QList<LookId> &scenes,
                        const QList<std::pair<QString, LightPlan>> &lights, int active)
{
    for (qsizetype s = 0; s < scenes.size(); ++s) {
        const Look &look = looks().at(scenes.at(s));
        QJsonArray actions;
        int colour = 0;
        for (const auto &[id, light] : lights)
            actions.append(
                QJsonObject{{u"target"_s, ref(id, u"light"_s)}, {u"action"_s, actionFor(light, look, colour)}});
        QJsonArray colours, tones;
        for (const Swatch &swatch : look.swatches) {
            const QJsonObject dimming{{u"brightness"_s, swatch.brightness}};
            if (swatch.mirek)
                tones.append(QJsonObject{{u"color_temperature"_s, QJsonObject{{u"mirek"_s, swatch.mirek}}},
                                         {u"dimming"_s, dimming}});
            else
                colours.append(QJsonObject{{u"color"_s, QJsonObject{{u"xy"_s, HueXY{swatch.x, swatch.y}.toJson()}}},
                                           {u"dimming"_s, dimming}});
        }
        const QString what = u"scene/"_s + key + u'/' + QString::number(s);
        add({{u"id"_s, idOf(what)},
             {u"id_v1"_s, QString(u"/scenes/"_s + idOf(what).remove(u'-').left(15))},
             {u"type"_s, u"scene"_s},
             {u"metadata"_s, QJsonObject{{u"name"_s, name(look.name)},
                                         {u"image"_s, ref(idOf(u"image/"_s + look.name.english), u"public_image"_s)}}},
             {u"group"_s, group},
             {u"actions"_s, actions},
             {u"palette"_s, QJsonObject{{u"color"_s, colours},
                                        {u"dimming"_s, QJsonArray{}},
                                        {u"color_temperature"_s, tones},
                                        {u"effects"_s, QJsonArray{}}}},
             {u"speed"_s, 0.6269841194152832},
             {u"auto_dynamic"_s, false},
             {u"status"_s, QJsonObject{{u"active"_s, s == active ? u"static"_s : u"inactive"_s}}}});
    }
}

/// A dimmer switch and a motion sensor in the hallway: devices without lights,
/// with the kinds of services a home has beside its lights.
void Builder::addSwitches()
{
    QJsonArray services;
    for (int control = 1; control <= 4; ++control) {
        const QString button = idOf(u"button/dimmer/"_s + QString::number(control));
        services.append(ref(button, u"button"_s));
        add({{u"id"_s, button},
             {u"type"_s, u"button"_s},
             {u"owner"_s, ref(idOf(u"device/dimmer"_s), u"device"_s)},
             {u"metadata"_s, QJsonObject{{u"control_id"_s, control}}},
             {u"button"_s, QJsonObject{{u"repeat_interval"_s, 800},
                                       {u"event_values"_s, QJsonArray{u"initial_press"_s, u"short_release"_s}}}}});
    }
    const Product dimmer{u"RWL022"_s, u"Hue dimmer switch"_s, {}, 0};
    m_roomDevices.append(addDevice(u"dimmer"_s, name({u"Dimmschalter Flur"_s, u"Hallway dimmer"_s}),
                                   u"unknown_archetype"_s, dimmer, services));
    services = {};
    for (const QString &type : {u"motion"_s, u"light_level"_s, u"temperature"_s}) {
        const QString id = idOf(type + u"/sensor"_s);
        services.append(ref(id, type));
        add({{u"id"_s, id},
             {u"type"_s, type},
             {u"owner"_s, ref(idOf(u"device/sensor"_s), u"device"_s)},
             {u"enabled"_s, true}});
    }
    const Product sensor{u"SML003"_s, u"Hue motion sensor"_s, {}, 0};
    m_roomDevices.append(addDevice(u"sensor"_s, name({u"Bewegungsmelder Flur"_s, u"Hallway sensor"_s}),
                                   u"unknown_archetype"_s, sensor, services));
}

QJsonArray Builder::build()
{
    const QString bridgeDevice = idOf(u"device/bridge"_s);
    const QString bridge = idOf(u"bridge"_s);
    add({{u"id"_s, bridgeDevice},
         {u"type"_s, u"device"_s},
         {u"metadata"_s, QJsonObject{{u"name"_s, u"Hue Bridge"_s}, {u"archetype"_s, u"bridge_v2"_s}}},
         {u"product_data"_s, QJsonObject{{u"model_id"_s, u"BSB002"_s}, {u"product_name"_s, u"Hue Bridge"_s}}},
         {u"services"_s, QJsonArray{ref(bridge, u"bridge"_s)}}});
    // The simulator writes its own id into "bridge_id".
    add({{u"id"_s, bridge},
         {u"type"_s, u"bridge"_s},
         {u"bridge_id"_s, u""_s},
         {u"owner"_s, ref(bridgeDevice, u"device"_s)},
         {u"time_zone"_s, QJsonObject{{u"time_zone"_s, u"Europe/Berlin"_s}}}});

    const QString home = idOf(u"bridge_home"_s);
    QJsonArray homeChildren{ref(bridgeDevice, u"device"_s)};
    QStringList allLights;
    int groupNumber = 0;
    for (const RoomPlan &room : rooms()) {
        m_roomDevices.clear();
        QList<std::pair<QString, LightPlan>> lights;
        const Look *shown = room.lit >= 0 ? &looks().at(room.scenes.at(room.lit)) : nullptr;
        const Look &first = looks().at(room.scenes.first());
        int colour = 0;
        for (qsizetype i = 0; i < room.lights.size(); ++i) {
            const LightPlan &light = room.lights.at(i);
            // A dark room's lights keep the look of its first scene; lights
            // out of reach are dark.
            QJsonObject state = actionFor(light, shown ? *shown : first, colour);
            if (!shown || !light.reachable)
                state.insert(u"on"_s, QJsonObject{{u"on"_s, false}});
            lights.append({addLight(QString(room.key + u'/' + QString::number(i)), light, state), light});
        }
        if (room.key == "hallway"_L1)
            addSwitches();
        const QString id = idOf(u"room/"_s + room.key);
        const QString grouped = idOf(u"grouped_light/"_s + room.key);
        QJsonArray children, services;
        for (const QString &device : std::as_const(m_roomDevices))
            children.append(ref(device, u"device"_s));
        QStringList lightIds;
        for (const auto &[light, plan] : lights) {
            lightIds.append(light);
            services.append(ref(light, u"light"_s));
        }
        allLights += lightIds;
        services.append(ref(grouped, u"grouped_light"_s));
        const QString v1 = u"/groups/"_s + QString::number(++groupNumber);
        add({{u"id"_s, id},
             {u"id_v1"_s, v1},
             {u"type"_s, u"room"_s},
             {u"metadata"_s, QJsonObject{{u"name"_s, name(room.name)}, {u"archetype"_s, room.archetype}}},
             {u"children"_s, children},
             {u"grouped_services"_s, QJsonArray{ref(grouped, u"grouped_light"_s)}},
             {u"services"_s, services}});
        QJsonObject groupedResource = groupedLight(grouped, ref(id, u"room"_s), lightIds);
        groupedResource.insert(u"id_v1"_s, v1);
        add(groupedResource);
        addScenes(room.key, ref(id, u"room"_s), room.scenes, lights, room.lit);
        homeChildren.append(ref(id, u"room"_s));
    }
    for (const ZonePlan &zone : zones()) {
        const QString id = idOf(u"zone/"_s + zone.key);
        const QString grouped = idOf(u"grouped_light/"_s + zone.key);
        QList<std::pair<QString, LightPlan>> lights;
        QJsonArray children;
        QStringList lightIds;
        for (const QString &key : zone.lights) {
            const QString room = key.section(u'/', 0, 0);
            const auto plan =
                std::find_if(rooms().cbegin(), rooms().cend(), [&](const RoomPlan &r) { return r.key == room; });
            const QString light = m_lightIds.value(key);
            lights.append({light, plan->lights.at(key.section(u'/', 1).toInt())});
            lightIds.append(light);
            children.append(ref(light, u"light"_s));
        }
        QJsonArray services = children;
        services.append(ref(grouped, u"grouped_light"_s));
        const QString v1 = u"/groups/"_s + QString::number(++groupNumber);
        add({{u"id"_s, id},
             {u"id_v1"_s, v1},
             {u"type"_s, u"zone"_s},
             {u"metadata"_s, QJsonObject{{u"name"_s, name(zone.name)}, {u"archetype"_s, zone.archetype}}},
             {u"children"_s, children},
             {u"grouped_services"_s, QJsonArray{ref(grouped, u"grouped_light"_s)}},
             {u"services"_s, services}});
        QJsonObject groupedResource = groupedLight(grouped, ref(id, u"zone"_s), lightIds);
        groupedResource.insert(u"id_v1"_s, v1);
        add(groupedResource);
        addScenes(zone.key, ref(id, u"zone"_s), zone.scenes, lights, -1);
    }
    const QString homeGrouped = idOf(u"grouped_light/home"_s);
    QJsonArray homeServices;
    for (const QString &light : std::as_const(allLights))
        homeServices.append(ref(light, u"light"_s));
    homeServices.append(ref(homeGrouped, u"grouped_light"_s));
    add({{u"id"_s, home},
         {u"id_v1"_s, u"/groups/0"_s},
         {u"type"_s, u"bridge_home"_s},
         {u"children"_s, homeChildren},
         {u"grouped_services"_s, QJsonArray{ref(homeGrouped, u"grouped_light"_s)}},
         {u"services"_s, homeServices}});
    QJsonObject homeGroupedResource = groupedLight(homeGrouped, ref(home, u"bridge_home"_s), allLights);
    homeGroupedResource.insert(u"id_v1"_s, u"/groups/0"_s);
    add(homeGroupedResource);
    return m_list;
}

} // namespace

QJsonArray DemoHome::resources(bool german)
{
    return Builder(german).build();
}
