#include "CardRules.h"

#include "HueColor.h"

#include <algorithm>

namespace CardRules {

HueLightCommand switchTo(bool isOn)
{
    HueLightCommand command;
    command.isOn = isOn;
    return command;
}

HueLightCommand brightness(double percent)
{
    HueLightCommand command;
    command.brightness = percent;
    return command;
}

HueLightCommand color(HueRGB picked, const std::optional<HueGamut> &gamut, bool targetIsOn)
{
    HueLightCommand command;
    command.xy = HueColor::xy(picked, gamut);
    if (!targetIsOn)
        command.isOn = true;
    return command;
}

HueLightCommand whiteTone(int mirek, bool targetIsOn)
{
    HueLightCommand command;
    command.mirek = mirek;
    if (!targetIsOn)
        command.isOn = true;
    return command;
}

bool canChangeColor(const HueLight &light)
{
    return light.supportsColor || light.mirekRange.has_value();
}

std::optional<HueMirekRange> colorRange(const HueGroup &group)
{
    std::optional<HueMirekRange> range;
    for (const auto &light : group.lights) {
        if (!light.mirekRange)
            continue;
        if (!range) {
            range = light.mirekRange;
            continue;
        }
        range->minimum = std::min(range->minimum, light.mirekRange->minimum);
        range->maximum = std::max(range->maximum, light.mirekRange->maximum);
    }
    return range;
}

bool supportsColor(const HueGroup &group)
{
    return std::any_of(group.lights.cbegin(), group.lights.cend(),
                       [](const HueLight &light) { return light.supportsColor; });
}

bool hasColorButton(const HueGroup &group)
{
    return colorRange(group).has_value() || supportsColor(group);
}

HueRGB pickerColor(const HueGroup &group)
{
    for (const auto &light : group.lights) {
        if (light.isOn)
            return light.displayColor();
    }
    return HueRGB::warmWhite;
}

QList<HueRGB> swatch(const HueScene &scene)
{
    if (scene.colors.isEmpty())
        return {HueRGB::warmWhite};
    return scene.colors.mid(0, 5);
}

} // namespace CardRules
