#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>

/// What a second launch was asked to do, handed to the running instance as a
/// small JSON file.
struct DuplicateLaunchRequest
{
    QStringList arguments;
    QList<QUrl> fileURLs;
    QDateTime createdAt;

    bool isEmpty() const { return arguments.isEmpty() && fileURLs.isEmpty(); }

    /// {"arguments": [...], "fileURLs": ["file:///..."], "createdAt": "2026-12-06T16:27:20Z"};
    /// dates as ISO-8601 in UTC without fractional seconds.
    QByteArray toJson() const;
    /// Strict: all three keys, lists of text, valid absolute URLs and an
    /// ISO-8601 date with its zone designator; anything else gives none.
    static std::optional<DuplicateLaunchRequest> fromJson(const QByteArray &json);

    bool operator==(const DuplicateLaunchRequest &) const = default;
};
