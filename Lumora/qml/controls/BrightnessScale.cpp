#include "BrightnessScale.h"

#include <algorithm>

namespace BrightnessScale {

double fill(double width, double shown)
{
    const double track = width - 2 * knobInset;
    if (track <= 0)
        return 0;
    return track * std::clamp(shown, 0.0, 100.0) / 100.0;
}

double value(double x, double width)
{
    const double t = (x - knobInset) / std::max(width - 2 * knobInset, 1.0);
    if (t <= 0)
        return 1;
    if (t > 1)
        return 100;
    return std::max(t * 100.0, 1.0);
}

double accessibilityValue(double v)
{
    return std::clamp(v, 1.0, 100.0);
}

} // namespace BrightnessScale
