#pragma once

#include <QUrl>

#include <optional>

/// Where the per-application folder with the lock file lives: the user's
/// application-support (data) directory, or an explicit base directory.
struct SingleInstanceLockLocation
{
    std::optional<QUrl> explicitDirectory;

    static SingleInstanceLockLocation applicationSupport() { return {}; }
    static SingleInstanceLockLocation directory(QUrl url) { return {std::move(url)}; }

    bool isApplicationSupport() const { return !explicitDirectory.has_value(); }

    bool operator==(const SingleInstanceLockLocation &) const = default;
};
