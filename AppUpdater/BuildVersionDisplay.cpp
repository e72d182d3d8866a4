#include "BuildVersionDisplay.h"

#include <QDateTime>
#include <QLocale>

using namespace Qt::StringLiterals;

BuildVersionDisplay::BuildVersionDisplay(QTimeZone timeZone)
    : m_timeZone(std::move(timeZone))
{
}

QString BuildVersionDisplay::readableBuild(const QString &buildVersion) const
{
    if (buildVersion.size() != 14)
        return buildVersion;
    for (const QChar c : buildVersion) {
        if (c.unicode() > 127 || !c.isDigit())
            return buildVersion;
    }
    // Qt's format parsers are strict (month 13 or 30 February give no date).
    // Date and time are read apart so that no local time zone is involved.
    const QDate date = QDate::fromString(buildVersion.left(8), u"yyyyMMdd"_s);
    const QTime time = QTime::fromString(buildVersion.mid(8), u"HHmmss"_s);
    const QDateTime parsed(date, time, QTimeZone::utc());
    if (!date.isValid() || !time.isValid() || !parsed.isValid())
        return buildVersion;
    return QLocale::c().toString(parsed.toTimeZone(m_timeZone), u"yyyy-MM-dd HH:mm:ss"_s);
}

QString BuildVersionDisplay::formatUpdateDisplayVersion(const UpdateItem &update, QString &bundleDisplayVersion,
                                                        const QString &bundleVersion) const
{
    bundleDisplayVersion = bundleDisplayVersion + u" ("_s + readableBuild(bundleVersion) + u")"_s;
    return update.displayVersionString + u" ("_s + readableBuild(update.versionString) + u")"_s;
}

QString BuildVersionDisplay::formatBundleDisplayVersion(const QString &bundleDisplayVersion,
                                                        const QString &bundleVersion,
                                                        const std::optional<UpdateItem> &) const
{
    return bundleDisplayVersion + u" ("_s + readableBuild(bundleVersion) + u")"_s;
}
