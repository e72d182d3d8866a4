#include "ShortcutsInfo.h"

#include "PortalShortcuts.h"

#include <QQmlEngine>

namespace {
QPointer<PortalShortcuts> &provided()
{
    static QPointer<PortalShortcuts> portal;
    return portal;
}
} // namespace

ShortcutsInfo::ShortcutsInfo(PortalShortcuts *portal, QObject *parent)
    : QObject(parent)
    , m_portal(portal)
{
    if (!m_portal)
        return;
    connect(m_portal, &PortalShortcuts::stateChanged, this, &ShortcutsInfo::changed);
    connect(m_portal, &PortalShortcuts::shortcutsChanged, this, &ShortcutsInfo::changed);
}

void ShortcutsInfo::provide(PortalShortcuts *portal)
{
    provided() = portal;
}

ShortcutsInfo *ShortcutsInfo::create(QQmlEngine *qmlEngine, QJSEngine *)
{
    return new ShortcutsInfo(provided(), qmlEngine);
}

bool ShortcutsInfo::checking() const
{
    return m_portal
           && (m_portal->state() == PortalShortcuts::State::idle
               || m_portal->state() == PortalShortcuts::State::checking);
}

bool ShortcutsInfo::offered() const
{
    return m_portal && m_portal->state() == PortalShortcuts::State::ready;
}

QStringList ShortcutsInfo::names() const
{
    QStringList list;
    if (offered()) {
        for (const auto &shortcut : m_portal->shortcuts())
            list.append(shortcut.description);
    }
    return list;
}

QStringList ShortcutsInfo::keys() const
{
    QStringList list;
    if (offered()) {
        for (const auto &shortcut : m_portal->shortcuts())
            list.append(shortcut.trigger);
    }
    return list;
}
