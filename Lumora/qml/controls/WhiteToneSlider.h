#pragma once

#include "HueRGB.h"
#include "HueValues.h"

#include <QList>

#include <optional>

/// The white-tone slider runs from warm (left) to cool (right), the reverse of
/// the mirek scale, so its value is the mirek mirrored within the range.
namespace WhiteToneSlider {

struct Bounds
{
    double lower = 0;
    double upper = 1;

    friend bool operator==(const Bounds &, const Bounds &) = default;
};

/// The slider's range: never empty, at least one mirek wide.
Bounds bounds(HueMirekRange range);

/// Slider value for a mirek; an absent mirek shows the warmest end.
double shown(std::optional<int> mirek, HueMirekRange range);

/// The mirek a slider value stands for, rounded to the nearest integer.
int mirek(double value, HueMirekRange range);

/// The mirek values of the track's gradient stops, leading to trailing:
/// maximum, maximum − 20, … down to the last one not below the minimum.
QList<int> stopMireks(HueMirekRange range);

/// The tints of those stops.
QList<HueRGB> stops(HueMirekRange range);

} // namespace WhiteToneSlider
