#include "HomeRows.h"

#include "Appearance.h"
#include "CardRules.h"
#include "HueGroup.h"
#include "HueText.h"
#include "Theme.h"

using namespace Qt::StringLiterals;

QVariant qmlValue(const HueMirekRange &range)
{
    return QVariantMap{{u"minimum"_s, range.minimum}, {u"maximum"_s, range.maximum}};
}

GroupRow GroupRow::of(const HueGroup &group, bool isFavorite)
{
    return {.groupId = group.id,
            .name = group.name,
            .kind = HueGroup::kindName(group.kind),
            .symbol = Appearance::symbol(group),
            .isOn = group.isOn,
            .brightness = group.brightness,
            .glow = Appearance::glow(group),
            .summary = Appearance::summary(group),
            .hasColorButton = CardRules::hasColorButton(group),
            .supportsColor = CardRules::supportsColor(group),
            .colorRange = CardRules::colorRange(group),
            .pickerColor = Theme::color(CardRules::pickerColor(group)),
            .isFavorite = isFavorite,
            .lightCount = int(group.lights.size()),
            .sceneCount = int(group.scenes.size()),
            .openLabel = HueText::tr(group.name + u" öffnen"_s, u"Open "_s + group.name)};
}

QHash<int, QByteArray> GroupRow::roleNames()
{
    return {{GroupIdRole, "groupId"},
            {NameRole, "name"},
            {KindRole, "kind"},
            {SymbolRole, "symbol"},
            {IsOnRole, "isOn"},
            {BrightnessRole, "brightness"},
            {GlowRole, "glow"},
            {SummaryRole, "summary"},
            {HasColorButtonRole, "hasColorButton"},
            {SupportsColorRole, "supportsColor"},
            {ColorRangeRole, "colorRange"},
            {PickerColorRole, "pickerColor"},
            {IsFavoriteRole, "isFavorite"},
            {LightCountRole, "lightCount"},
            {SceneCountRole, "sceneCount"},
            {OpenLabelRole, "openLabel"}};
}

LightRow LightRow::of(const HueLight &light, bool isFavorite)
{
    std::optional<Glow> glow;
    if (light.isOn && light.isReachable)
        glow = Glow::make({light.surfaceColor()}, light.brightness);
    return {.lightId = light.id,
            .name = light.name,
            .symbol = Appearance::symbol(light),
            .isOn = light.isOn,
            .brightness = light.brightness,
            .isReachable = light.isReachable,
            .glow = std::move(glow),
            .displayColor = Theme::color(light.displayColor()),
            .supportsColor = light.supportsColor,
            .mirek = light.mirek,
            .mirekRange = light.mirekRange,
            .canChangeColor = CardRules::canChangeColor(light),
            .isFavorite = isFavorite};
}

QHash<int, QByteArray> LightRow::roleNames()
{
    return {{LightIdRole, "lightId"},
            {NameRole, "name"},
            {SymbolRole, "symbol"},
            {IsOnRole, "isOn"},
            {BrightnessRole, "brightness"},
            {IsReachableRole, "isReachable"},
            {GlowRole, "glow"},
            {DisplayColorRole, "displayColor"},
            {SupportsColorRole, "supportsColor"},
            {MirekRole, "mirek"},
            {MirekRangeRole, "mirekRange"},
            {CanChangeColorRole, "canChangeColor"},
            {IsFavoriteRole, "isFavorite"}};
}

SceneRow SceneRow::of(const HueScene &scene, std::optional<QString> groupName, bool isFavorite)
{
    return {.sceneId = scene.id,
            .name = scene.name,
            .groupId = scene.groupID,
            .groupName = std::move(groupName),
            .isActive = scene.isActive,
            .swatch = Glow::make(CardRules::swatch(scene), std::nullopt),
            .isFavorite = isFavorite};
}

QHash<int, QByteArray> SceneRow::roleNames()
{
    return {{SceneIdRole, "sceneId"},      {NameRole, "name"},         {GroupIdRole, "groupId"},
            {GroupNameRole, "groupName"},  {IsActiveRole, "isActive"}, {SwatchRole, "swatch"},
            {IsFavoriteRole, "isFavorite"}};
}
