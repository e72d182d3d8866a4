#pragma once

#include "HueEvent.h"
#include "HueGroup.h"
#include "HueLight.h"
#include "HueLightCommand.h"
#include "HueResource.h"
#include "HueResourceMap.h"
#include "HueScene.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>
#include <utility>

struct HueHomeIndex;

/// The application's picture of one bridge: the resources it needs, by id.
/// Every view below is resolved from `resources` on each call, so a change to
/// one resource shows in every view that uses it. What the views look up
/// besides single ids (lights by device, scenes by group, the lights of each
/// group) depends only on how the resources refer to each other; it is
/// indexed once and kept until that structure changes, so a light changing
/// its state costs no rebuilding.
struct HueHome
{
    HueResourceMap resources;

    HueHome() = default;
    /// Keeps the resources of a modelled type; a later duplicate id wins.
    explicit HueHome(const QList<HueResource> &list);

    friend bool operator==(const HueHome &a, const HueHome &b) { return a.resources == b.resources; }

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
        resources.modify(id, [&mutate](HueResource &stored) {
            HueResource copy = stored;
            std::forward<Mutate>(mutate)(copy);
            copy.id = std::move(stored.id);
            copy.type = std::move(stored.type);
            stored = std::move(copy);
        });
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
    /// The entries of groupMembers() that list at least one of these lights,
    /// in the same order: what a change to those lights touches.
    QList<GroupMembers> groupsContaining(const QSet<QString> &lightIDs) const;

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

    /// The index of the current structure, built when there is none.
    std::shared_ptr<const HueHomeIndex> index() const;
    /// The index when the one kept still fits; null otherwise.
    std::shared_ptr<const HueHomeIndex> keptIndex() const;

private:
    /// Copies share the index; it is replaced, never changed. Guarded, so
    /// that const reads stay safe from several threads.
    class IndexSlot
    {
    public:
        IndexSlot() = default;
        IndexSlot(const IndexSlot &other)
            : m_index(other.load())
        {
        }
        IndexSlot &operator=(const IndexSlot &other)
        {
            if (this != &other)
                store(other.load());
            return *this;
        }
        std::shared_ptr<const HueHomeIndex> load() const
        {
            const std::lock_guard lock(m_mutex);
            return m_index;
        }
        void store(std::shared_ptr<const HueHomeIndex> index) const
        {
            const std::lock_guard lock(m_mutex);
            m_index = std::move(index);
        }

    private:
        mutable std::mutex m_mutex;
        mutable std::shared_ptr<const HueHomeIndex> m_index;
    };
    IndexSlot m_index;
};
