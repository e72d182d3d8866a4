#include "AccessibleProbe.h"

#include <QAccessible>
#include <QQuickItem>
#include <QQuickWindow>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

void visit(QAccessibleInterface *iface, const std::function<void(QAccessibleInterface *)> &seen, int depth = 0)
{
    if (!iface || depth > 64)
        return;
    if (!iface->state().invisible)
        seen(iface);
    for (int i = 0; i < iface->childCount(); ++i)
        visit(iface->child(i), seen, depth + 1);
}

/// The interface of an item as a screen reader finds it. Qt Quick's controls
/// give themselves a role, a name and states only once a screen reader is
/// there; the offscreen platform never has one, so the probe tells them, as
/// the platform does when a screen reader connects.
QAccessibleInterface *interfaceOf(QQuickItem *item)
{
    if (!item)
        return nullptr;
    QAccessible::setActive(true);
    return QAccessible::queryAccessibleInterface(item);
}

/// The interface of the item's window, the root of what a screen reader reads.
QAccessibleInterface *windowOf(QQuickItem *item)
{
    if (!item || !item->window())
        return nullptr;
    QAccessible::setActive(true);
    return QAccessible::queryAccessibleInterface(item->window());
}

} // namespace

QVariantMap AccessibleProbe::describe(QQuickItem *item) const
{
    QAccessibleInterface *iface = interfaceOf(item);
    if (!iface)
        return {};
    const QAccessible::State state = iface->state();
    QVariantMap map{{u"role"_s, int(iface->role())},
                    {u"name"_s, iface->text(QAccessible::Name)},
                    {u"description"_s, iface->text(QAccessible::Description)},
                    {u"checked"_s, bool(state.checked)},
                    {u"checkable"_s, bool(state.checkable)},
                    {u"selected"_s, bool(state.selected)},
                    {u"disabled"_s, bool(state.disabled)},
                    {u"focusable"_s, bool(state.focusable)}};
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
    QAccessibleInterface *iface = interfaceOf(item);
    QAccessibleActionInterface *actions = iface ? iface->actionInterface() : nullptr;
    if (!actions || !actions->actionNames().contains(name))
        return false;
    actions->doAction(name);
    return true;
}

bool AccessibleProbe::setValue(QQuickItem *item, double value) const
{
    QAccessibleInterface *iface = interfaceOf(item);
    QAccessibleValueInterface *values = iface ? iface->valueInterface() : nullptr;
    if (!values)
        return false;
    values->setCurrentValue(value);
    return true;
}

QVariantList AccessibleProbe::tree(QQuickItem *anyItem) const
{
    QVariantList elements;
    visit(windowOf(anyItem), [&](QAccessibleInterface *iface) {
        elements.append(QVariantMap{{u"name"_s, iface->text(QAccessible::Name)}, {u"role"_s, int(iface->role())}});
    });
    return elements;
}
