#pragma once

#include "HueRGB.h"
#include "HueValues.h"

#include <optional>

/// Pure conversions between the light's colour spaces (CIE xy, mirek) and the
/// screen's sRGB.
namespace HueColor {

/// The colour of a chromaticity at full brightness.
HueRGB rgb(HueXY xy);
/// The chromaticity to send for a picked colour, pulled into the gamut when one is given.
HueXY xy(HueRGB rgb, const std::optional<HueGamut> &gamut = std::nullopt);
/// The nearest point of the gamut triangle; points inside or on an edge are kept.
HueXY clamp(HueXY point, const HueGamut &gamut);
/// The colour of a colour temperature.
HueRGB rgb(int mirek);
/// Soft tints for cards and tiles.
HueRGB surface(int mirek);
HueRGB surface(HueXY xy);
HueRGB surface(const HueSwatch &swatch);

} // namespace HueColor
