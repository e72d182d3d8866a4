#pragma once

#include "HueResource.h"

#include <QList>

/// One event of the bridge's event stream.
struct HueEvent
{
    enum class Kind { update, add, delete_, other };

    Kind kind = Kind::other;
    QList<HueResource> resources;

    friend bool operator==(const HueEvent &, const HueEvent &) = default;

    /// Never fails for an object: an unknown "type" gives `other`, an unusable
    /// "data" an empty list. Fails only when the value is not an object.
    static std::optional<HueEvent> fromJson(const QJsonValue &value);

    static Kind kindFromString(const QString &wire);
    static QString toString(Kind kind);
};
