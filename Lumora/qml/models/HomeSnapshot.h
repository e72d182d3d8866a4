#pragma once

#include "HueGroup.h"
#include "HueHome.h"
#include "HueLight.h"
#include "HueScene.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

/// The home's display records, resolved once per change of the home and
/// shared by every list on screen, so that twenty grids do not each resolve
/// and sort the whole home again.
struct HomeSnapshot
{
    QList<HueGroup> rooms;
    QList<HueGroup> zones;
    std::optional<HueGroup> home;
    /// Rooms, zones and the home group by id.
    QHash<QString, HueGroup> groups;
    QHash<QString, HueLight> lights;
    /// Every scene of a listed group, by id.
    QHash<QString, HueScene> scenes;

    static HomeSnapshot make(const HueHome &home);

    const HueGroup *group(const QString &id) const;
    const HueLight *light(const QString &id) const;
    const HueScene *scene(const QString &id) const;
};
