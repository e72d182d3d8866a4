#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

/// What the application knows about itself: its information map (identifier,
/// version, build, update feed and key), compiled in by the build, and the
/// path of the running executable. Tests build their own.
struct AppBundle
{
    static inline const QString identifierKey = QStringLiteral("CFBundleIdentifier");
    static inline const QString shortVersionKey = QStringLiteral("CFBundleShortVersionString");
    static inline const QString buildVersionKey = QStringLiteral("CFBundleVersion");
    static inline const QString feedURLKey = QStringLiteral("SUFeedURL");
    static inline const QString publicKeyKey = QStringLiteral("SUPublicEDKey");

    QVariantMap info;
    std::optional<QString> executablePath;

    /// The compiled-in information and, when a QCoreApplication exists, the
    /// running executable.
    static AppBundle main();

    /// The information map the build wrote (generated source).
    static QVariantMap compiledInfo();

    bool operator==(const AppBundle &) const = default;
};
