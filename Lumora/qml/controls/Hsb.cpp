#include "Hsb.h"

#include <algorithm>
#include <cmath>

Hsb Hsb::of(HueRGB rgb)
{
    const double r = std::clamp(rgb.red, 0.0, 1.0);
    const double g = std::clamp(rgb.green, 0.0, 1.0);
    const double b = std::clamp(rgb.blue, 0.0, 1.0);
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    const double chroma = high - low;
    Hsb result;
    result.brightness = high;
    result.saturation = high > 0 ? chroma / high : 0;
    if (chroma > 0) {
        double sector = 0;
        if (high == r)
            sector = std::fmod((g - b) / chroma, 6.0);
        else if (high == g)
            sector = (b - r) / chroma + 2;
        else
            sector = (r - g) / chroma + 4;
        double hue = sector / 6.0;
        if (hue < 0)
            hue += 1;
        result.hue = hue >= 1 ? 0 : hue;
    }
    return result;
}

HueRGB Hsb::rgb() const
{
    const double s = std::clamp(saturation, 0.0, 1.0);
    const double v = std::clamp(brightness, 0.0, 1.0);
    double h = std::fmod(hue, 1.0);
    if (h < 0)
        h += 1;
    const double sector = h * 6;
    const int i = std::min(int(sector), 5);
    const double f = sector - i;
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    switch (i) {
    case 0:
        return {v, t, p};
    case 1:
        return {q, v, p};
    case 2:
        return {p, v, t};
    case 3:
        return {p, q, v};
    case 4:
        return {t, p, v};
    default:
        return {v, p, q};
    }
}
