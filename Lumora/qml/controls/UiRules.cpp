#include "UiRules.h"

#include "GridColumns.h"
#include "HueText.h"
#include "ReorderMath.h"

#include <QRectF>

using namespace Qt::StringLiterals;

namespace {

std::optional<double> numberOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

QVariant listOrNull(const std::optional<QStringList> &list)
{
    return list ? QVariant(*list) : QVariant::fromValue(nullptr);
}

} // namespace

QString UiRules::tr(const QString &german, const QString &english) const
{
    return HueText::tr(german, english);
}

QVariantMap UiRules::columns(double width, double minimum, const QVariant &maximum, double spacing) const
{
    const auto layout = GridColumns{minimum, numberOf(maximum), spacing}.layout(width);
    return {{u"count"_s, layout.count}, {u"cellWidth"_s, layout.cellWidth}, {u"leading"_s, layout.leading}};
}

QString UiRules::reorderTarget(double x, double y, const QVariantMap &frames, const QString &dragged) const
{
    QHash<QString, QRectF> rects;
    rects.reserve(frames.size());
    for (auto it = frames.cbegin(); it != frames.cend(); ++it)
        rects.insert(it.key(), it.value().toRectF());
    return ReorderMath::target({x, y}, rects, dragged).value_or(QString());
}

QVariant UiRules::reorderMove(const QString &dragged, const QString &target, const QStringList &order) const
{
    return listOrNull(ReorderMath::move(dragged, target, order));
}

QVariant UiRules::reorderStep(const QString &id, int step, const QStringList &order) const
{
    return listOrNull(ReorderMath::step(id, step, order));
}

QStringList UiRules::reorderSorted(const QStringList &ids, const QStringList &order) const
{
    return ReorderMath::sorted(ids, order);
}
