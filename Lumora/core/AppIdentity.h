#pragma once

#include <QCoreApplication>
#include <QString>

/// The names the application is known by. The desktop application and
/// lumora-ctl both take them from here, so that they read one settings file
/// and one keyring item and can never drift apart.
namespace AppIdentity {

/// Reverse-DNS application identifier: desktop entry, icon, lock folder,
/// activation signal and keyring service are named after it.
inline constexpr char16_t applicationId[] = u"app.lumora.Lumora";
inline constexpr char16_t organizationName[] = u"Lumora";
inline constexpr char16_t organizationDomain[] = u"lumora.app";
inline constexpr char16_t applicationName[] = u"Lumora";

inline QString id()
{
    return QString::fromUtf16(applicationId);
}

/// Sets the names QSettings and the standard paths are derived from. Runs
/// before anything reads settings or takes the single-instance lock.
inline void apply()
{
    QCoreApplication::setOrganizationName(QString::fromUtf16(organizationName));
    QCoreApplication::setOrganizationDomain(QString::fromUtf16(organizationDomain));
    QCoreApplication::setApplicationName(QString::fromUtf16(applicationName));
}

} // namespace AppIdentity
