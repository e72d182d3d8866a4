#include "HueLight.h"

#include "HueColor.h"

HueRGB HueLight::displayColor() const
{
    // A light in white mode may still report its last chromaticity; the
    // temperature is what it shows.
    if (mirek)
        return HueColor::rgb(*mirek);
    if (xy)
        return HueColor::rgb(*xy);
    return HueRGB::warmWhite;
}

HueRGB HueLight::surfaceColor() const
{
    if (mirek)
        return HueColor::surface(*mirek);
    if (xy) {
        constexpr double towardsWhite = 0.45;
        const HueRGB full = HueColor::rgb(*xy);
        const auto lighten = [](double channel) { return channel + (1 - channel) * towardsWhite; };
        return HueRGB{lighten(full.red), lighten(full.green), lighten(full.blue)};
    }
    return HueRGB::warmWhite;
}
