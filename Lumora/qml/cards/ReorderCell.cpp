#include "ReorderCell.h"

#include "HueText.h"
#include "ReorderLayout.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QKeyEvent>
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
        if (t == QAccessible::Name)
            return cell()->accessibleName();
        if (t == QAccessible::Description) {
            QAccessibleInterface *inner = content();
            return inner ? inner->text(t) : QString();
        }
        return {};
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

    /// What the content does (a room card opens its room, a scene tile
    /// recalls its scene), then the moves.
    QStringList actionNames() const override { return contentActions() + ReorderCell::actionNames(); }

    void doAction(const QString &name) override
    {
        if (const int step = ReorderCell::stepOf(name))
            cell()->move(step);
        else if (contentActions().contains(name))
            content()->actionInterface()->doAction(name);
    }

    QStringList keyBindingsForAction(const QString &name) const override
    {
        const int step = ReorderCell::stepOf(name);
        if (step == 0)
            return {};
        return {step < 0 ? u"Alt+Left"_s : u"Alt+Right"_s};
    }

private:
    QAccessibleInterface *content() const
    {
        QQuickItem *item = cell()->contentItem();
        return item ? QAccessible::queryAccessibleInterface(item) : nullptr;
    }

    /// The content's own actions but the focus, which is the cell's.
    QStringList contentActions() const
    {
        QAccessibleInterface *inner = content();
        QAccessibleActionInterface *actions = inner ? inner->actionInterface() : nullptr;
        if (!actions)
            return {};
        QStringList names = actions->actionNames();
        names.removeAll(QAccessibleActionInterface::setFocusAction());
        return names;
    }

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

ReorderCell::~ReorderCell()
{
    if (m_layout)
        m_layout->removeCell(this);
}

void ReorderCell::componentComplete()
{
    QQuickItem::componentComplete();
    attachTo(parentItem());
}

void ReorderCell::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    // A Repeater takes a cell out of its parent as it lets the cell go,
    // before the cell is destroyed.
    if (change == ItemParentHasChanged && isComponentComplete())
        attachTo(value.item);
    else if (change == ItemActiveFocusHasChanged && value.boolValue)
        reveal(); // a cell reached by the keyboard shows what it is at once
}

void ReorderCell::attachTo(QQuickItem *parent)
{
    auto *layout = qobject_cast<ReorderLayout *>(parent);
    if (layout == m_layout)
        return;
    if (m_layout)
        m_layout->removeCell(this);
    m_layout = layout;
    if (m_layout)
        m_layout->addCell(this);
}

void ReorderCell::setItemId(const QString &id)
{
    if (m_itemId == id)
        return;
    m_itemId = id;
    Q_EMIT itemIdChanged();
    if (m_layout)
        m_layout->cellChanged();
}

void ReorderCell::setModelIndex(int index)
{
    if (m_modelIndex == index)
        return;
    m_modelIndex = index;
    Q_EMIT modelIndexChanged();
    if (m_layout)
        m_layout->cellChanged();
}

void ReorderCell::setContentItem(QQuickItem *item)
{
    if (m_contentItem == item)
        return;
    disconnect(m_heightConnection);
    m_contentItem = item;
    if (item) {
        item->setWidth(width());
        m_heightConnection = connect(item, &QQuickItem::implicitHeightChanged, this, [this] {
            if (m_layout)
                m_layout->cellChanged();
        });
    }
    Q_EMIT contentItemChanged();
    if (m_layout) {
        if (item)
            m_layout->contentMade(item);
        m_layout->cellChanged();
    }
}

void ReorderCell::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (m_contentItem && newGeometry.width() != oldGeometry.width())
        m_contentItem->setWidth(newGeometry.width());
}

void ReorderCell::setFrame(const QRectF &frame)
{
    if (m_frame == frame)
        return;
    m_frame = frame;
    Q_EMIT frameChanged();
    if (!m_placed && !m_placing && frame.width() > 0) {
        m_placing = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_placed = true;
                Q_EMIT placedChanged();
            },
            Qt::QueuedConnection);
    }
}

void ReorderCell::reveal()
{
    if (!m_contentItem)
        Q_EMIT revealRequested();
}

bool ReorderCell::move(int step)
{
    return m_layout && m_layout->moveBy(m_itemId, step);
}

void ReorderCell::keyPressEvent(QKeyEvent *event)
{
    // Reached only when the content, which sees the keys first, left them.
    if (event->modifiers() & Qt::AltModifier) {
        const int key = event->key();
        if (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down) {
            move(key == Qt::Key_Left || key == Qt::Key_Up ? -1 : 1);
            event->accept();
            return;
        }
    }
    QQuickItem::keyPressEvent(event);
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
