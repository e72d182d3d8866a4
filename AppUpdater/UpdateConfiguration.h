#pragma once

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

/// The update feed and the key that signs the archives, taken from the
/// bundle information only when both are complete and safe.
struct UpdateConfiguration
{
    QUrl feedURL;
    QString publicKey;

    /// None unless "SUFeedURL" is an https URL with a host and without user
    /// or password, and "SUPublicEDKey" is base64 of exactly 32 bytes.
    static std::optional<UpdateConfiguration> fromInfo(const QVariantMap &info);

    /// The decoded public key (32 bytes for a configuration made by fromInfo).
    QByteArray publicKeyBytes() const;

    bool operator==(const UpdateConfiguration &) const = default;
};
