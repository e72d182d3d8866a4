#pragma once

#include "UpdateItem.h"

#include <QString>
#include <QTimeZone>

#include <optional>

/// Shows versions with their build number; a build that is a UTC timestamp
/// ("yyyyMMddHHmmss") is shown as a readable date and time.
class BuildVersionDisplay
{
public:
    explicit BuildVersionDisplay(QTimeZone timeZone = QTimeZone::systemTimeZone());

    QTimeZone timeZone() const { return m_timeZone; }

    /// The build as the About panel shows it (AppVersionDisplay's rule): a
    /// strict UTC timestamp becomes "yyyy-MM-dd HH:mm:ss" in the display's time
    /// zone; anything else is returned unchanged.
    QString readableBuild(const QString &buildVersion) const;

    /// Sets bundleDisplayVersion to "<it> (<readable bundle build>)" and
    /// returns "<update display version> (<readable update build>)".
    QString formatUpdateDisplayVersion(const UpdateItem &update, QString &bundleDisplayVersion,
                                       const QString &bundleVersion) const;

    /// "<bundle display version> (<readable bundle build>)".
    QString formatBundleDisplayVersion(const QString &bundleDisplayVersion, const QString &bundleVersion,
                                       const std::optional<UpdateItem> &matchingUpdate = std::nullopt) const;

private:
    QTimeZone m_timeZone;
};
