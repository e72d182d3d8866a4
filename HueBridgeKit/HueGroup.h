#pragma once

#include "HueLight.h"
#include "HueScene.h"
#include "HueValues.h"

#include <QList>
#include <QString>

#include <optional>

/// A room, a zone or the whole home, resolved with its lights and scenes.
struct HueGroup
{
    enum class Kind { room, zone, home };

    QString id;
    Kind kind = Kind::room;
    QString name;
    std::optional<QString> archetype;
    /// The "grouped_light" resource that whole-group commands go to.
    std::optional<QString> groupedLightID;
    bool isOn = false;
    std::optional<double> brightness;
    /// Sorted by name.
    QList<HueLight> lights;
    /// The scenes whose group is this group, sorted by name.
    QList<HueScene> scenes;

    friend bool operator==(const HueGroup &, const HueGroup &) = default;

    /// The group reference a new scene of this group is created with; the
    /// whole home cannot own scenes.
    std::optional<HueResourceRef> sceneOwner() const;

    /// "room", "zone" or "home": the kind as the screens and lumora-ctl's
    /// JSON name it (the bridge's own type of the home is "bridge_home").
    static QString kindName(Kind kind);
};
