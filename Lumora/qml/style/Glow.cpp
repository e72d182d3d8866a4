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

QList<Glow::Stop> Glow::stops() const
{
    const auto colors = fill().mid(0, stopCount);
    const auto last = colors.size() - 1;
    QList<Stop> result;
    result.reserve(stopCount);
    for (qsizetype i = 0; i < stopCount; ++i) {
        const auto index = std::min(i, last);
        result.append({double(index) / double(last), colors[index]});
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

QList<QColor> Glow::stopColors() const
{
    QList<QColor> result;
    for (const auto &stop : stops())
        result.append(Theme::color(stop.color));
    return result;
}

QList<double> Glow::stopPositions() const
{
    QList<double> result;
    for (const auto &stop : stops())
        result.append(stop.position);
    return result;
}
