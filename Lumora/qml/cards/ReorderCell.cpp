#include "ReorderCell.h"

#include "HueText.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

namespace {

/// What assistive technologies see of a cell. Qt Quick's own item interface
/// offers only the standard actions, so the cell gets an interface of its
/// own; the tree around it stays Qt Quick's.
class ReorderCellAccessible : public QAccessibleObject, public QAccessibleActionInterface
{
public:
    explicit ReorderCellAccessible(ReorderCell *cell)
        : QAccessibleObject(cell)
    {
    }

    ReorderCell *cell() const { return static_cast<ReorderCell *>(object()); }

    QWindow *window() const override { return cell()->window(); }

    QAccessibleInterface *parent() const override
    {
        for (QQuickItem *item = cell()->parentItem(); item; item = item->parentItem()) {
            if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(item))
                return iface;
        }
        return cell()->window() ? QAccessible::queryAccessibleInterface(cell()->window()) : nullptr;
    }

    int childCount() const override { return int(children().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const auto items = children();
        return index >= 0 && index < items.size() ? QAccessible::queryAccessibleInterface(items.at(index)) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *iface) const override
    {
        return iface ? int(children().indexOf(qobject_cast<QQuickItem *>(iface->object()))) : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (int i = childCount() - 1; i >= 0; --i) {
            QAccessibleInterface *iface = child(i);
            if (iface && iface->rect().contains(x, y))
                return iface;
        }
        return nullptr;
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? cell()->accessibleName() : QString();
    }

    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.focusable = true;
        state.focused = cell()->hasActiveFocus();
        state.invisible = !cell()->isVisible();
        return state;
    }

    QRect rect() const override
    {
        const QQuickItem *item = cell();
        if (!item->window())
            return {};
        const QRectF scene = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        return QRect(item->window()->mapToGlobal(scene.topLeft().toPoint()), scene.size().toSize());
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    QStringList actionNames() const override { return ReorderCell::actionNames(); }

    void doAction(const QString &name) override
    {
        if (const int step = ReorderCell::stepOf(name))
            Q_EMIT cell()->moveRequested(step);
    }

    QStringList keyBindingsForAction(const QString &name) const override
    {
        const int step = ReorderCell::stepOf(name);
        if (step == 0)
            return {};
        return {step < 0 ? u"Alt+Left"_s : u"Alt+Right"_s};
    }

private:
    /// The accessible items below the cell, as Qt Quick finds them: items
    /// without an interface of their own are looked through.
    QList<QQuickItem *> children() const
    {
        QList<QQuickItem *> result;
        collect(cell(), result);
        return result;
    }

    static void collect(QQuickItem *item, QList<QQuickItem *> &into)
    {
        for (QQuickItem *child : item->childItems()) {
            if (QAccessible::queryAccessibleInterface(child))
                into.append(child);
            else
                collect(child, into);
        }
    }
};

QAccessibleInterface *cellFactory(const QString &className, QObject *object)
{
    Q_UNUSED(className);
    if (auto *cell = qobject_cast<ReorderCell *>(object))
        return new ReorderCellAccessible(cell);
    return nullptr;
}

} // namespace

ReorderCell::ReorderCell(QQuickItem *parent)
    : QQuickItem(parent)
{
    // Factories installed later are asked first; Qt Quick installs its own
    // when its module loads, which is before any cell exists.
    static const bool installed = [] {
        QAccessible::installFactory(cellFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void ReorderCell::setAccessibleName(const QString &name)
{
    if (m_accessibleName == name)
        return;
    m_accessibleName = name;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    Q_EMIT accessibleNameChanged();
}

QStringList ReorderCell::actionNames()
{
    return {HueText::tr(u"Nach vorne verschieben"_s, u"Move forward"_s),
            HueText::tr(u"Nach hinten verschieben"_s, u"Move back"_s)};
}

int ReorderCell::stepOf(const QString &actionName)
{
    const QStringList names = actionNames();
    if (actionName == names.at(0))
        return -1;
    if (actionName == names.at(1))
        return 1;
    return 0;
}
