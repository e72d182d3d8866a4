#include "CardInk.h"

#include "Theme.h"

#include <QHash>
#include <QtMath>

#include <algorithm>
#include <array>
#include <functional>

namespace {

// The worst case is checked with a little room to spare, so that the colours'
// rounding to 8 bits and the gradient's drawing between the samples cannot
// take a card below the minimum.
constexpr double targetContrast = CardInk::minimumContrast + 0.1;
// Samples per gradient segment: between two stops the luminance may dip below
// both ends (red to green passes through a dark olive).
constexpr int segmentSamples = 8;
constexpr int scrimSamples = 2;
constexpr std::array backdrops{Theme::contentRGB, Theme::panelRGB};

HueRGB mix(HueRGB top, double alpha, HueRGB below)
{
    return {top.red * alpha + below.red * (1 - alpha), top.green * alpha + below.green * (1 - alpha),
            top.blue * alpha + below.blue * (1 - alpha)};
}

// Every colour the card's paint shows across its width, before the scrim.
QList<HueRGB> paintColors(const std::optional<Glow> &glow)
{
    if (!glow)
        return {Theme::cardRGB};
    const auto stops = glow->stops();
    QList<HueRGB> colors;
    for (qsizetype i = 0; i + 1 < stops.size(); ++i) {
        for (int s = 0; s <= segmentSamples; ++s)
            colors.append(mix(stops[i + 1].color, double(s) / segmentSamples, stops[i].color));
    }
    return colors;
}

// Whether a caption of `ink` at `captionOpacity` reads everywhere on the
// card, its scrim running from `top` to `bottom`.
bool reads(const QList<HueRGB> &paint, HueRGB ink, double captionOpacity, double top, double bottom, bool dimmed)
{
    for (const auto &color : paint) {
        for (int s = 0; s <= scrimSamples; ++s) {
            const double scrim = top + (bottom - top) * s / scrimSamples;
            const HueRGB back = mix({0, 0, 0}, scrim, color);
            const HueRGB text = mix(ink, captionOpacity, back);
            if (!dimmed) {
                if (CardInk::contrast(text, back) < targetContrast)
                    return false;
                continue;
            }
            for (const auto &behind : backdrops) {
                if (CardInk::contrast(mix(text, CardInk::dimmedOpacity, behind),
                                      mix(back, CardInk::dimmedOpacity, behind))
                    < targetContrast)
                    return false;
            }
        }
    }
    return true;
}

// The smallest (rising) or largest (falling) value in 0–1 for which `passes`
// holds, where it holds on one side of a single threshold.
std::optional<double> threshold(const std::function<bool(double)> &passes, bool rising)
{
    double low = 0;
    double high = 1;
    if (!passes(rising ? high : low))
        return std::nullopt;
    for (int i = 0; i < 10; ++i) {
        const double middle = (low + high) / 2;
        (passes(middle) == rising ? high : low) = middle;
    }
    return rising ? high : low;
}

// White with no more darkening than whiteScrimLimit, or dark; with
// `anyScrim`, white with whatever darkening it needs.
std::optional<CardInk> choose(const std::optional<Glow> &glow, bool dimmed, double captionOpacity, bool anyScrim)
{
    const auto paint = paintColors(glow);
    const double top = glow ? glow->shade * 0.15 : 0;
    const double bottom = glow ? glow->shade : 0;
    const auto white = [&](double floor) {
        return CardInk{false, std::max(top, floor), std::max(bottom, floor), captionOpacity};
    };
    const auto dark = [&](double ceiling) {
        return CardInk{true, std::min(top, ceiling), std::min(bottom, ceiling), captionOpacity};
    };
    const auto passes = [&](const CardInk &ink) {
        return reads(paint, ink.ink(), captionOpacity, ink.scrimTop, ink.scrimBottom, dimmed);
    };
    if (passes(white(0)))
        return white(0);
    // An unlit card keeps its plain colour.
    if (!glow)
        return std::nullopt;
    const auto floor = threshold([&](double f) { return passes(white(f)); }, true);
    if (floor && (anyScrim || *floor <= CardInk::whiteScrimLimit))
        return white(*floor);
    if (anyScrim)
        return std::nullopt;
    if (const auto ceiling = threshold([&](double c) { return passes(dark(c)); }, false))
        return dark(*ceiling);
    return std::nullopt;
}

double linear(double channel)
{
    channel = std::clamp(channel, 0.0, 1.0);
    return channel <= 0.04045 ? channel / 12.92 : qPow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

CardInk CardInk::make(const std::optional<Glow> &glow, bool dimmed)
{
    // Every card asks, and many share a glow: each answer is kept, up to a
    // bound (QML asks on the GUI thread only).
    static QHash<QByteArray, CardInk> known;
    QByteArray key(1, dimmed ? 'd' : 'l');
    if (glow) {
        const auto append = [&key](double value) { key.append(reinterpret_cast<const char *>(&value), sizeof value); };
        append(glow->shade);
        for (const auto &stop : glow->stops()) {
            append(stop.position);
            append(stop.color.red);
            append(stop.color.green);
            append(stop.color.blue);
        }
    }
    if (const auto found = known.constFind(key); found != known.cend())
        return *found;
    const auto decide = [&glow, dimmed]() -> CardInk {
        // A softer caption before a full one, a lighter card before a darkened one.
        for (const bool anyScrim : {false, true}) {
            for (const double captionOpacity : {0.8, 1.0}) {
                if (const auto ink = choose(glow, dimmed, captionOpacity, anyScrim))
                    return *ink;
            }
        }
        // Not reached (black under white text always reads): the darkest card.
        return {false, 1, 1, 1};
    };
    const CardInk result = decide();
    if (known.size() >= 1024)
        known.clear();
    known.insert(key, result);
    return result;
}

double CardInk::luminance(HueRGB rgb)
{
    return 0.2126 * linear(rgb.red) + 0.7152 * linear(rgb.green) + 0.0722 * linear(rgb.blue);
}

double CardInk::contrast(HueRGB a, HueRGB b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

HueRGB CardInk::ink() const
{
    return dark ? darkRGB : HueRGB{1, 1, 1};
}

QColor CardInk::textColor() const
{
    return Theme::color(ink());
}

QColor CardInk::captionColor() const
{
    return Theme::color(ink(), captionOpacity);
}
