#include "CtlFormat.h"

#include "HueText.h"
#include "OrderStore.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace CtlFormat {

namespace {

void write(FILE *stream, const QByteArray &line)
{
    const QByteArray bytes = line + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

/// C0, DEL and C1: the characters a terminal may take as commands.
bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
}

QString replaceControls(QString text, bool keepLayout)
{
    for (QChar &c : text) {
        if (isControl(c) && !(keepLayout && (c == u'\n' || c == u'\t')))
            c = QChar::ReplacementCharacter;
    }
    return text;
}

QJsonValue optionalNumber(const std::optional<double> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString percent(double value)
{
    // Whole percent unless the light really sits between two.
    const double rounded = std::round(value * 10) / 10;
    return QString::number(rounded, 'f', rounded == std::floor(rounded) ? 0 : 1) + u" %"_s;
}

QString onOff(bool on)
{
    return on ? HueText::tr(u"an"_s, u"on"_s) : HueText::tr(u"aus"_s, u"off"_s);
}

} // namespace

void out(const QString &text)
{
    write(stdout, terminalText(text).toUtf8());
}

void err(const QString &text)
{
    write(stderr, terminalText(text).toUtf8());
}

void outJson(const QJsonObject &object)
{
    write(stdout, jsonLine(object));
}

QString plain(const QString &outside)
{
    return replaceControls(outside, false);
}

QString terminalText(const QString &text)
{
    return replaceControls(text, true);
}

QByteArray jsonLine(const QJsonObject &object)
{
    // Qt's writer escapes C0 but writes DEL and C1 as they are. In UTF-8,
    // C1 is 0xC2 followed by 0x80 to 0x9F; 0xC2 never continues a sequence.
    const QByteArray compact = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QByteArray line;
    line.reserve(compact.size());
    for (qsizetype i = 0; i < compact.size(); ++i) {
        const auto byte = uchar(compact.at(i));
        const auto next = i + 1 < compact.size() ? uchar(compact.at(i + 1)) : 0;
        if (byte == 0x7f) {
            line += "\\u007f";
        } else if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) {
            line += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            line += char(byte);
        }
    }
    return line;
}

QString hex(const HueRGB &rgb)
{
    const auto channel = [](double value) {
        const int byte = int(std::lround(std::clamp(value, 0.0, 1.0) * 255));
        return u"%1"_s.arg(byte, 2, 16, QChar(u'0'));
    };
    return u"#"_s + channel(rgb.red) + channel(rgb.green) + channel(rgb.blue);
}

QJsonObject json(const HueLight &light)
{
    QJsonObject object{
        {"id"_L1, light.id},
        {"name"_L1, light.name},
        {"on"_L1, light.isOn},
        {"brightness"_L1, optionalNumber(light.brightness)},
        {"reachable"_L1, light.isReachable},
        {"supportsColor"_L1, light.supportsColor},
        {"supportsColorTemperature"_L1, light.supportsColorTemperature()},
        {"displayColor"_L1, hex(light.displayColor())},
        {"archetype"_L1, light.archetype ? QJsonValue(*light.archetype) : QJsonValue(QJsonValue::Null)},
    };
    object.insert("xy"_L1, light.xy ? QJsonValue(light.xy->toJson()) : QJsonValue(QJsonValue::Null));
    object.insert("mirek"_L1, light.mirek ? QJsonValue(*light.mirek) : QJsonValue(QJsonValue::Null));
    return object;
}

QJsonObject json(const HueScene &scene)
{
    return QJsonObject{
        {"id"_L1, scene.id},
        {"name"_L1, scene.name},
        {"groupID"_L1, scene.groupID},
        {"active"_L1, scene.isActive},
    };
}

QJsonObject json(const HueGroup &group, bool nested)
{
    QJsonObject object{
        {"id"_L1, group.id},
        {"kind"_L1, HueGroup::kindName(group.kind)},
        {"name"_L1, group.name},
        {"groupedLightID"_L1, group.groupedLightID ? QJsonValue(*group.groupedLightID) : QJsonValue(QJsonValue::Null)},
        {"on"_L1, group.isOn},
        {"brightness"_L1, optionalNumber(group.brightness)},
    };
    if (nested) {
        QJsonArray lights;
        for (const HueLight &light : group.lights)
            lights.append(json(light));
        QJsonArray scenes;
        for (const HueScene &scene : group.scenes)
            scenes.append(json(scene));
        object.insert("lights"_L1, lights);
        object.insert("scenes"_L1, scenes);
    }
    return object;
}

QJsonObject json(const DiscoveredBridge &bridge)
{
    return QJsonObject{
        {"name"_L1, bridge.name},
        {"host"_L1, bridge.host},
        {"bridgeID"_L1, bridge.bridgeID ? QJsonValue(*bridge.bridgeID) : QJsonValue(QJsonValue::Null)},
    };
}

QString state(const HueLight &light)
{
    QStringList parts{onOff(light.isOn)};
    if (light.brightness)
        parts.append(percent(*light.brightness));
    if (light.mirek)
        parts.append(QString::number(*light.mirek) + u" mirek"_s);
    else if (light.xy)
        parts.append(u"xy "_s + QString::number(light.xy->x, 'f', 4) + u" "_s + QString::number(light.xy->y, 'f', 4));
    if (!light.isReachable)
        parts.append(HueText::tr(u"nicht erreichbar"_s, u"unreachable"_s));
    return parts.join(", "_L1);
}

QString state(const HueGroup &group)
{
    QStringList parts{onOff(group.isOn)};
    if (group.brightness && group.isOn)
        parts.append(percent(*group.brightness));
    return parts.join(", "_L1);
}

QList<HueGroup> ordered(const HueHome &home, const OrderStore &order)
{
    QList<HueGroup> groups = order.sorted(home.rooms(), u"rooms"_s);
    groups += order.sorted(home.zones(), u"zones"_s);
    if (const auto whole = home.home())
        groups.append(*whole);
    for (HueGroup &group : groups) {
        group.lights = order.sorted(group.lights, u"lights."_s + group.id);
        group.scenes = order.sorted(group.scenes, u"scenes."_s + group.id);
    }
    return groups;
}

QString homeText(const QList<HueGroup> &groups)
{
    QStringList lines;
    std::optional<HueGroup::Kind> section;
    for (const HueGroup &group : groups) {
        if (section != group.kind) {
            section = group.kind;
            if (!lines.isEmpty())
                lines.append(QString());
            switch (group.kind) {
            case HueGroup::Kind::room:
                lines.append(HueText::tr(u"Räume"_s, u"Rooms"_s));
                break;
            case HueGroup::Kind::zone:
                lines.append(HueText::tr(u"Zonen"_s, u"Zones"_s));
                break;
            case HueGroup::Kind::home:
                lines.append(HueText::tr(u"Ganzes Zuhause"_s, u"Whole home"_s));
                break;
            }
        }
        lines.append(u"  "_s + plain(group.name) + u": "_s + state(group));
        for (const HueLight &light : group.lights)
            lines.append(u"    "_s + plain(light.name) + u": "_s + state(light));
        if (!group.scenes.isEmpty()) {
            QStringList names;
            for (const HueScene &scene : group.scenes)
                names.append(plain(scene.name)
                             + (scene.isActive ? HueText::tr(u" (aktiv)"_s, u" (active)"_s) : QString()));
            lines.append(u"    "_s + HueText::tr(u"Szenen: "_s, u"Scenes: "_s) + names.join(", "_L1));
        }
    }
    if (lines.isEmpty())
        lines.append(HueText::tr(u"Die Bridge kennt keine Lampen."_s, u"The bridge knows no lights."_s));
    return lines.join(u'\n');
}

QJsonObject homeJson(const QList<HueGroup> &groups, const QJsonObject &bridge)
{
    QJsonArray rooms;
    QJsonArray zones;
    QJsonValue whole = QJsonValue::Null;
    for (const HueGroup &group : groups) {
        switch (group.kind) {
        case HueGroup::Kind::room:
            rooms.append(json(group));
            break;
        case HueGroup::Kind::zone:
            zones.append(json(group));
            break;
        case HueGroup::Kind::home:
            whole = json(group);
            break;
        }
    }
    return QJsonObject{{"bridge"_L1, bridge}, {"rooms"_L1, rooms}, {"zones"_L1, zones}, {"home"_L1, whole}};
}

} // namespace CtlFormat
