#pragma once

#include "TrayDBusTypes.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>

class QDBusServiceWatcher;
class TrayMenu;

/// Lumora's icon in the desktop's tray, spoken over D-Bus as the desktops
/// do it: an org.kde.StatusNotifierItem at /StatusNotifierItem whose menu is
/// exported as com.canonical.dbusmenu at /MenuBar, registered with the
/// session's org.kde.StatusNotifierWatcher (Plasma, GNOME with the
/// AppIndicator extension, most panels). Without a watcher nothing shows;
/// when one appears later (a panel restarting) the item registers again.
///
/// A left click asks for the quick panel; the menu is `TrayMenu`'s.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    static constexpr auto watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr auto itemPath = "/StatusNotifierItem";
    static constexpr auto menuPath = "/MenuBar";
    /// How long a watcher may take to accept the item before it counts as absent.
    static constexpr int registrationTimeout = 3000;

    TrayIcon(TrayMenu *menu, QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~TrayIcon() override;

    /// Exports the item and registers it with the watcher, now and whenever
    /// a watcher appears. `settled` follows once the first attempt has an answer.
    void show();
    /// Withdraws the item from the bus.
    void hide();
    /// Whether a watcher accepted the item (and the item is still exported).
    bool isShown() const { return m_shown; }
    /// Whether the first attempt to show has its answer (shown or not).
    bool isSettled() const { return m_settled; }
    QString serviceName() const { return m_serviceName; }
    TrayMenu *menu() const { return m_menu; }

    /// The item's pixmaps at the usual tray sizes: a lit bulb or a dark one.
    static QList<TrayIconPixmap> pixmaps(bool lit);
    TrayToolTip toolTip() const;

Q_SIGNALS:
    void shownChanged();
    /// The first attempt to show has its answer; isShown() says which.
    void settled();
    /// A left click on the icon.
    void activated();

private:
    void registerWithWatcher();
    void setShown(bool shown);
    void settle();

    TrayMenu *m_menu;
    QDBusConnection m_bus;
    QString m_serviceName;
    QObject *m_itemObject = nullptr;
    QObject *m_menuObject = nullptr;
    QDBusServiceWatcher *m_watcher = nullptr;
    bool m_exported = false;
    bool m_shown = false;
    bool m_settled = false;
    quint64 m_attempt = 0;
};
