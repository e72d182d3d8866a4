#include "HueColor.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace {

double gammaEncode(double c)
{
    const double encoded = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 0.4166666666666667) - 0.055;
    return std::clamp(encoded, 0.0, 1.0);
}

double linearise(double c)
{
    c = std::clamp(c, 0.0, 1.0);
    return c > 0.04045 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92;
}

HueXY project(HueXY p, HueXY a, HueXY c)
{
    const double dx = c.x - a.x;
    const double dy = c.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    if (!(lengthSquared > 0))
        return a;
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0, 1.0);
    return {a.x + t * dx, a.y + t * dy};
}

double distance(HueXY a, HueXY b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

struct SurfaceStop
{
    double mirek;
    HueRGB color;
};

constexpr std::array<SurfaceStop, 4> surfaceStops{{
    {153, {0.90, 0.94, 1.00}},
    {233, {1.00, 0.98, 0.94}},
    {369, {1.00, 0.90, 0.66}},
    {500, {1.00, 0.80, 0.47}},
}};

// Every redraw converts the colour of each lit light and each scene swatch,
// and the conversions spend their time in pow() and log(). The same few
// colours come back on every redraw, so each thread remembers its recent
// results, keyed by the exact bits of the input: a remembered colour is the
// one the conversion gives.
template<typename Key>
class Remembered
{
public:
    template<typename Convert>
    HueRGB get(const Key &key, Convert &&convert)
    {
        const auto found = m_results.constFind(key);
        if (found != m_results.cend())
            return found.value();
        if (m_results.size() >= 4096)
            m_results.clear();
        const HueRGB result = convert();
        m_results.insert(key, result);
        return result;
    }

private:
    QHash<Key, HueRGB> m_results;
};

HueRGB rgbOfXY(HueXY xy)
{
    if (xy.y <= 0)
        return {1, 1, 1};
    const double X = xy.x / xy.y;
    const double Y = 1;
    const double Z = (1 - xy.x - xy.y) / xy.y;
    double r = 3.2406 * X - 1.5372 * Y - 0.4986 * Z;
    double g = -0.9689 * X + 1.8758 * Y + 0.0415 * Z;
    double b = 0.0557 * X - 0.2040 * Y + 1.0570 * Z;
    r = r > 0 ? r : 0;
    g = g > 0 ? g : 0;
    b = b > 0 ? b : 0;
    const double m = std::max({r, g, b});
    if (m > 0) {
        r /= m;
        g /= m;
        b /= m;
    }
    return {gammaEncode(r), gammaEncode(g), gammaEncode(b)};
}

HueRGB rgbOfMirek(int mirek)
{
    const double m = std::max(mirek, 1);
    const double kelvin = 1'000'000.0 / m;
    if (kelvin <= 1000)
        return {1.0, 67.92041905680745 / 255, 0.0};
    const double t = kelvin > 40000 ? 400 : kelvin / 100;
    double red;
    double green;
    double blue;
    if (t <= 66) {
        red = 1;
        green = (99.4708025861 * std::log(t) - 161.1195681661) / 255;
        blue = t <= 19 ? 0 : (138.5177312231 * std::log(t - 10) - 305.0447927307) / 255;
    } else {
        red = 329.698727446 * std::pow(t - 60, -0.1332047592) / 255;
        green = 288.1221695283 * std::pow(t - 60, -0.0755148492) / 255;
        blue = 1;
    }
    return {std::clamp(red, 0.0, 1.0), std::clamp(green, 0.0, 1.0), std::clamp(blue, 0.0, 1.0)};
}

} // namespace

size_t qHash(const HueRGB &rgb, size_t seed) noexcept
{
    return qHashMulti(seed, rgb.red, rgb.green, rgb.blue);
}

namespace HueColor {

HueRGB rgb(HueXY xy)
{
    thread_local Remembered<std::pair<quint64, quint64>> remembered;
    return remembered.get({std::bit_cast<quint64>(xy.x), std::bit_cast<quint64>(xy.y)}, [xy] { return rgbOfXY(xy); });
}

HueXY xy(HueRGB rgb, const std::optional<HueGamut> &gamut)
{
    const double r = linearise(rgb.red);
    const double g = linearise(rgb.green);
    const double b = linearise(rgb.blue);
    const double X = 0.4124 * r + 0.3576 * g + 0.1805 * b;
    const double Y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double Z = 0.0193 * r + 0.1192 * g + 0.9505 * b;
    const double sum = X + Y + Z;
    if (!(sum > 0))
        return {0.3127, 0.329};
    const HueXY point{X / sum, Y / sum};
    return gamut ? clamp(point, *gamut) : point;
}

HueXY clamp(HueXY p, const HueGamut &gamut)
{
    const HueXY R = gamut.red;
    const HueXY G = gamut.green;
    const HueXY B = gamut.blue;
    const double d1 = (p.y - R.y) * (G.x - R.x) - (p.x - R.x) * (G.y - R.y);
    const double d2 = (p.y - G.y) * (B.x - G.x) - (p.x - G.x) * (B.y - G.y);
    const double d3 = (R.x - B.x) * (p.y - B.y) - (p.x - B.x) * (R.y - B.y);
    const bool hasNegative = d1 < 0 || d2 < 0 || d3 < 0;
    const bool hasPositive = d1 > 0 || d2 > 0 || d3 > 0;
    if (!(hasNegative && hasPositive))
        return p;

    const std::array<HueXY, 3> candidates{project(p, R, G), project(p, G, B), project(p, B, R)};
    HueXY best = candidates[0];
    double bestDistance = distance(p, best);
    for (size_t i = 1; i < candidates.size(); ++i) {
        const double d = distance(p, candidates[i]);
        if (d < bestDistance) {
            best = candidates[i];
            bestDistance = d;
        }
    }
    return best;
}

HueRGB rgb(int mirek)
{
    thread_local Remembered<int> remembered;
    return remembered.get(mirek, [mirek] { return rgbOfMirek(mirek); });
}

HueRGB surface(int mirek)
{
    const double value = std::clamp(double(mirek), 153.0, 500.0);
    for (size_t i = 1; i < surfaceStops.size(); ++i) {
        const auto &high = surfaceStops[i];
        if (high.mirek < value)
            continue;
        const auto &low = surfaceStops[i - 1];
        const double f = (value - low.mirek) / (high.mirek - low.mirek);
        const auto mix = [f](double a, double b) { return a + f * (b - a); };
        return {mix(low.color.red, high.color.red), mix(low.color.green, high.color.green),
                mix(low.color.blue, high.color.blue)};
    }
    return surfaceStops.back().color;
}

HueRGB surface(HueXY xy)
{
    const HueRGB c = rgb(xy);
    const auto soften = [](double channel) { return channel + (1 - channel) * 0.45; };
    return {soften(c.red), soften(c.green), soften(c.blue)};
}

HueRGB surface(const HueSwatch &swatch)
{
    if (const auto *point = swatch.xyValue())
        return surface(*point);
    return surface(*swatch.mirekValue());
}

} // namespace HueColor
