#pragma once

#include "HueRGB.h"

#include <QList>
#include <QString>

/// A scene as the screens show it.
struct HueScene
{
    QString id;
    QString name;
    /// The scene's group id; empty when the scene belongs to no group.
    QString groupID;
    bool isActive = false;
    /// One surface tint per swatch, in the bridge's order.
    QList<HueRGB> colors;

    friend bool operator==(const HueScene &, const HueScene &) = default;
};
