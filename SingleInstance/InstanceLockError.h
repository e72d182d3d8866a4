#pragma once

#include <QString>

/// Why the instance lock could not be taken.
struct InstanceLockError
{
    enum class Code { openFailed, lockFailed, alreadyRunning };

    Code code = Code::alreadyRunning;
    /// errno of the failed call (0 for alreadyRunning).
    int errorNumber = 0;

    static InstanceLockError openFailed(int error) { return {Code::openFailed, error}; }
    static InstanceLockError lockFailed(int error) { return {Code::lockFailed, error}; }
    static InstanceLockError alreadyRunning() { return {Code::alreadyRunning, 0}; }

    /// "openFailed(errno: 13, Permission denied)" and the like.
    QString description() const;

    bool operator==(const InstanceLockError &) const = default;
};
