#include "HueHome.h"

#include "HueHomeIndex.h"
#include "HueHomeResolver.h"

#include <algorithm>

HueHome::HueHome(const QList<HueResource> &list)
{
    resources.reserve(list.size());
    for (const HueResource &resource : list) {
        if (isModelledType(resource.type))
            resources.insert(resource.id, resource);
    }
}

bool HueHome::isModelledType(const QString &type)
{
    return HueHomeIndex::typeOf(type) != HueHomeIndex::Type::none;
}

std::shared_ptr<const HueHomeIndex> HueHome::keptIndex() const
{
    std::shared_ptr<const HueHomeIndex> kept = m_index.load();
    return kept && kept->structure == resources.structure() ? kept : nullptr;
}

std::shared_ptr<const HueHomeIndex> HueHome::index() const
{
    if (std::shared_ptr<const HueHomeIndex> kept = keptIndex())
        return kept;
    std::shared_ptr<const HueHomeIndex> built = HueHomeIndex::build(resources);
    m_index.store(built);
    return built;
}

bool HueHome::apply(const HueEvent &event)
{
    bool placed = true;
    for (const HueResource &resource : event.resources) {
        if (!isModelledType(resource.type))
            continue;
        switch (event.kind) {
        case HueEvent::Kind::delete_:
            resources.remove(resource.id);
            break;
        case HueEvent::Kind::add:
            resources.insert(resource.id, resource);
            break;
        case HueEvent::Kind::update:
            if (!resources.modify(resource.id, [&resource](HueResource &stored) { stored.merge(resource); }))
                placed = false;
            break;
        case HueEvent::Kind::other:
            break;
        }
    }
    return placed;
}

QList<HueGroup> HueHome::rooms() const
{
    return HueHomeResolver(*this).groups(HueGroup::Kind::room);
}

QList<HueGroup> HueHome::zones() const
{
    return HueHomeResolver(*this).groups(HueGroup::Kind::zone);
}

std::optional<HueGroup> HueHome::home() const
{
    return HueHomeResolver(*this).homeGroup();
}

QList<HueGroup> HueHome::allGroups() const
{
    return HueHomeResolver(*this).allGroups();
}

QList<HueHome::GroupMembers> HueHome::groupMembers() const
{
    return index()->groups;
}

QList<HueHome::GroupMembers> HueHome::groupsContaining(const QSet<QString> &lightIDs) const
{
    const std::shared_ptr<const HueHomeIndex> index = this->index();
    QList<qsizetype> positions;
    for (const QString &id : lightIDs)
        positions.append(index->groupsByLight.value(id));
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    QList<GroupMembers> groups;
    groups.reserve(positions.size());
    for (const qsizetype position : std::as_const(positions))
        groups.append(index->groups.at(position));
    return groups;
}

std::optional<HueGroup> HueHome::group(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend())
        return std::nullopt;
    return HueHomeResolver(*this).group(found.value());
}

std::optional<HueLight> HueHome::light(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend() || HueHomeIndex::typeOf(found->type) != HueHomeIndex::Type::light)
        return std::nullopt;
    return HueHomeResolver(*this).light(found.value());
}

QList<HueLight> HueHome::lights() const
{
    return HueHomeResolver(*this).allLights();
}

std::optional<HueScene> HueHome::scene(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend() || HueHomeIndex::typeOf(found->type) != HueHomeIndex::Type::scene)
        return std::nullopt;
    return HueHomeResolver(*this).scene(found.value());
}

QList<HueSceneAction> HueHome::sceneActions(const QString &id) const
{
    const auto found = resources.constFind(id);
    if (found == resources.cend() || !found->sceneActions)
        return {};
    return *found->sceneActions;
}

QList<HueSceneAction> HueHome::currentLightAsSceneActions(const QString &groupID) const
{
    const std::optional<HueGroup> group = this->group(groupID);
    if (!group)
        return {};
    QList<HueSceneAction> actions;
    actions.reserve(group->lights.size());
    for (const HueLight &light : group->lights) {
        HueLightCommand command;
        command.isOn = light.isOn;
        if (light.isOn) {
            command.brightness = light.brightness;
            // A scene action carries one kind of colour; the temperature wins,
            // as it does for what the light shows.
            if (light.mirek)
                command.mirek = light.mirek;
            else
                command.xy = light.xy;
        }
        actions.append(HueSceneAction{light.id, command});
    }
    return actions;
}
