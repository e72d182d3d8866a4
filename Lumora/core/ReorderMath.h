#pragma once

#include <QHash>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <concepts>
#include <limits>
#include <optional>

/// Pure rules behind every reorderable grid: sorting items by a saved order of
/// ids and moving ids while the user drags or steps an item.
namespace ReorderMath {

/// Items whose id appears in `order` come first, in the order's sequence (the
/// first occurrence of a repeated id counts); every other item follows in its
/// incoming relative order. Ids in `order` that match no item are ignored.
template<typename T, typename IdOf>
QList<T> sorted(QList<T> items, const QStringList &order, IdOf idOf)
{
    if (order.isEmpty() || items.size() < 2)
        return items;
    QHash<QString, qsizetype> rank;
    rank.reserve(order.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        if (!rank.contains(order.at(i)))
            rank.insert(order.at(i), i);
    constexpr auto unranked = std::numeric_limits<qsizetype>::max();
    const auto rankOf = [&](const T &item) { return rank.value(idOf(item), unranked); };
    std::stable_sort(items.begin(), items.end(), [&](const T &a, const T &b) { return rankOf(a) < rankOf(b); });
    return items;
}

/// The same for any item that carries its id in a string member `id`.
template<typename T>
requires requires(const T &item)
{
    {
        item.id
        } -> std::convertible_to<QString>;
}
QList<T> sorted(QList<T> items, const QStringList &order)
{
    return sorted(std::move(items), order, [](const T &item) -> const QString & { return item.id; });
}

/// The same for plain lists of ids.
QStringList sorted(QStringList ids, const QStringList &order);

/// The id whose frame contains `point`, skipping `dragged`. A frame contains
/// its top and left edges but not its bottom and right ones, so a point on
/// the border between two adjacent cells belongs to exactly one of them.
std::optional<QString> target(QPointF point, const QHash<QString, QRectF> &frames, const QString &dragged);

/// `order` with `dragged` taken out and put into the slot `target` held, or
/// nothing when the two are equal or either is missing from `order`.
std::optional<QStringList> move(const QString &dragged, const QString &target, const QStringList &order);

/// `order` with `id` swapped with its neighbour `step` places away, or nothing
/// when `id` is missing or the neighbour would lie outside the list.
std::optional<QStringList> step(const QString &id, qsizetype step, const QStringList &order);

} // namespace ReorderMath
