#pragma once

#include "HueEvent.h"

#include <QList>
#include <QString>

#include <optional>

/// Turns one line of the bridge's event stream into events.
namespace HueEventStreamParser {

/// A non-empty list of the events of a "data:" line, in array order, or
/// std::nullopt when the line carries none (comments, "id:" lines, anything
/// not starting with exactly "data:", JSON that is not an array, an array
/// without a decodable event). Pure.
std::optional<QList<HueEvent>> events(const QString &line);

} // namespace HueEventStreamParser
