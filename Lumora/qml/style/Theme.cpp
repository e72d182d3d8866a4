#include "Theme.h"

#include <algorithm>

QColor Theme::color(HueRGB rgb, double opacity)
{
    const auto channel = [](double c) { return std::clamp(c, 0.0, 1.0); };
    return QColor::fromRgbF(float(channel(rgb.red)), float(channel(rgb.green)), float(channel(rgb.blue)),
                            float(channel(opacity)));
}

HueRGB Theme::rgb(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF()};
}
