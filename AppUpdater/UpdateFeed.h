#pragma once

#include "UpdateItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/// The update feed: RSS 2.0 whose items carry, in the namespace below,
/// <lumora:version> (the build), <lumora:shortVersionString> (the marketing
/// version) and an <enclosure url="https://…" length="…" lumora:edSignature="…"/>.
namespace UpdateFeed {

inline const QString namespaceURI = QStringLiteral("https://lumora.app/xml-namespaces/update-feed");

struct Parsed
{
    QList<UpdateItem> items;
    /// Set when the document is not an RSS feed at all (not XML, wrong root).
    std::optional<QString> error;
};

/// Items without a version or without an https archive are dropped; a
/// malformed document gives an error and no items.
Parsed parse(const QByteArray &bytes);

/// The item with the highest version (the first of equals), if any.
std::optional<UpdateItem> newest(const QList<UpdateItem> &items);

} // namespace UpdateFeed
