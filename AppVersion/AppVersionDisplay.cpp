#include "AppVersionDisplay.h"

#include <QLocale>

using namespace Qt::StringLiterals;

QDateTime AppVersionTimestamp::date() const
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
}

namespace AppVersionDisplay {

namespace {

int decimal(const QByteArray &bytes, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i)
        value = value * 10 + (bytes.at(i) - '0');
    return value;
}

QString versionWithBuild(const AppVersionInfo &info, const QTimeZone &timeZone)
{
    return info.shortVersion + u" ("_s + formattedBuildVersion(info.buildVersion, timeZone) + u")"_s;
}

} // namespace

std::optional<AppVersionTimestamp> timestampComponents(const QByteArray &bytes)
{
    if (bytes.size() != 14)
        return std::nullopt;
    for (const char c : bytes) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    const AppVersionTimestamp read{decimal(bytes, 0, 4), decimal(bytes, 4, 2),  decimal(bytes, 6, 2),
                                   decimal(bytes, 8, 2), decimal(bytes, 10, 2), decimal(bytes, 12, 2)};
    const QDateTime date = read.date();
    if (!date.isValid())
        return std::nullopt;
    // Decompose again: the digits must name exactly this instant, not one the
    // calendar reached by rolling an impossible field over.
    const QDate d = date.date();
    const QTime t = date.time();
    const AppVersionTimestamp again{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
    if (again != read)
        return std::nullopt;
    return read;
}

QString formattedBuildVersion(const QString &buildVersion, const QTimeZone &timeZone)
{
    const std::optional<AppVersionTimestamp> components = timestampComponents(buildVersion.toUtf8());
    if (!components)
        return buildVersion;
    const QDateTime date = components->date();
    if (!date.isValid())
        return buildVersion;
    return QLocale::c().toString(date.toTimeZone(timeZone), u"yyyy-MM-dd HH:mm:ss"_s);
}

QString label(const AppVersionInfo &info, const QTimeZone &timeZone)
{
    return u"Version "_s + versionWithBuild(info, timeZone);
}

QString current(const AppBundle &bundle)
{
    return label(AppVersionInfo::current(bundle), QTimeZone::systemTimeZone());
}

QVariantMap standardAboutPanelOptions(const QString &applicationName, const AppVersionInfo &info,
                                      const QTimeZone &timeZone)
{
    return {
        {applicationNameOption, applicationName},
        {applicationVersionOption, versionWithBuild(info, timeZone)},
        {versionOption, u""_s},
    };
}

} // namespace AppVersionDisplay
