#pragma once

#include "AppVersionInfo.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QVariantMap>

#include <optional>

/// The six numbers of a build timestamp "yyyyMMddHHmmss", read in UTC.
struct AppVersionTimestamp
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    /// The instant in UTC (valid whenever the components came from
    /// AppVersionDisplay::timestampComponents).
    QDateTime date() const;

    bool operator==(const AppVersionTimestamp &) const = default;
};

/// Pure functions that turn version information into the texts the About
/// panel and the settings show.
namespace AppVersionDisplay {

/// Keys of the About panel options.
inline const QString applicationNameOption = QStringLiteral("applicationName");
inline const QString applicationVersionOption = QStringLiteral("applicationVersion");
inline const QString versionOption = QStringLiteral("version");

/// "Version " + short version + " (" + formatted build + ")".
QString label(const AppVersionInfo &info, const QTimeZone &timeZone);

/// The label of the running application in the current time zone.
QString current(const AppBundle &bundle = AppBundle::main());

/// A build of 14 digits naming a real UTC instant as "yyyy-MM-dd HH:mm:ss" in
/// the time zone; any other build text unchanged.
QString formattedBuildVersion(const QString &buildVersion, const QTimeZone &timeZone);

/// The components of a timestamp of exactly 14 ASCII digits, only when they
/// name a real instant: a date the calendar would roll over (month 13,
/// 30 February, hour 24, second 60) gives none.
std::optional<AppVersionTimestamp> timestampComponents(const QByteArray &bytes);

/// The three entries the About panel reads: the name, the version with its
/// readable build, and an empty version (no separate build line).
QVariantMap standardAboutPanelOptions(const QString &applicationName, const AppVersionInfo &info,
                                      const QTimeZone &timeZone);

} // namespace AppVersionDisplay
