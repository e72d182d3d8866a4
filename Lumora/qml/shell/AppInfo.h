#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

class AppUpdater;
class QJSEngine;
class QQmlEngine;

/// The update controller and the version information as the menus, the
/// About dialog and the settings see them.
class AppInfo : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY updaterChanged)
    /// Why updates cannot work; empty when they can.
    Q_PROPERTY(QString configurationError READ configurationError NOTIFY updaterChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
                   setAutomaticallyChecksForUpdates NOTIFY updaterChanged)
    /// "Version 0.1.0 (2026-12-06 20:15:00)" in the current time zone.
    Q_PROPERTY(QString versionLabel READ versionLabel CONSTANT)
    /// The About dialog's three entries.
    Q_PROPERTY(QString aboutName READ aboutName CONSTANT)
    Q_PROPERTY(QString aboutVersion READ aboutVersion CONSTANT)

public:
    explicit AppInfo(AppUpdater *updater, QObject *parent = nullptr);

    /// The updater the next engine's `AppInfo` singleton shows; it must
    /// outlive that engine. Without one, updates show as not configured.
    static void provide(AppUpdater *updater);
    static AppInfo *create(QQmlEngine *qmlEngine, QJSEngine *jsEngine);

    bool canCheckForUpdates() const;
    QString configurationError() const;
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);
    QString versionLabel() const;
    QString aboutName() const;
    QString aboutVersion() const;

    Q_INVOKABLE void checkForUpdates();

Q_SIGNALS:
    void updaterChanged();
    /// A check the user asked for found nothing newer, or found an update or
    /// failed: the text to show.
    void updateMessage(const QString &message);

private:
    QPointer<AppUpdater> m_updater;
};
