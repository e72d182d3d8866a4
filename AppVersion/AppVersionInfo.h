#pragma once

#include "AppBundle.h"

#include <QDateTime>
#include <QString>

#include <optional>

/// The marketing version, the build number (a UTC timestamp of 14 digits) and
/// the modification time of the executable.
struct AppVersionInfo
{
    QString shortVersion;
    QString buildVersion;
    std::optional<QDateTime> buildDate;

    /// Reads the bundle's information; missing or non-text values become "0".
    static AppVersionInfo current(const AppBundle &bundle = AppBundle::main());

    /// "Version 1.2 (2026-12-06 16:27:20)" in the current time zone.
    QString displayLabel() const;

    bool operator==(const AppVersionInfo &) const = default;
};
