#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <optional>

class QSettings;

/// How the persistent stores keep their values: compact UTF-8 JSON held as
/// binary data under one settings key.
namespace StoredJson {

/// Stored values larger than this are not even parsed. The largest real
/// value (the order of every grid of a big installation) is a few hundred
/// kilobytes; anything beyond is damage, and parsing it could stall start-up.
inline constexpr qsizetype maxBytes = 4 * 1024 * 1024;

/// The parsed document under `key`, or nothing when the key is missing, the
/// value is not text or bytes, is too large or is not JSON.
std::optional<QJsonDocument> read(const QSettings &settings, const QString &key);

/// Writes the compact JSON of `document` under `key` and flushes it; true
/// when the settings file took it (a damaged line elsewhere in the file does
/// not count as a failure, a file that cannot be written does).
bool write(QSettings &settings, const QString &key, const QJsonDocument &document);

/// Removes `key` and flushes; true when the settings file took it.
bool remove(QSettings &settings, const QString &key);

} // namespace StoredJson
