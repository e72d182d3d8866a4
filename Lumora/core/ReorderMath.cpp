#include "ReorderMath.h"

namespace ReorderMath {

QStringList sorted(QStringList ids, const QStringList &order)
{
    return sorted(std::move(ids), order, [](const QString &id) -> const QString & { return id; });
}

std::optional<QString> target(QPointF point, const QHash<QString, QRectF> &frames, const QString &dragged)
{
    for (auto it = frames.cbegin(); it != frames.cend(); ++it) {
        if (it.key() == dragged)
            continue;
        // QRectF::contains() counts the right and bottom edges as inside,
        // which would let two neighbouring cells both claim a border point.
        const QRectF frame = it.value().normalized();
        if (point.x() >= frame.left() && point.x() < frame.right() && point.y() >= frame.top()
            && point.y() < frame.bottom())
            return it.key();
    }
    return std::nullopt;
}

std::optional<QStringList> move(const QString &dragged, const QString &target, const QStringList &order)
{
    if (dragged == target)
        return std::nullopt;
    const qsizetype from = order.indexOf(dragged);
    const qsizetype to = order.indexOf(target);
    if (from < 0 || to < 0)
        return std::nullopt;
    QStringList result = order;
    result.move(from, to);
    return result;
}

std::optional<QStringList> step(const QString &id, qsizetype step, const QStringList &order)
{
    const qsizetype i = order.indexOf(id);
    if (i < 0)
        return std::nullopt;
    // Compare before adding so that an absurd step cannot overflow.
    if (step < -i || step > order.size() - 1 - i)
        return std::nullopt;
    QStringList result = order;
    result.swapItemsAt(i, i + step);
    return result;
}

} // namespace ReorderMath
