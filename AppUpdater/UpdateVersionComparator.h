#pragma once

#include <QString>

/// Orders version texts the way people read them: runs of digits compare as
/// numbers ("1.10" > "1.9", "20270101000000" > "20261231235959"), a number
/// beats letters ("1.0" > "1.0b2"), and a missing part after a separator
/// counts as older ("1.0.1" > "1.0").
namespace UpdateVersionComparator {

/// Negative when a is older than b, zero when equal, positive when newer.
int compare(const QString &a, const QString &b);

} // namespace UpdateVersionComparator
