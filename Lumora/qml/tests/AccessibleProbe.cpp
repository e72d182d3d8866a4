#include "AccessibleProbe.h"

#include <QAccessible>
#include <QQuickItem>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

namespace {

void collectNames(QAccessibleInterface *iface, QStringList &into, int depth)
{
    if (!iface || depth > 64)
        return;
    if (!iface->state().invisible)
        into.append(iface->text(QAccessible::Name));
    for (int i = 0; i < iface->childCount(); ++i)
        collectNames(iface->child(i), into, depth + 1);
}

} // namespace

QVariantMap AccessibleProbe::describe(QQuickItem *item) const
{
    QAccessibleInterface *iface = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
    if (!iface)
        return {};
    QVariantMap map{{u"role"_s, int(iface->role())},
                    {u"name"_s, iface->text(QAccessible::Name)},
                    {u"description"_s, iface->text(QAccessible::Description)},
                    {u"checked"_s, bool(iface->state().checked)}};
    if (QAccessibleValueInterface *value = iface->valueInterface()) {
        map.insert(u"value"_s, value->currentValue());
        map.insert(u"minimum"_s, value->minimumValue());
        map.insert(u"maximum"_s, value->maximumValue());
    } else {
        map.insert(u"value"_s, iface->text(QAccessible::Value));
    }
    if (QAccessibleActionInterface *actions = iface->actionInterface())
        map.insert(u"actions"_s, actions->actionNames());
    return map;
}

bool AccessibleProbe::doAction(QQuickItem *item, const QString &name) const
{
    QAccessibleInterface *iface = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
    QAccessibleActionInterface *actions = iface ? iface->actionInterface() : nullptr;
    if (!actions || !actions->actionNames().contains(name))
        return false;
    actions->doAction(name);
    return true;
}

bool AccessibleProbe::setValue(QQuickItem *item, double value) const
{
    QAccessibleInterface *iface = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
    QAccessibleValueInterface *values = iface ? iface->valueInterface() : nullptr;
    if (!values)
        return false;
    values->setCurrentValue(value);
    return true;
}

QStringList AccessibleProbe::treeNames(QQuickItem *anyItem) const
{
    QStringList names;
    if (anyItem && anyItem->window())
        collectNames(QAccessible::queryAccessibleInterface(anyItem->window()), names, 0);
    return names;
}
