#pragma once

#include "HueRGB.h"

/// The standard conversion between sRGB and hue/saturation/brightness, hue as a
/// fraction of a full turn (0 ≤ hue < 1), saturation and brightness from 0 to 1.
struct Hsb
{
    double hue = 0;
    double saturation = 0;
    double brightness = 0;

    friend bool operator==(const Hsb &, const Hsb &) = default;

    static Hsb of(HueRGB rgb);
    HueRGB rgb() const;
};
