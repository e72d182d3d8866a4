#include "WhiteTone.h"

#include "HueColor.h"
#include "Theme.h"

#include <algorithm>
#include <cmath>

namespace WhiteTone {

WhiteToneBounds bounds(HueMirekRange range)
{
    return {double(range.minimum), double(std::max(range.minimum + 1, range.maximum))};
}

double shown(std::optional<int> mirek, HueMirekRange range)
{
    const auto b = bounds(range);
    return b.lower + b.upper - double(mirek.value_or(range.maximum));
}

int mirek(double value, HueMirekRange range)
{
    const auto b = bounds(range);
    return int(std::lround(b.lower + b.upper - value));
}

QList<int> stopMireks(HueMirekRange range)
{
    QList<int> result;
    for (int m = range.maximum; m >= range.minimum; m -= 20)
        result.append(m);
    // A range whose maximum lies below its minimum has no stops by the rule
    // above; show the minimum's tint rather than an empty track.
    if (result.isEmpty())
        result.append(range.minimum);
    return result;
}

QList<HueRGB> stops(HueMirekRange range)
{
    QList<HueRGB> result;
    for (int m : stopMireks(range))
        result.append(HueColor::surface(m));
    return result;
}

} // namespace WhiteTone

WhiteToneBounds WhiteToneRules::bounds(int minimum, int maximum) const
{
    return WhiteTone::bounds({minimum, maximum});
}

double WhiteToneRules::shown(const QVariant &mirek, int minimum, int maximum) const
{
    bool ok = false;
    const double number = mirek.isNull() ? 0 : mirek.toDouble(&ok);
    return WhiteTone::shown(ok ? std::optional(int(std::lround(number))) : std::nullopt, {minimum, maximum});
}

int WhiteToneRules::mirek(double value, int minimum, int maximum) const
{
    return WhiteTone::mirek(value, {minimum, maximum});
}

QList<QColor> WhiteToneRules::stops(int minimum, int maximum) const
{
    QList<QColor> result;
    for (const auto &rgb : WhiteTone::stops({minimum, maximum}))
        result.append(Theme::color(rgb));
    return result;
}
