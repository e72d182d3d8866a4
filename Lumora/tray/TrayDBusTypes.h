#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The structures the tray's two D-Bus interfaces (org.kde.StatusNotifierItem
// and com.canonical.dbusmenu) exchange, with their wire signatures. Tests
// and the benchmark read the menu with the same types.

/// One menu entry with its children: (ia{sv}av), each child a variant
/// holding the same structure.
struct DBusMenuLayout
{
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

/// (ia{sv}): the properties of one entry.
struct DBusMenuItem
{
    int id = 0;
    QVariantMap properties;
};

/// (ias): properties an entry no longer has.
struct DBusMenuItemKeys
{
    int id = 0;
    QStringList names;
};

/// (isvu): one event of EventGroup.
struct DBusMenuEvent
{
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

/// (iiay): an ARGB32 image in network byte order.
struct TrayIconPixmap
{
    int width = 0;
    int height = 0;
    QByteArray bytes;
};

/// (sa(iiay)ss): icon name, icon, title and text of the tooltip.
struct TrayToolTip
{
    QString iconName;
    QList<TrayIconPixmap> pixmaps;
    QString title;
    QString text;
};

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuLayout &layout);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuLayout &layout);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItem &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItem &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItemKeys &keys);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItemKeys &keys);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuEvent &event);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuEvent &event);
QDBusArgument &operator<<(QDBusArgument &argument, const TrayIconPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, TrayIconPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const TrayToolTip &toolTip);
const QDBusArgument &operator>>(const QDBusArgument &argument, TrayToolTip &toolTip);

/// Registers the types with Qt D-Bus; safe to call more than once.
void registerTrayDBusTypes();

Q_DECLARE_METATYPE(DBusMenuLayout)
Q_DECLARE_METATYPE(DBusMenuItem)
Q_DECLARE_METATYPE(DBusMenuItemKeys)
Q_DECLARE_METATYPE(DBusMenuEvent)
Q_DECLARE_METATYPE(TrayIconPixmap)
Q_DECLARE_METATYPE(TrayToolTip)
