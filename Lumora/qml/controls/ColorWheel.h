#pragma once

#include "HueRGB.h"

#include <QList>
#include <QPointF>

#include <optional>

/// The hue/saturation wheel of the colour picker: hue runs clockwise from the
/// right (screen coordinates, y down), saturation from the centre to the rim.
namespace ColorWheel {

struct Pick
{
    /// Where the marker is drawn: the pointer pulled back onto the disc.
    QPointF marker;
    /// The colour at that point, always at full brightness.
    HueRGB color;

    friend bool operator==(const Pick &, const Pick &) = default;
};

/// The 13 rim colours for hue 0, 1/12, …, 1 at full saturation and brightness.
QList<HueRGB> hues();

Pick pick(QPointF at, QPointF center, double radius);

/// Where a colour sits on the wheel (brightness plays no part).
QPointF point(HueRGB color, QPointF center, double radius);

} // namespace ColorWheel
