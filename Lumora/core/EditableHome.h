#pragma once

#include "HueEvent.h"
#include "HueHome.h"
#include "HueLightCommand.h"
#include "HueResource.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <chrono>
#include <optional>

/// The store's working copy of the home, with optimistic editing: a local
/// change shows at once and "holds" the touched resources for a short time,
/// during which the bridge's reports about them (events and reloads) are put
/// aside, so that controls do not jump back while the bridge catches up. The
/// reports are applied when the hold ends.
///
/// It never reads a clock: every operation takes the current time, an instant
/// of std::chrono::steady_clock (monotonic).
struct EditableHome
{
    using Clock = std::chrono::steady_clock;
    using Instant = Clock::time_point;

    static constexpr std::chrono::milliseconds holdTime{1500};

    /// What the user sees.
    HueHome home;
    /// Held ids and the instant until which reports about them are put aside.
    QHash<QString, Instant> holds;
    /// Reports about held ids, merged into one partial resource per id. Only
    /// ids in `holds` have an entry.
    QHash<QString, HueResource> deferred;

    friend bool operator==(const EditableHome &, const EditableHome &) = default;

    /// A full reload. Held resources keep their local state; the reloaded
    /// state is shown when their hold ends.
    void replace(const QList<HueResource> &resources, Instant now);

    /// Applies a batch of the event stream. False when the home could not
    /// place an event, which asks the caller to reload everything.
    bool receive(const QList<HueEvent> &events, Instant now);

    /// Ends every hold at or before `now` and applies what was put aside.
    void releaseExpired(Instant now);

    /// The earliest instant at which a hold ends, when there is one: when the
    /// caller should run releaseExpired next.
    std::optional<Instant> nextRelease() const;

    // The three local changes. Each holds what it touches and recomputes the
    // rooms, zones and home group that contain the changed lights.

    /// A command to one light.
    void applyLocallyToLight(const HueLightCommand &command, const QString &lightID, Instant now);
    /// A command to a whole room, zone or home: each member light takes what
    /// it can show of it.
    void applyLocallyToGroupedLight(const HueLightCommand &command, const QString &groupedLightID, Instant now);
    /// A scene recall: its actions, and it becomes the active scene of its group.
    void applyLocallyScene(const QString &sceneID, Instant now);

private:
    void hold(const QString &id, Instant now);
    void change(const QString &lightID, const HueLightCommand &command, Instant now);
    void syncGroups(const QSet<QString> &lightIDs, const std::optional<QString> &skipped, Instant now);
};
