#pragma once

#include "HueEvent.h"
#include "HueGroup.h"
#include "HueLight.h"
#include "HueLightCommand.h"
#include "HueResource.h"
#include "HueScene.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

/// The application's picture of one bridge: the resources it needs, by id.
/// Every view below is derived from `resources` on each call (nothing is
/// cached), so a change to one resource shows in every view that uses it.
/// Each call builds the indexes it needs once, so a view costs roughly linear
/// time in the number of resources.
struct HueHome
{
    QHash<QString, HueResource> resources;

    HueHome() = default;
    /// Keeps the resources of a modelled type; a later duplicate id wins.
    explicit HueHome(const QList<HueResource> &resources);

    friend bool operator==(const HueHome &, const HueHome &) = default;

    /// "light", "grouped_light", "room", "zone", "bridge_home", "scene",
    /// "device" and "zigbee_connectivity": everything else is never stored.
    static bool isModelledType(const QString &type);

    bool isEmpty() const { return resources.isEmpty(); }

    /// Applies one event of the event stream. False when an update named a
    /// resource the home does not know: the caller should reload everything.
    bool apply(const HueEvent &event);

    /// Runs `mutate(HueResource &)` on the stored resource with that id; does
    /// nothing when there is none. The id and type are kept whatever it does.
    template<typename Mutate>
    void update(const QString &id, Mutate &&mutate)
    {
        const auto found = resources.find(id);
        if (found == resources.end())
            return;
        HueResource copy = *found;
        std::forward<Mutate>(mutate)(copy);
        copy.id = found->id;
        copy.type = found->type;
        *found = std::move(copy);
    }

    /// Rooms and zones with at least one light, sorted by name.
    QList<HueGroup> rooms() const;
    QList<HueGroup> zones() const;
    /// The whole home with every light, when the bridge has a home group.
    std::optional<HueGroup> home() const;
    /// rooms(), then zones(), then home() when present.
    QList<HueGroup> allGroups() const;
    /// Which lights make up each room and zone with lights, and the home: the
    /// membership alone, unsorted and unresolved. What a local change needs
    /// to recompute the groups' state on every slider movement.
    struct GroupMembers
    {
        QString groupID;
        std::optional<QString> groupedLightID;
        /// In the group's listing order; a light listed twice appears twice.
        QStringList lightIDs;
    };
    QList<GroupMembers> groupMembers() const;

    /// A room or zone (also without lights) or the home group.
    std::optional<HueGroup> group(const QString &id) const;
    std::optional<HueLight> light(const QString &id) const;
    /// Every light of the bridge, sorted by name.
    QList<HueLight> lights() const;
    std::optional<HueScene> scene(const QString &id) const;

    /// The stored scene actions of a resource; empty when it has none.
    QList<HueSceneAction> sceneActions(const QString &id) const;

    /// The group's lights as they are now, as the actions of a new scene.
    QList<HueSceneAction> currentLightAsSceneActions(const QString &groupID) const;

    /// The ids of the lights of the room, zone or home that owns the grouped
    /// light, in the group's order; empty when anything is missing.
    QStringList lightIDs(const QString &groupedLightID) const;
};
