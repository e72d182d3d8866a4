#include "BuildVersionDisplay.h"

#include "AppVersionDisplay.h"

using namespace Qt::StringLiterals;

BuildVersionDisplay::BuildVersionDisplay(QTimeZone timeZone)
    : m_timeZone(std::move(timeZone))
{
}

QString BuildVersionDisplay::readableBuild(const QString &buildVersion) const
{
    return AppVersionDisplay::formattedBuildVersion(buildVersion, m_timeZone);
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
