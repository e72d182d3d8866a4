#pragma once

#include "DuplicateLaunchRequest.h"
#include "SingleInstanceConfiguration.h"

#include <QList>
#include <QString>

#include <optional>

/// The folder of waiting requests next to the lock file: one JSON file per
/// launch, named by a fresh UUID, written atomically.
namespace DuplicateLaunchRequestStore {

/// Files larger than this are not read; they are deleted as malformed.
inline constexpr qint64 maximumRequestFileSize = 1024 * 1024;

/// Stores the request (unless it is empty) and then always sends the
/// activation signal. Returns the storing failure, if any, after the signal
/// has gone out.
std::optional<QString> post(const DuplicateLaunchRequest &request, const SingleInstanceConfiguration &configuration);

/// Reads and deletes every ".json" file of the folder; unreadable, oversized
/// or malformed files are deleted and skipped. Oldest request first. A
/// missing folder gives an empty list.
QList<DuplicateLaunchRequest> consumePending(const SingleInstanceConfiguration &configuration);

} // namespace DuplicateLaunchRequestStore
