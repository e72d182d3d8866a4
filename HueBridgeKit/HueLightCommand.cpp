#include "HueLightCommand.h"

#include <cmath>

using namespace Qt::StringLiterals;

void HueLightCommand::merge(const HueLightCommand &other)
{
    if (other.isOn)
        isOn = other.isOn;
    if (other.brightness)
        brightness = other.brightness;
    if (other.xy) {
        xy = other.xy;
        mirek.reset();
    }
    if (other.mirek) {
        mirek = other.mirek;
        xy.reset();
    }
}

QJsonObject HueLightCommand::body() const
{
    QJsonObject object;
    if (isOn)
        object.insert("on"_L1, QJsonObject{{"on"_L1, *isOn}});
    if (brightness) {
        // NaN stays as it is: it cannot be sent, and the request refuses it
        // rather than turning it into a brightness nobody chose.
        double b = *brightness;
        if (b <= 0)
            b = 0;
        if (b > 100)
            b = 100;
        object.insert("dimming"_L1, QJsonObject{{"brightness"_L1, b}});
    }
    if (xy)
        object.insert("color"_L1, QJsonObject{{"xy"_L1, xy->toJson()}});
    if (mirek)
        object.insert("color_temperature"_L1, QJsonObject{{"mirek"_L1, *mirek}});
    return object;
}

QJsonObject HueSceneAction::body() const
{
    return {{"target"_L1, HueResourceRef{lightID, u"light"_s}.toJson()}, {"action"_L1, command.body()}};
}

QJsonArray HueSceneAction::body(const QList<HueSceneAction> &actions)
{
    QJsonArray array;
    for (const auto &action : actions)
        array.append(action.body());
    return array;
}

size_t qHash(const HueLightCommand &command, size_t seed) noexcept
{
    return qHashMulti(seed, command.isOn.value_or(false), command.isOn.has_value(), command.brightness.value_or(0.0),
                      command.brightness.has_value(), command.xy.value_or(HueXY{}), command.xy.has_value(),
                      command.mirek.value_or(0), command.mirek.has_value());
}

size_t qHash(const HueSceneAction &action, size_t seed) noexcept
{
    return qHashMulti(seed, action.lightID, action.command);
}
