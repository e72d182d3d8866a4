#include "WheelMath.h"

#include "Hsb.h"
#include "Theme.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace WheelMath {

QList<HueRGB> hues()
{
    QList<HueRGB> result;
    result.reserve(13);
    for (int i = 0; i <= 12; ++i)
        result.append(Hsb{double(i) / 12, 1, 1}.rgb());
    return result;
}

WheelPick pick(QPointF at, QPointF center, double radius)
{
    const double dx = at.x() - center.x();
    const double dy = at.y() - center.y();
    const double distance = std::min(std::hypot(dx, dy), std::max(radius, 0.0));
    double angle = std::atan2(dy, dx);
    if (angle < 0)
        angle += 2 * std::numbers::pi;
    const QPointF marker{center.x() + distance * std::cos(angle), center.y() + distance * std::sin(angle)};
    const double saturation = radius > 0 ? distance / radius : 0;
    const double hue = angle / (2 * std::numbers::pi);
    return {marker, Hsb{hue >= 1 ? 0 : hue, saturation, 1}.rgb()};
}

QPointF point(HueRGB color, QPointF center, double radius)
{
    const auto hsb = Hsb::of(color);
    const double angle = 2 * std::numbers::pi * hsb.hue;
    const double distance = hsb.saturation * radius;
    return {center.x() + distance * std::cos(angle), center.y() + distance * std::sin(angle)};
}

} // namespace WheelMath

QColor WheelPick::qColor() const
{
    return Theme::color(color);
}

QList<QColor> WheelRules::hues() const
{
    QList<QColor> result;
    for (const auto &rgb : WheelMath::hues())
        result.append(Theme::color(rgb));
    return result;
}

WheelPick WheelRules::pick(double x, double y, double centerX, double centerY, double radius) const
{
    return WheelMath::pick({x, y}, {centerX, centerY}, radius);
}

QPointF WheelRules::point(const QColor &color, double centerX, double centerY, double radius) const
{
    return WheelMath::point(Theme::rgb(color), {centerX, centerY}, radius);
}
