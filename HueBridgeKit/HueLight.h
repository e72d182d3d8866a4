#pragma once

#include "HueRGB.h"
#include "HueValues.h"

#include <QString>

#include <optional>

/// A light as the screens show it: the "light" resource resolved against its
/// device (for a name and archetype) and its radio link (for reachability).
struct HueLight
{
    QString id;
    QString name;
    std::optional<QString> archetype;
    bool isOn = false;
    std::optional<double> brightness;
    std::optional<HueXY> xy;
    std::optional<int> mirek;
    std::optional<HueMirekRange> mirekRange;
    std::optional<HueGamut> gamut;
    bool supportsColor = false;
    bool isReachable = true;

    friend bool operator==(const HueLight &, const HueLight &) = default;

    bool supportsColorTemperature() const { return mirekRange.has_value(); }

    /// The light's own colour: its colour temperature when it has one, else its
    /// chromaticity, else warm white.
    HueRGB displayColor() const;

    /// The softer tint a card is painted with; same precedence as displayColor().
    HueRGB surfaceColor() const;
};
