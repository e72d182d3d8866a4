#include "Glow.h"

#include "Theme.h"

#include <algorithm>

namespace {

QList<QColor> toColors(const QList<HueRGB> &list)
{
    QList<QColor> result;
    result.reserve(list.size());
    for (const auto &rgb : list)
        result.append(Theme::color(rgb));
    return result;
}

HueRGB mix(HueRGB a, HueRGB b, double t)
{
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t};
}

} // namespace

Glow Glow::make(QList<HueRGB> colors, std::optional<double> brightness)
{
    Glow glow;
    glow.colors = colors.isEmpty() ? QList<HueRGB>{HueRGB::warmWhite} : std::move(colors);
    const double level = brightness ? std::clamp(*brightness / 100.0, 0.0, 1.0) : 1.0;
    glow.shade = 0.5 - 0.2 * level;
    return glow;
}

QList<HueRGB> Glow::fill() const
{
    if (colors.isEmpty())
        return {HueRGB::warmWhite, HueRGB::warmWhite};
    if (colors.size() == 1)
        return {colors.front(), colors.front()};
    return colors;
}

QList<HueRGB> Glow::samples() const
{
    const auto stops = fill();
    const auto segments = double(stops.size() - 1);
    QList<HueRGB> result;
    result.reserve(sampleCount);
    for (int i = 0; i < sampleCount; ++i) {
        const double position = double(i) / (sampleCount - 1) * segments;
        const auto index = std::min(qsizetype(position), stops.size() - 2);
        result.append(mix(stops[index], stops[index + 1], position - double(index)));
    }
    return result;
}

QList<QColor> Glow::colorList() const
{
    return toColors(colors);
}

QList<QColor> Glow::fillColors() const
{
    return toColors(fill());
}

QList<QColor> Glow::sampleColors() const
{
    return toColors(samples());
}
