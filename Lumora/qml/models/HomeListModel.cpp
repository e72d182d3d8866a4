#include "HomeListModel.h"

#include "Appearance.h"
#include "CardRules.h"
#include "HueText.h"
#include "LumoraStore.h"
#include "Theme.h"

using namespace Qt::StringLiterals;

namespace {

QVariant nullable(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant::fromValue(nullptr);
}

QVariant nullable(const std::optional<int> &value)
{
    return value ? QVariant(*value) : QVariant::fromValue(nullptr);
}

QVariant rangeOf(const std::optional<HueMirekRange> &range)
{
    if (!range)
        return QVariant::fromValue(nullptr);
    return QVariantMap{{u"minimum"_s, range->minimum}, {u"maximum"_s, range->maximum}};
}

QVariant glowOf(const std::optional<Glow> &glow)
{
    return glow ? QVariant::fromValue(*glow) : QVariant::fromValue(nullptr);
}

} // namespace

void HomeListModel::setStore(LumoraStore *store)
{
    if (m_store == store)
        return;
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
    m_store = store;
    if (m_store) {
        connect(m_store, &LumoraStore::snapshotChanged, this, &HomeListModel::refill);
        connect(m_store->favorites(), &FavoritesStore::itemsChanged, this, &HomeListModel::refill);
        connect(m_store->order(), &OrderStore::ordersChanged, this, &HomeListModel::refill);
    }
    Q_EMIT storeChanged();
    refill();
}

void HomeListModel::componentComplete()
{
    m_completing = false;
    refill();
}

void HomeListModel::refill()
{
    // Properties set one by one while QML builds the model would each fill
    // it; the first fill waits until all of them are known.
    if (m_completing)
        return;
    if (!m_store) {
        apply({});
        return;
    }
    QList<Row> list = rows();
    const QString name = orderList();
    if (!name.isEmpty()) {
        const auto saved = m_store->order()->orders().constFind(name);
        if (saved != m_store->order()->orders().cend()) {
            list = ReorderMath::sorted(std::move(list), *saved);
        }
    }
    apply(std::move(list));
}

void HomeListModel::saveOrder(const QStringList &ids)
{
    const QString name = orderList();
    if (m_store && !name.isEmpty())
        m_store->saveOrder(name, ids);
}

QList<QByteArray> HomeListModel::groupRoles()
{
    return {"name",        "kind",       "symbol",         "isOn",          "brightness",
            "glow",        "summary",    "hasColorButton", "supportsColor", "colorRange",
            "pickerColor", "isFavorite", "lightCount",     "sceneCount",    "openLabel"};
}

QVariantList HomeListModel::groupValues(const HueGroup &group, bool isFavorite)
{
    return {group.name,
            HueGroup::kindName(group.kind),
            Appearance::symbol(group),
            group.isOn,
            nullable(group.brightness),
            glowOf(Appearance::glow(group)),
            Appearance::summary(group),
            CardRules::hasColorButton(group),
            CardRules::supportsColor(group),
            rangeOf(CardRules::colorRange(group)),
            Theme::color(CardRules::pickerColor(group)),
            isFavorite,
            int(group.lights.size()),
            int(group.scenes.size()),
            HueText::tr(group.name + u" öffnen"_s, u"Open "_s + group.name)};
}

QList<QByteArray> HomeListModel::lightRoles()
{
    return {"name",         "symbol",        "isOn",  "brightness", "isReachable",    "glow",
            "displayColor", "supportsColor", "mirek", "mirekRange", "canChangeColor", "isFavorite"};
}

QVariantList HomeListModel::lightValues(const HueLight &light, bool isFavorite)
{
    std::optional<Glow> glow;
    if (light.isOn && light.isReachable)
        glow = Glow::make({light.surfaceColor()}, light.brightness);
    return {light.name,
            Appearance::symbol(light),
            light.isOn,
            nullable(light.brightness),
            light.isReachable,
            glowOf(glow),
            Theme::color(light.displayColor()),
            light.supportsColor,
            nullable(light.mirek),
            rangeOf(light.mirekRange),
            CardRules::canChangeColor(light),
            isFavorite};
}

QList<QByteArray> HomeListModel::sceneRoles()
{
    return {"name", "groupId", "groupName", "isActive", "swatch", "isFavorite"};
}

QVariantList HomeListModel::sceneValues(const HueScene &scene, const QVariant &groupName, bool isFavorite)
{
    return {scene.name,
            scene.groupID,
            groupName,
            scene.isActive,
            QVariant::fromValue(Glow::make(CardRules::swatch(scene), std::nullopt)),
            isFavorite};
}
