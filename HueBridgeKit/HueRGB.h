#pragma once

#include <QtGlobal>

#include <cstddef>

/// A screen colour: gamma-encoded sRGB channels in 0–1.
struct HueRGB
{
    double red = 0;
    double green = 0;
    double blue = 0;

    friend bool operator==(const HueRGB &, const HueRGB &) = default;

    /// The colour of a light that reports neither colour nor colour
    /// temperature: the surface tint of 366 mirek.
    static const HueRGB warmWhite;
};

// Written out rather than computed so that it is usable during static
// initialisation; a test checks it against the surface tint it stands for.
inline constexpr HueRGB HueRGB::warmWhite{1.0, 0.901764705882353, 0.6661764705882354};

size_t qHash(const HueRGB &rgb, size_t seed = 0) noexcept;
