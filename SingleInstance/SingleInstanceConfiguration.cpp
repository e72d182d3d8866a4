#include "SingleInstanceConfiguration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

SingleInstanceConfiguration::SingleInstanceConfiguration(QString bundleIdentifier, SingleInstancePolicy policy,
                                                         SingleInstanceLockLocation lockLocation, QString lockFileName,
                                                         QString activationSignalName)
    : bundleIdentifier(bundleIdentifier.isEmpty() ? defaultBundleIdentifier() : std::move(bundleIdentifier))
    , policy(std::move(policy))
    , lockLocation(std::move(lockLocation))
    , lockFileName(lockFileName.isEmpty() ? this->bundleIdentifier + u".lock"_s : std::move(lockFileName))
    , activationSignalName(activationSignalName.isEmpty() ? this->bundleIdentifier + u".single-instance.activate"_s
                                                          : std::move(activationSignalName))
{
}

QString SingleInstanceConfiguration::applicationSupportDirectory()
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    if (!locations.isEmpty() && !locations.first().isEmpty())
        return locations.first();
#ifdef Q_OS_MACOS
    return QDir::homePath() + u"/Library/Application Support"_s;
#else
    return QDir::homePath() + u"/.local/share"_s;
#endif
}

QUrl SingleInstanceConfiguration::lockURL() const
{
    const QString base =
        lockLocation.explicitDirectory ? lockLocation.explicitDirectory->toLocalFile() : applicationSupportDirectory();
    return QUrl::fromLocalFile(QDir(QDir(base).filePath(bundleIdentifier)).filePath(lockFileName));
}

QUrl SingleInstanceConfiguration::duplicateLaunchRequestsURL() const
{
    const QString folder = QFileInfo(lockURL().toLocalFile()).path();
    return QUrl::fromLocalFile(QDir(folder).filePath(u"DuplicateLaunchRequests"_s));
}

QString SingleInstanceConfiguration::defaultBundleIdentifier(const QString &bundleIdentifier,
                                                             const QString &processName)
{
    return bundleIdentifier.isEmpty() ? processName : bundleIdentifier;
}

QString SingleInstanceConfiguration::defaultBundleIdentifier()
{
    QString processName;
    if (QCoreApplication::instance())
        processName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (processName.isEmpty())
        processName = QCoreApplication::applicationName();
    return defaultBundleIdentifier(QGuiApplication::desktopFileName(), processName);
}
