#include "Appearance.h"

#include "HueText.h"

#include <QStringView>

#include <algorithm>
#include <initializer_list>

using namespace Qt::StringLiterals;

namespace Appearance {

namespace {

struct SymbolRow
{
    std::initializer_list<QStringView> archetypes;
    QStringView symbol;
};

// First matching row wins; archetypes are compared exactly.
const SymbolRow groupSymbols[] = {
    {{u"living_room", u"lounge", u"tv", u"recreation", u"man_cave"}, u"sofa.fill"},
    {{u"kitchen", u"dining"}, u"fork.knife"},
    {{u"bedroom", u"guest_room"}, u"bed.double.fill"},
    {{u"kids_bedroom", u"nursery"}, u"teddybear.fill"},
    {{u"bathroom", u"toilet"}, u"shower.fill"},
    {{u"office", u"computer", u"studio"}, u"chair.fill"},
    {{u"hallway", u"front_door", u"staircase", u"closet"}, u"hanger"},
    {{u"garden", u"terrace", u"balcony", u"pool", u"porch", u"barbecue"}, u"tree.fill"},
    {{u"garage", u"carport", u"driveway"}, u"car.fill"},
    {{u"storage", u"laundry_room", u"attic"}, u"archivebox.fill"},
    {{u"gym"}, u"dumbbell.fill"},
};

const SymbolRow lightSymbols[] = {
    {{u"hue_go", u"hue_bloom", u"hue_iris", u"table_shade", u"table_wash", u"hue_play"}, u"lamp.table.fill"},
    {{u"floor_shade", u"floor_lantern", u"hue_signe"}, u"lamp.floor.fill"},
    {{u"ceiling_round", u"ceiling_square", u"pendant_round", u"pendant_long", u"flexible_lamp"}, u"lamp.ceiling.fill"},
    {{u"hue_lightstrip", u"hue_lightstrip_tv", u"hue_lightstrip_pc", u"hue_tube"}, u"light.strip.2.fill"},
    {{u"recessed_ceiling", u"recessed_floor", u"single_spot", u"double_spot"}, u"light.recessed.fill"},
    {{u"plug"}, u"powerplug.fill"},
};

template<std::size_t N>
std::optional<QString> lookUp(const SymbolRow (&rows)[N], const std::optional<QString> &archetype)
{
    if (!archetype)
        return std::nullopt;
    for (const auto &row : rows) {
        if (std::ranges::find(row.archetypes, QStringView(*archetype)) != row.archetypes.end())
            return row.symbol.toString();
    }
    return std::nullopt;
}

} // namespace

std::optional<Glow> glow(const HueGroup &group)
{
    if (!group.isOn)
        return std::nullopt;
    QList<HueRGB> colors;
    for (const auto &light : group.lights) {
        if (!light.isOn)
            continue;
        const auto tint = light.surfaceColor();
        if (!colors.contains(tint))
            colors.append(tint);
    }
    if (colors.size() >= 5)
        colors.resize(4);
    return Glow::make(colors, group.brightness);
}

QString summary(const HueGroup &group)
{
    const auto total = group.lights.size();
    const auto lit = std::ranges::count_if(group.lights, [](const HueLight &light) { return light.isOn; });
    if (total == 0)
        return HueText::tr(u"Keine Lampen"_s, u"No lights"_s);
    if (lit == 0)
        return HueText::tr(u"Alle Lampen aus"_s, u"All lights off"_s);
    if (lit == total)
        return HueText::tr(u"Alle Lampen an"_s, u"All lights on"_s);
    const QString k = QString::number(lit);
    const QString n = QString::number(total);
    return HueText::tr(k + u" von "_s + n + u" Lampen an"_s, k + u" of "_s + n + u" lights on"_s);
}

QString symbol(const HueGroup &group)
{
    if (group.kind == HueGroup::Kind::home)
        return u"house.fill"_s;
    if (auto found = lookUp(groupSymbols, group.archetype))
        return *found;
    return group.kind == HueGroup::Kind::zone ? u"square.3.layers.3d"_s : u"lightbulb.2.fill"_s;
}

QString symbol(const HueLight &light)
{
    return lookUp(lightSymbols, light.archetype).value_or(u"lightbulb.fill"_s);
}

} // namespace Appearance
