#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

class QRandomGenerator;

/// One change to a light of the demo home, as a wall switch or another app
/// would make it: the light and the state to merge into it.
struct DemoOutsideChange
{
    QString lightID;
    QJsonObject patch;

    /// A gentle random change to one of `lights` (light resources as the
    /// bridge serves them): an unlit light comes on; a lit one gets another
    /// brightness, a colour inside its gamut or a white tone inside its
    /// range, or now and then goes off, but never the last lit light.
    /// Nothing when no light can change.
    static std::optional<DemoOutsideChange> choose(const QList<QJsonObject> &lights, QRandomGenerator &random);

    friend bool operator==(const DemoOutsideChange &, const DemoOutsideChange &) = default;
};
