#pragma once

#include "DuplicateLaunchSignalObservation.h"

#include <QString>

#include <functional>
#include <memory>

/// A name-only wake-up sent to every process of the user: a signal on the
/// D-Bus session bus whose interface and member are derived from the name.
namespace DuplicateLaunchSignal {

struct BusAddress
{
    QString interface;
    QString member;

    bool operator==(const BusAddress &) const = default;
};

/// The D-Bus interface and member for a name: the last dot-separated part is
/// the member, the rest the interface. Characters D-Bus does not allow are
/// escaped as "_xx" (hex) so that different names never share a signal.
BusAddress busAddress(const QString &name);

/// Broadcasts the signal and waits (bounded) until the bus has it, so that a
/// process that exits right afterwards still wakes the others. False when
/// there is no session bus or it refused the message.
bool post(const QString &name);

/// Calls handler on the main thread whenever any process of the user posts
/// name (this one included).
std::unique_ptr<DuplicateLaunchSignalObservation> observe(const QString &name, std::function<void()> handler);

} // namespace DuplicateLaunchSignal
