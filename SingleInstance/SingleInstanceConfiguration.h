#pragma once

#include "SingleInstanceLockLocation.h"
#include "SingleInstancePolicy.h"

#include <QString>
#include <QUrl>

/// Names and places of the single-instance mechanism of one application.
struct SingleInstanceConfiguration
{
    QString bundleIdentifier;
    SingleInstancePolicy policy;
    SingleInstanceLockLocation lockLocation;
    QString lockFileName;
    QString activationSignalName;

    /// An empty identifier falls back to defaultBundleIdentifier(); empty
    /// file and signal names to "<identifier>.lock" and
    /// "<identifier>.single-instance.activate".
    SingleInstanceConfiguration(QString bundleIdentifier, SingleInstancePolicy policy,
                                SingleInstanceLockLocation lockLocation, QString lockFileName = {},
                                QString activationSignalName = {});

    /// base / bundleIdentifier / lockFileName.
    QUrl lockURL() const;
    /// The lock file's folder / "DuplicateLaunchRequests".
    QUrl duplicateLaunchRequestsURL() const;

    /// The application's identifier (the desktop file name Qt was given), or
    /// the running program's name when there is none.
    static QString defaultBundleIdentifier();
    /// The rule itself, over the two candidates.
    static QString defaultBundleIdentifier(const QString &bundleIdentifier, const QString &processName);

    /// The user's application-support directory.
    static QString applicationSupportDirectory();

    bool operator==(const SingleInstanceConfiguration &) const = default;
};
