#include "Group.h"

using namespace Qt::StringLiterals;

namespace {

/// Takes the new value and says whether it differs from the old one.
template<typename T>
bool replace(T &field, T value)
{
    if (field == value)
        return false;
    field = std::move(value);
    return true;
}

} // namespace

Group::Group(QObject *parent)
    : QObject(parent)
{
}

void Group::setStore(LumoraStore *store)
{
    if (m_store == store)
        return;
    if (m_store) {
        disconnect(m_store, nullptr, this, nullptr);
        disconnect(m_store->favorites(), nullptr, this, nullptr);
    }
    m_store = store;
    if (m_store) {
        connect(m_store, &LumoraStore::snapshotChanged, this, &Group::update);
        connect(m_store->favorites(), &FavoritesStore::itemsChanged, this, &Group::update);
    }
    Q_EMIT storeChanged();
    update();
}

void Group::setGroupId(const QString &id)
{
    if (m_groupId == id)
        return;
    m_groupId = id;
    Q_EMIT groupIdChanged();
    update();
}

QVariant Group::brightness() const
{
    return m_values.brightness ? QVariant(*m_values.brightness) : QVariant::fromValue(nullptr);
}

QVariant Group::glow() const
{
    return m_values.glow ? QVariant::fromValue(*m_values.glow) : QVariant::fromValue(nullptr);
}

QVariant Group::colorRange() const
{
    const auto &range = m_values.colorRange;
    if (!range)
        return QVariant::fromValue(nullptr);
    return QVariantMap{{u"minimum"_s, range->minimum}, {u"maximum"_s, range->maximum}};
}

GroupRow Group::none()
{
    // No group: a picker would start from white.
    GroupRow row;
    row.pickerColor = Qt::white;
    return row;
}

void Group::update()
{
    const HueGroup *group = m_store ? m_store->snapshot().group(m_groupId) : nullptr;
    GroupRow next = group ? m_store->groupRow(*group) : none();
    if (replace(m_values.name, std::move(next.name)))
        Q_EMIT nameChanged();
    if (replace(m_values.kind, std::move(next.kind)))
        Q_EMIT kindChanged();
    if (replace(m_values.symbol, std::move(next.symbol)))
        Q_EMIT symbolChanged();
    if (replace(m_values.summary, std::move(next.summary)))
        Q_EMIT summaryChanged();
    if (replace(m_values.isOn, std::move(next.isOn)))
        Q_EMIT isOnChanged();
    if (replace(m_values.brightness, std::move(next.brightness)))
        Q_EMIT brightnessChanged();
    if (replace(m_values.glow, std::move(next.glow)))
        Q_EMIT glowChanged();
    if (replace(m_values.hasColorButton, std::move(next.hasColorButton)))
        Q_EMIT hasColorButtonChanged();
    if (replace(m_values.supportsColor, std::move(next.supportsColor)))
        Q_EMIT supportsColorChanged();
    if (replace(m_values.colorRange, std::move(next.colorRange)))
        Q_EMIT colorRangeChanged();
    if (replace(m_values.pickerColor, std::move(next.pickerColor)))
        Q_EMIT pickerColorChanged();
    if (replace(m_values.isFavorite, std::move(next.isFavorite)))
        Q_EMIT isFavoriteChanged();
}
