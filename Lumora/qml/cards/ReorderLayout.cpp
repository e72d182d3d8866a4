#include "ReorderLayout.h"

#include "ReorderCell.h"
#include "ReorderMath.h"

#include <QAbstractItemModel>

#include <algorithm>
#include <limits>

ReorderLayout::ReorderLayout(QQuickItem *parent)
    : QQuickItem(parent)
{
    setImplicitWidth(m_columns.minimum);
}

ReorderLayout::~ReorderLayout()
{
    // Cells still registered go with the grid; they must not call back into
    // a layout that is half destroyed.
    for (ReorderCell *cell : std::as_const(m_cells))
        cell->forgetLayout();
    m_cells.clear();
}

void ReorderLayout::setModel(const QJSValue &model)
{
    if (m_model.strictlyEquals(model))
        return;
    // A model that is replaced or reset during a drag ends it without a
    // commit: the working order was made from items that are gone, and saving
    // it would drop the saved places of the items that are new.
    abandonDrag();
    disconnect(m_resetConnection);
    m_model = model;
    if (auto *itemModel = qobject_cast<QAbstractItemModel *>(model.toQObject()))
        m_resetConnection =
            connect(itemModel, &QAbstractItemModel::modelAboutToBeReset, this, &ReorderLayout::abandonDrag);
    Q_EMIT modelChanged();
}

void ReorderLayout::setColumnMinimum(double minimum)
{
    if (m_columns.minimum == minimum)
        return;
    m_columns.minimum = minimum;
    setImplicitWidth(minimum);
    Q_EMIT columnsChanged();
    relayout();
}

QVariant ReorderLayout::columnMaximum() const
{
    return m_columns.maximum ? QVariant(*m_columns.maximum) : QVariant();
}

void ReorderLayout::setColumnMaximum(const QVariant &maximum)
{
    bool ok = false;
    const double value = maximum.toDouble(&ok);
    const std::optional<double> next = ok && maximum.isValid() ? std::optional(value) : std::nullopt;
    if (m_columns.maximum == next)
        return;
    m_columns.maximum = next;
    Q_EMIT columnsChanged();
    relayout();
}

void ReorderLayout::setColumnSpacing(double spacing)
{
    if (m_columns.spacing == spacing)
        return;
    m_columns.spacing = spacing;
    Q_EMIT columnsChanged();
    relayout();
}

void ReorderLayout::setSpacing(double spacing)
{
    if (m_spacing == spacing)
        return;
    m_spacing = spacing;
    Q_EMIT columnsChanged();
    relayout();
}

void ReorderLayout::setEstimatedCellHeight(double height)
{
    if (m_estimatedCellHeight == height)
        return;
    m_estimatedCellHeight = height;
    Q_EMIT placeholderChanged();
    relayout();
}

void ReorderLayout::setRevealMargin(double margin)
{
    if (m_revealMargin == margin)
        return;
    m_revealMargin = margin;
    Q_EMIT revealMarginChanged();
    scheduleReveal();
}

void ReorderLayout::setViewport(QQuickItem *viewport)
{
    if (m_viewport == viewport)
        return;
    for (const auto &connection : std::as_const(m_viewportConnections))
        disconnect(connection);
    m_viewportConnections.clear();
    m_viewport = viewport;
    if (viewport) {
        // Any Flickable: its scroll position is a property of Qt Quick's
        // private class, so it is followed by name.
        const int scrolled = viewport->metaObject()->indexOfSignal("contentYChanged()");
        const int reveal = metaObject()->indexOfSlot("scheduleReveal()");
        if (scrolled >= 0)
            m_viewportConnections.append(
                connect(viewport, viewport->metaObject()->method(scrolled), this, metaObject()->method(reveal)));
        m_viewportConnections.append(
            connect(viewport, &QQuickItem::heightChanged, this, &ReorderLayout::scheduleReveal));
    }
    Q_EMIT viewportChanged();
    scheduleReveal();
}

void ReorderLayout::updateDragContent()
{
    const ReorderCell *cell = m_drag ? cellOf(m_drag->id) : nullptr;
    QQuickItem *content = cell ? cell->contentItem() : nullptr;
    if (m_dragContent == content)
        return;
    m_dragContent = content;
    Q_EMIT dragContentChanged();
}

QRectF ReorderLayout::copyFrame() const
{
    if (!m_drag)
        return {};
    const QPointF at =
        m_drag->settling ? m_settleFrom + (m_drag->origin - m_settleFrom) * m_settleProgress : m_drag->origin;
    return {at, m_drag->size};
}

void ReorderLayout::setSettleProgress(double progress)
{
    if (m_settleProgress == progress)
        return;
    m_settleProgress = progress;
    Q_EMIT copyFrameChanged();
}

ReorderCell *ReorderLayout::cellOf(const QString &id) const
{
    return m_cellById.value(id);
}

QString ReorderLayout::targetAt(QPointF point, const QString &skip) const
{
    return ReorderMath::target(point, m_frames, skip).value_or(QString());
}

bool ReorderLayout::moveBy(const QString &id, int step)
{
    const auto order = ReorderMath::step(id, step, m_itemIds);
    if (order)
        Q_EMIT commit(*order);
    return order.has_value();
}

void ReorderLayout::pointerMoved(const QString &id, QPointF pressScene, QPointF scene)
{
    if (!m_drag || m_drag->settling) {
        const auto frame = m_frames.constFind(id);
        if (m_itemIds.size() < 2 || frame == m_frames.cend())
            return;
        setDrag(Drag{id, m_itemIds, mapFromScene(pressScene) - frame->topLeft(), frame->size(), frame->topLeft(), false,
                     ++m_tokenCounter});
    }
    if (m_drag->id != id)
        return;
    m_drag->origin = mapFromScene(scene) - m_drag->grab;
    Q_EMIT copyFrameChanged();
    // The copy's centre, not the pointer, decides where the item goes.
    const QPointF centre = m_drag->origin + QPointF(m_drag->size.width(), m_drag->size.height()) / 2;
    if (const auto target = ReorderMath::target(centre, m_frames, id)) {
        if (auto order = ReorderMath::move(id, *target, m_drag->order)) {
            m_drag->order = std::move(*order);
            Q_EMIT dragOrderChanged();
            relayout();
        }
    }
}

void ReorderLayout::pointerReleased(const QString &id)
{
    if (!m_drag || m_drag->id != id || m_drag->settling)
        return;
    // Items that arrived during the drag keep their places after it.
    QStringList order = m_drag->order;
    for (const QString &other : std::as_const(m_itemIds)) {
        if (!order.contains(other))
            order.append(other);
    }
    const int token = m_drag->token;
    Q_EMIT commit(order);
    // The owner may have replaced the model, which ended the drag.
    if (!m_drag || m_drag->token != token || m_drag->settling)
        return;
    Drag next = *m_drag;
    next.settling = true;
    m_settleFrom = next.origin;
    if (const auto frame = m_frames.constFind(id); frame != m_frames.cend())
        next.origin = frame->topLeft();
    m_settleProgress = 0;
    m_settleToken = token;
    setDrag(next);
}

void ReorderLayout::pointerReleasedAnywhere()
{
    if (m_drag && !cellOf(m_drag->id))
        pointerReleased(m_drag->id);
}

void ReorderLayout::settled()
{
    if (m_drag && m_drag->token == m_settleToken)
        setDrag(std::nullopt);
}

void ReorderLayout::abandonDrag()
{
    if (m_drag)
        setDrag(std::nullopt);
}

void ReorderLayout::setDrag(std::optional<Drag> drag)
{
    const bool orderChanged = (m_drag ? m_drag->order : QStringList()) != (drag ? drag->order : QStringList())
                              || m_drag.has_value() != drag.has_value();
    m_drag = std::move(drag);
    Q_EMIT dragChanged();
    if (orderChanged)
        Q_EMIT dragOrderChanged();
    updateDragContent();
    Q_EMIT copyFrameChanged();
    if (orderChanged)
        relayout();
}

ReorderLayout::Arrangement ReorderLayout::arrange(const QList<double> &heights, const GridColumns &columns,
                                                  double width, double spacing)
{
    const GridColumns::Layout layout = columns.layout(width);
    Arrangement result;
    result.frames.reserve(heights.size());
    double top = 0;
    for (qsizetype first = 0; first < heights.size(); first += layout.count) {
        const qsizetype last = std::min(first + layout.count, heights.size());
        const double rowHeight = *std::max_element(heights.begin() + first, heights.begin() + last);
        if (first > 0)
            top += spacing;
        for (qsizetype i = first; i < last; ++i) {
            const double x = layout.leading + double(i - first) * (layout.cellWidth + columns.spacing);
            result.frames.append(QRectF(x, top + (rowHeight - heights[i]) / 2, layout.cellWidth, heights[i]));
        }
        top += rowHeight;
    }
    result.height = top;
    return result;
}

double ReorderLayout::placeholderHeight() const
{
    return m_learnedCellHeight > 0 ? m_learnedCellHeight : m_estimatedCellHeight;
}

void ReorderLayout::addCell(ReorderCell *cell)
{
    if (!m_cells.contains(cell))
        m_cells.append(cell);
    relayout();
}

void ReorderLayout::removeCell(ReorderCell *cell)
{
    if (m_cells.removeOne(cell))
        relayout();
}

void ReorderLayout::cellChanged()
{
    relayout();
}

void ReorderLayout::contentMade(QQuickItem *content)
{
    if (m_learnedCellHeight > 0 || content->implicitHeight() <= 0)
        return;
    m_learnedCellHeight = content->implicitHeight();
    Q_EMIT placeholderChanged();
}

void ReorderLayout::relayout()
{
    // Laying out moves cells and changes the grid's height, which may change
    // its width in turn (a scroll bar appears): such a change is taken up by
    // a few more passes here, never by a nested one.
    m_dirty = true;
    if (m_arranging || !isComponentComplete())
        return;
    m_arranging = true;
    for (int pass = 0; m_dirty && pass < 4; ++pass) {
        m_dirty = false;
        arrangeOnce();
    }
    m_arranging = false;
}

void ReorderLayout::arrangeOnce()
{
    QList<ReorderCell *> cells = m_cells;
    std::stable_sort(cells.begin(), cells.end(),
                     [](const ReorderCell *a, const ReorderCell *b) { return a->modelIndex() < b->modelIndex(); });
    QStringList ids;
    ids.reserve(cells.size());
    QHash<QString, ReorderCell *> byId;
    byId.reserve(cells.size());
    for (ReorderCell *cell : std::as_const(cells)) {
        // A repeated id keeps its first cell.
        if (!byId.contains(cell->itemId())) {
            byId.insert(cell->itemId(), cell);
            ids.append(cell->itemId());
        }
    }
    m_cellById = std::move(byId);
    const QStringList displayed = m_drag ? ReorderMath::sorted(ids, m_drag->order) : ids;

    QList<double> heights;
    heights.reserve(displayed.size());
    const double placeholder = placeholderHeight();
    for (const QString &id : displayed) {
        const double height = m_cellById.value(id)->contentHeight();
        heights.append(height >= 0 ? height : placeholder);
    }
    const Arrangement arrangement = arrange(heights, m_columns, width(), m_spacing);
    m_columnLayout = m_columns.layout(width());
    QHash<QString, QRectF> frames;
    frames.reserve(displayed.size());
    for (qsizetype i = 0; i < displayed.size(); ++i)
        frames.insert(displayed.at(i), arrangement.frames.at(i));

    const bool reordered = displayed != m_displayedIds;
    if (m_slideMoves != reordered) {
        m_slideMoves = reordered;
        Q_EMIT slideMovesChanged();
    }
    m_itemIds = ids;
    m_displayedIds = displayed;
    m_frames = std::move(frames);
    for (ReorderCell *cell : std::as_const(cells))
        cell->setFrame(m_cellById.value(cell->itemId()) == cell ? m_frames.value(cell->itemId()) : QRectF());
    setImplicitHeight(arrangement.height);
    updateDragContent();
    Q_EMIT arranged();
    scheduleReveal();
}

void ReorderLayout::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.width() != oldGeometry.width())
        relayout();
    else if (newGeometry.y() != oldGeometry.y())
        scheduleReveal();
}

void ReorderLayout::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemVisibleHasChanged)
        scheduleReveal();
}

void ReorderLayout::componentComplete()
{
    QQuickItem::componentComplete();
    relayout();
}

void ReorderLayout::scheduleReveal()
{
    if (m_revealPending)
        return;
    m_revealPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_revealPending = false;
            reveal();
        },
        Qt::QueuedConnection);
}

void ReorderLayout::reveal()
{
    if (!isVisible())
        return;
    // Looked up here, not at creation: views parent their header and
    // delegates only after making them.
    if (!m_viewport) {
        for (QQuickItem *item = parentItem(); item; item = item->parentItem()) {
            if (item->inherits("QQuickFlickable")) {
                setViewport(item);
                break;
            }
        }
    }
    double from = -std::numeric_limits<double>::infinity();
    double to = std::numeric_limits<double>::infinity();
    if (m_viewport) {
        const double top = mapToItem(m_viewport, QPointF(0, 0)).y();
        from = -top - m_revealMargin;
        to = m_viewport->height() - top + m_revealMargin;
    }
    // Making content changes heights and so the frames: go by a copy.
    const QList<ReorderCell *> cells = m_cells;
    for (ReorderCell *cell : cells) {
        if (cell->contentItem() || !m_cells.contains(cell))
            continue;
        const auto frame = m_frames.constFind(cell->itemId());
        if (frame == m_frames.cend() || (frame->bottom() >= from && frame->top() <= to))
            cell->reveal();
    }
}
