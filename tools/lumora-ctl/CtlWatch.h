#pragma once

#include "CtlArguments.h"
#include "HueCancellationToken.h"
#include "HueHome.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QList>
#include <QString>

/// `lumora-ctl watch`: follows the event stream and prints every change to
/// the home, reconnecting with the application's delays until interrupted.
namespace CtlWatch {

/// One visible change between two pictures of the home.
struct Change
{
    /// "light", "room", "zone", "home" or "scene".
    QString type;
    /// "changed", "added" or "removed".
    QString change;
    QString id;
    QString name;
    /// The new state (the last known one for "removed").
    QJsonObject state;
    /// The state in words, for the text output.
    QString text;

    friend bool operator==(const Change &, const Change &) = default;
};

/// What someone looking at the application would see change from `before`
/// to `after`: lights, groups (their own state, not their lights') and
/// scenes (name and whether active), in that order, each sorted by name.
QList<Change> changes(const HueHome &before, const HueHome &after);

/// Runs until `cancel` (HueCancelledError) or a refused key (CtlFailure).
QCoro::Task<void> run(CtlArguments arguments, HueCancellationToken cancel);

} // namespace CtlWatch
