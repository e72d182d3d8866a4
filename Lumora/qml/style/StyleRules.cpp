#include "StyleRules.h"

#include "Symbols.h"
#include "Theme.h"

Glow StyleRules::glow(const QList<QColor> &colors, const QVariant &brightness) const
{
    QList<HueRGB> list;
    list.reserve(colors.size());
    for (const auto &color : colors)
        list.append(Theme::rgb(color));
    bool ok = false;
    const double percent = brightness.isNull() ? 0 : brightness.toDouble(&ok);
    return Glow::make(list, ok ? std::optional(percent) : std::nullopt);
}

CardInk StyleRules::ink(const QVariant &glow, bool dimmed) const
{
    if (glow.metaType() == QMetaType::fromType<Glow>())
        return CardInk::make(glow.value<Glow>(), dimmed);
    return CardInk::make(std::nullopt, dimmed);
}

QStringList StyleRules::symbolNames() const
{
    return Symbols::names();
}
