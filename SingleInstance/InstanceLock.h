#pragma once

#include "SingleInstanceError.h"

#include <QUrl>

#include <memory>
#include <variant>

/// An exclusive advisory lock (flock) on a small file, held for as long as
/// this object lives. The system drops the lock when the process dies, so a
/// crash never leaves a stale lock; the file itself stays and is reused.
class InstanceLock
{
public:
    using Result = std::variant<std::unique_ptr<InstanceLock>, SingleInstanceError>;

    /// Creates the folder, opens the file (0600, close-on-exec), locks it
    /// without waiting and writes the process id into it.
    static Result acquire(const QUrl &lockURL);

    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    int fileDescriptor() const { return m_fileDescriptor; }
    QUrl lockURL() const { return m_lockURL; }

private:
    InstanceLock(int fileDescriptor, QUrl lockURL);

    int m_fileDescriptor;
    QUrl m_lockURL;
};
