#pragma once

#include "Glow.h"
#include "HueGroup.h"
#include "HueLight.h"

#include <QString>

#include <optional>

/// What the screens derive from the home model to look like the lights they
/// control. Computed afresh on every redraw; nothing is cached.
namespace Appearance {

/// The glow of a room, zone or the whole home: none while the group is off,
/// otherwise the first four distinct tints of its lit lights at the group's brightness.
std::optional<Glow> glow(const HueGroup &group);

/// How many of the group's lights are on, in the user's language.
QString summary(const HueGroup &group);

/// The system symbol name of a group, chosen from its kind and archetype.
QString symbol(const HueGroup &group);

/// The system symbol name of a light, chosen from its archetype.
QString symbol(const HueLight &light);

} // namespace Appearance
