#pragma once

#include "InstanceLockError.h"

#include <QString>

#include <optional>

/// A failure of the single-instance start: either an InstanceLockError or a
/// platform error (the lock folder could not be created), kept as its text.
struct SingleInstanceError
{
    std::optional<InstanceLockError> lockError;
    QString platformMessage;

    static SingleInstanceError lock(InstanceLockError error) { return {error, {}}; }
    static SingleInstanceError platform(QString message) { return {std::nullopt, std::move(message)}; }

    bool isAlreadyRunning() const { return lockError && lockError->code == InstanceLockError::Code::alreadyRunning; }

    /// The text appended to the start-up failure message.
    QString description() const { return lockError ? lockError->description() : platformMessage; }

    bool operator==(const SingleInstanceError &) const = default;
};
