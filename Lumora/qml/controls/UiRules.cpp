#include "UiRules.h"

#include "BrightnessSlider.h"
#include "ColorWheel.h"
#include "GridColumns.h"
#include "HueText.h"
#include "ReorderMath.h"
#include "Symbols.h"
#include "Theme.h"
#include "WhiteToneSlider.h"

#include <QRectF>

using namespace Qt::StringLiterals;

namespace {

QList<QColor> colorsOf(const QList<HueRGB> &list)
{
    QList<QColor> result;
    result.reserve(list.size());
    for (const auto &rgb : list)
        result.append(Theme::color(rgb));
    return result;
}

std::optional<double> numberOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

HueMirekRange rangeOf(int minimum, int maximum)
{
    return {minimum, maximum};
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

QVariantMap UiRules::cardColumns() const
{
    const auto set = GridColumns::cards();
    return {{u"minimum"_s, set.minimum}, {u"spacing"_s, set.spacing}};
}

QVariantMap UiRules::tileColumns() const
{
    const auto set = GridColumns::tiles();
    return {{u"minimum"_s, set.minimum}, {u"spacing"_s, set.spacing}};
}

QStringList UiRules::symbolNames() const
{
    return Symbols::names();
}

Glow UiRules::glow(const QList<QColor> &colors, const QVariant &brightness) const
{
    QList<HueRGB> list;
    list.reserve(colors.size());
    for (const auto &color : colors)
        list.append(Theme::rgb(color));
    return Glow::make(list, numberOf(brightness));
}

bool UiRules::sameGlow(const QVariant &a, const QVariant &b) const
{
    const auto glowOf = [](const QVariant &value) -> std::optional<Glow> {
        if (value.metaType() == QMetaType::fromType<Glow>())
            return value.value<Glow>();
        return std::nullopt;
    };
    return glowOf(a) == glowOf(b);
}

double UiRules::brightnessFill(double width, double shown) const
{
    return BrightnessSlider::fill(width, shown);
}

double UiRules::brightnessAt(double x, double width) const
{
    return BrightnessSlider::value(x, width);
}

double UiRules::brightnessForAccessibility(double value) const
{
    return BrightnessSlider::accessibilityValue(value);
}

QList<QColor> UiRules::wheelHues() const
{
    return colorsOf(ColorWheel::hues());
}

QVariantMap UiRules::wheelPick(double x, double y, double centerX, double centerY, double radius) const
{
    const auto pick = ColorWheel::pick({x, y}, {centerX, centerY}, radius);
    return {{u"x"_s, pick.marker.x()}, {u"y"_s, pick.marker.y()}, {u"color"_s, Theme::color(pick.color)}};
}

QPointF UiRules::wheelPoint(const QColor &color, double centerX, double centerY, double radius) const
{
    return ColorWheel::point(Theme::rgb(color), {centerX, centerY}, radius);
}

QVariantMap UiRules::whiteToneBounds(int minimum, int maximum) const
{
    const auto bounds = WhiteToneSlider::bounds(rangeOf(minimum, maximum));
    return {{u"lower"_s, bounds.lower}, {u"upper"_s, bounds.upper}};
}

double UiRules::whiteToneShown(const QVariant &mirek, int minimum, int maximum) const
{
    const auto number = numberOf(mirek);
    return WhiteToneSlider::shown(number ? std::optional(int(std::lround(*number))) : std::nullopt,
                                  rangeOf(minimum, maximum));
}

int UiRules::whiteToneMirek(double value, int minimum, int maximum) const
{
    return WhiteToneSlider::mirek(value, rangeOf(minimum, maximum));
}

QList<QColor> UiRules::whiteToneStops(int minimum, int maximum) const
{
    return colorsOf(WhiteToneSlider::stops(rangeOf(minimum, maximum)));
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
