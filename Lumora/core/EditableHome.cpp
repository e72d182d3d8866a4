#include "EditableHome.h"

#include <algorithm>

namespace {

// What a light or grouped-light resource looks like after the bridge has
// carried out a command.
void applyCommand(HueResource &resource, const HueLightCommand &command)
{
    if (command.isOn)
        resource.isOn = command.isOn;
    if (command.brightness)
        resource.brightness = command.brightness;
    if (command.xy) {
        resource.xy = command.xy;
        // The light now shows a colour, not a white temperature.
        if (resource.colorTemperature)
            resource.colorTemperature->mirek.reset();
    }
    // Without a temperature record the resource cannot show a mirek; it is
    // not invented here.
    if (command.mirek && resource.colorTemperature)
        resource.colorTemperature->mirek = command.mirek;
}

} // namespace

void EditableHome::hold(const QString &id, Instant now)
{
    holds.insert(id, now + holdTime);
}

void EditableHome::change(const QString &lightID, const HueLightCommand &command, Instant now)
{
    hold(lightID, now);
    home.update(lightID, [&command](HueResource &resource) { applyCommand(resource, command); });
}

void EditableHome::syncGroups(const QSet<QString> &lightIDs, const std::optional<QString> &skipped, Instant now)
{
    if (lightIDs.isEmpty())
        return;
    // Only the membership of the groups that list a changed light matters
    // here: a slider movement on one light costs what its room, zones and
    // the home cost, not what the whole home does.
    const QList<HueHome::GroupMembers> groups = home.groupsContaining(lightIDs);
    for (const HueHome::GroupMembers &group : groups) {
        if (!group.groupedLightID || group.groupedLightID == skipped || group.lightIDs.isEmpty())
            continue;

        bool anyOn = false;
        double sum = 0;
        int samples = 0;
        for (const QString &id : group.lightIDs) {
            const auto light = home.resources.constFind(id);
            if (light == home.resources.cend())
                continue;
            const bool isOn = light->isOn.value_or(false);
            anyOn = anyOn || isOn;
            if (isOn && light->brightness) {
                sum += *light->brightness;
                ++samples;
            }
        }
        hold(*group.groupedLightID, now);
        home.update(*group.groupedLightID, [&](HueResource &groupedLight) {
            groupedLight.isOn = anyOn;
            // A grouped light that never reported a brightness (on/off only
            // lights) does not get one.
            if (samples > 0 && groupedLight.brightness)
                groupedLight.brightness = sum / samples;
        });
    }
}

void EditableHome::applyLocallyToLight(const HueLightCommand &command, const QString &lightID, Instant now)
{
    change(lightID, command, now);
    syncGroups({lightID}, std::nullopt, now);
}

void EditableHome::applyLocallyToGroupedLight(const HueLightCommand &command, const QString &groupedLightID,
                                              Instant now)
{
    hold(groupedLightID, now);
    home.update(groupedLightID, [&command](HueResource &resource) { applyCommand(resource, command); });

    // The members as they were before this command. Resolving the owning
    // group once, rather than each member light on its own, keeps a command
    // to the whole home linear in the number of lights; a member's own change
    // never alters what another member takes from the command.
    QList<HueLight> members;
    const auto groupedLight = home.resources.constFind(groupedLightID);
    if (groupedLight != home.resources.cend() && groupedLight->owner) {
        if (const auto group = home.group(groupedLight->owner->rid))
            members = group->lights;
    }

    QSet<QString> memberIDs;
    memberIDs.reserve(members.size());
    for (const HueLight &light : members) {
        HueLightCommand own;
        own.isOn = command.isOn;
        // Dimming an off light would not show; it takes the brightness only
        // when the same command switches it on.
        if (light.brightness && (command.isOn == true || light.isOn))
            own.brightness = command.brightness;
        if (light.supportsColor)
            own.xy = command.xy;
        if (light.supportsColorTemperature())
            own.mirek = command.mirek;
        change(light.id, own, now);
        memberIDs.insert(light.id);
    }
    syncGroups(memberIDs, groupedLightID, now);
}

void EditableHome::applyLocallyScene(const QString &sceneID, Instant now)
{
    const std::optional<HueScene> scene = home.scene(sceneID);
    if (!scene)
        return;
    QSet<QString> lightIDs;
    const QList<HueSceneAction> actions = home.sceneActions(sceneID);
    for (const HueSceneAction &action : actions) {
        change(action.lightID, action.command, now);
        lightIDs.insert(action.lightID);
    }
    // The bridge makes the recalled scene the only active one of its group.
    if (const auto group = home.group(scene->groupID)) {
        for (const HueScene &sibling : group->scenes) {
            const bool active = sibling.id == sceneID;
            home.update(sibling.id, [active](HueResource &resource) { resource.sceneActive = active; });
        }
    }
    syncGroups(lightIDs, std::nullopt, now);
}

void EditableHome::releaseExpired(Instant now)
{
    QList<HueResource> released;
    for (auto hold = holds.begin(); hold != holds.end();) {
        if (hold.value() > now) {
            ++hold;
            continue;
        }
        if (const auto report = deferred.constFind(hold.key()); report != deferred.cend()) {
            released.append(report.value());
            deferred.erase(report);
        }
        hold = holds.erase(hold);
    }
    for (const HueResource &report : released)
        home.apply(HueEvent{HueEvent::Kind::update, {report}});
}

std::optional<EditableHome::Instant> EditableHome::nextRelease() const
{
    if (holds.isEmpty())
        return std::nullopt;
    return *std::min_element(holds.cbegin(), holds.cend());
}

bool EditableHome::receive(const QList<HueEvent> &events, Instant now)
{
    releaseExpired(now);
    bool placed = true;
    for (const HueEvent &event : events) {
        switch (event.kind) {
        case HueEvent::Kind::delete_:
            // A deleted resource has nothing left to hold back.
            for (const HueResource &resource : event.resources) {
                holds.remove(resource.id);
                deferred.remove(resource.id);
            }
            placed = home.apply(event) && placed;
            break;
        case HueEvent::Kind::add:
        case HueEvent::Kind::other:
            placed = home.apply(event) && placed;
            break;
        case HueEvent::Kind::update: {
            HueEvent unheld{HueEvent::Kind::update, {}};
            for (const HueResource &resource : event.resources) {
                if (!holds.contains(resource.id)) {
                    unheld.resources.append(resource);
                    continue;
                }
                auto entry = deferred.find(resource.id);
                if (entry == deferred.end())
                    entry = deferred.insert(resource.id, HueResource(resource.id, resource.type));
                entry->merge(resource);
            }
            placed = home.apply(unheld) && placed;
            break;
        }
        }
    }
    return placed;
}

void EditableHome::replace(const QList<HueResource> &resources, Instant now)
{
    HueHome old = std::move(home);
    home = HueHome(resources);
    for (auto hold = holds.cbegin(); hold != holds.cend(); ++hold) {
        const QString &id = hold.key();
        const auto local = old.resources.constFind(id);
        const auto reloaded = home.resources.constFind(id);
        if (local == old.resources.cend() || reloaded == home.resources.cend())
            continue;
        deferred.insert(id, reloaded.value());
        const HueResource &kept = local.value();
        home.update(id, [&kept](HueResource &resource) { resource = kept; });
    }
    releaseExpired(now);
}
