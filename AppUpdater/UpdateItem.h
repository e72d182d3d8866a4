#pragma once

#include <QString>
#include <QUrl>

#include <optional>

/// One release named by the update feed.
struct UpdateItem
{
    /// The build version compared with the running build.
    QString versionString;
    /// The marketing version shown to the user.
    QString displayVersionString;
    QString title;
    QUrl archiveURL;
    /// Base64 Ed25519 signature of the archive's bytes.
    QString edSignature;
    /// The archive length the feed announces, if any.
    std::optional<qint64> archiveLength;
    /// The verified archive on disk, once it has been downloaded.
    std::optional<QString> archivePath;

    bool operator==(const UpdateItem &) const = default;
};
