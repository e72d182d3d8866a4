#include "TrayAdaptors.h"

#include "TrayIcon.h"
#include "TrayMenu.h"

using namespace Qt::StringLiterals;

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(TrayIcon *icon, QObject *host)
    : QDBusAbstractAdaptor(host)
    , m_icon(icon)
{
}

QList<TrayIconPixmap> StatusNotifierItemAdaptor::iconPixmap() const
{
    return TrayIcon::pixmaps(m_icon->menu()->anyLightOn());
}

TrayToolTip StatusNotifierItemAdaptor::toolTip() const
{
    return m_icon->toolTip();
}

QDBusObjectPath StatusNotifierItemAdaptor::menu() const
{
    return QDBusObjectPath(QString::fromLatin1(TrayIcon::menuPath));
}

void StatusNotifierItemAdaptor::Activate(int, int)
{
    Q_EMIT m_icon->activated();
}

void StatusNotifierItemAdaptor::SecondaryActivate(int, int)
{
    Q_EMIT m_icon->activated();
}

// The host shows the exported menu itself; a host that asks the item
// instead gets the quick panel, which holds the same controls.
void StatusNotifierItemAdaptor::ContextMenu(int, int)
{
    Q_EMIT m_icon->activated();
}

void StatusNotifierItemAdaptor::Scroll(int, const QString &)
{
}

DBusMenuAdaptor::DBusMenuAdaptor(TrayMenu *menu, QObject *host)
    : QDBusAbstractAdaptor(host)
    , m_menu(menu)
{
    connect(m_menu, &TrayMenu::layoutChanged, this, [this] { Q_EMIT LayoutUpdated(++m_revision, 0); });
    connect(m_menu, &TrayMenu::entriesChanged, this, [this](const QList<int> &ids) {
        QList<DBusMenuItem> updated;
        for (int id : ids) {
            if (const TrayEntry *entry = m_menu->entry(id))
                updated.append({id, properties(*entry)});
        }
        Q_EMIT ItemsPropertiesUpdated(updated, {});
    });
}

QVariantMap DBusMenuAdaptor::properties(const TrayEntry &entry, const QStringList &names)
{
    QVariantMap map;
    switch (entry.kind) {
    case TrayEntry::Kind::separator:
        map.insert(u"type"_s, u"separator"_s);
        break;
    case TrayEntry::Kind::submenu:
        map.insert(u"children-display"_s, u"submenu"_s);
        [[fallthrough]];
    case TrayEntry::Kind::action:
    case TrayEntry::Kind::toggle:
        // An underscore marks the access key in a dbusmenu label; names
        // from the bridge show theirs as written.
        map.insert(u"label"_s, QString(entry.label).replace(u'_', u"__"_s));
        map.insert(u"enabled"_s, entry.enabled);
        break;
    }
    if (entry.kind == TrayEntry::Kind::toggle) {
        map.insert(u"toggle-type"_s, u"checkmark"_s);
        map.insert(u"toggle-state"_s, entry.checked ? 1 : 0);
    }
    map.insert(u"visible"_s, true);
    if (names.isEmpty())
        return map;
    QVariantMap chosen;
    for (const QString &name : names) {
        if (map.contains(name))
            chosen.insert(name, map.value(name));
    }
    return chosen;
}

namespace {
DBusMenuLayout layoutOf(const TrayEntry &entry, int depth, const QStringList &names)
{
    DBusMenuLayout layout{entry.id, DBusMenuAdaptor::properties(entry, names), {}};
    if (entry.id == 0)
        layout.properties.insert(u"children-display"_s, u"submenu"_s);
    // A depth of -1 asks for everything below.
    if (depth != 0) {
        for (const TrayEntry &child : entry.children)
            layout.children.append(layoutOf(child, depth - 1, names));
    }
    return layout;
}

void collectAll(const TrayEntry &entry, QList<int> &ids)
{
    ids.append(entry.id);
    for (const TrayEntry &child : entry.children)
        collectAll(child, ids);
}
} // namespace

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                                DBusMenuLayout &layout)
{
    const TrayEntry *parent = m_menu->entry(parentId);
    // An entry that is gone answers as an empty menu; the host reloads
    // after the LayoutUpdated that removed it.
    layout = parent ? layoutOf(*parent, recursionDepth, propertyNames) : DBusMenuLayout{parentId, {}, {}};
    return m_revision;
}

QList<DBusMenuItem> DBusMenuAdaptor::GetGroupProperties(const QList<int> &ids, const QStringList &propertyNames)
{
    QList<int> wanted = ids;
    if (wanted.isEmpty())
        collectAll(m_menu->root(), wanted);
    QList<DBusMenuItem> items;
    for (int id : std::as_const(wanted)) {
        if (const TrayEntry *entry = m_menu->entry(id))
            items.append({id, properties(*entry, propertyNames)});
    }
    return items;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString &name)
{
    const TrayEntry *entry = m_menu->entry(id);
    return QDBusVariant(entry ? properties(*entry).value(name) : QVariant(QString()));
}

void DBusMenuAdaptor::Event(int id, const QString &eventId, const QDBusVariant &, uint)
{
    if (eventId == u"clicked")
        m_menu->activate(id);
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<DBusMenuEvent> &events)
{
    QList<int> unknown;
    for (const DBusMenuEvent &event : events) {
        if (!m_menu->entry(event.id))
            unknown.append(event.id);
        else
            Event(event.id, event.eventId, event.data, event.timestamp);
    }
    return unknown;
}

// The menu follows the store as it changes, so it is current whenever it opens.
bool DBusMenuAdaptor::AboutToShow(int)
{
    return false;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
{
    for (int id : ids) {
        if (!m_menu->entry(id))
            idErrors.append(id);
    }
    return {};
}
