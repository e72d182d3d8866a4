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
    /// The revision of the home's resources it shows.
    quint64 revision = 0;

    friend bool operator==(const HomeSnapshot &, const HomeSnapshot &) = default;

    static HomeSnapshot make(const HueHome &home);
    /// `previous` brought up to what `home` is now. When the home only changed
    /// the state of some lights, grouped lights and scenes since `previous`
    /// was made of it, only the lights and groups those touch are resolved
    /// again (a live event batch touches a few of fifty groups); anything
    /// else is made afresh.
    static HomeSnapshot make(const HueHome &home, HomeSnapshot previous);

    const HueGroup *group(const QString &id) const;
    const HueLight *light(const QString &id) const;
    const HueScene *scene(const QString &id) const;
};
