#pragma once

#include "HueGroup.h"
#include "HueLight.h"
#include "HueLightCommand.h"
#include "HueRGB.h"
#include "HueScene.h"
#include "HueValues.h"

#include <QList>

#include <optional>

/// What the cards and tiles send and show, as pure functions of the home's
/// records, so that QML only wires them up.
namespace CardRules {

HueLightCommand switchTo(bool isOn);
HueLightCommand brightness(double percent);
/// A picked colour: the chromaticity within `gamut` (none for a group), and
/// switching on when the target is off, so that one request does both.
HueLightCommand color(HueRGB picked, const std::optional<HueGamut> &gamut, bool targetIsOn);
/// A picked white tone, switching on like a colour does.
HueLightCommand whiteTone(int mirek, bool targetIsOn);

/// The light's colour button is enabled when it can change colour or white tone.
bool canChangeColor(const HueLight &light);

/// From the smallest minimum to the largest maximum of the group's lights
/// that have a colour-temperature range; none without such a light.
std::optional<HueMirekRange> colorRange(const HueGroup &group);
bool supportsColor(const HueGroup &group);
/// The group screen's colour button exists when a light can take a colour
/// or a white tone.
bool hasColorButton(const HueGroup &group);
/// The colour the group's picker starts from: the first lit light's own
/// colour, warm white when none is on.
HueRGB pickerColor(const HueGroup &group);

/// A scene tile's swatch colours: the scene's first five, warm white for none.
QList<HueRGB> swatch(const HueScene &scene);

} // namespace CardRules
