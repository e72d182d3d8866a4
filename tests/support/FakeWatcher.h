#pragma once

#include <QObject>
#include <QStringList>

/// The session's tray host as Plasma and the AppIndicator extension offer it:
/// it takes every item registered with it, and nothing more.
class FakeWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

public:
    QStringList registered;

public Q_SLOTS:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString &service) { registered.append(service); }
};
