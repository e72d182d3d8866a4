#include "CtlWatch.h"

#include "CtlConnection.h"
#include "CtlFailure.h"
#include "CtlFormat.h"
#include "HueCancelledError.h"
#include "HueStore.h"
#include "HueText.h"

#include <QDateTime>
#include <QMap>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace CtlWatch {

namespace {

/// Keyed by name first so that the output comes in a stable, readable order.
template<typename T>
QMap<QString, T> byID(const QList<T> &items)
{
    QMap<QString, T> map;
    for (const T &item : items)
        map.insert(item.id, item);
    return map;
}

QList<HueScene> scenesOf(const HueHome &home)
{
    QList<HueScene> scenes;
    for (const HueResource &resource : home.resources) {
        if (resource.type == "scene"_L1) {
            if (const auto scene = home.scene(resource.id))
                scenes.append(*scene);
        }
    }
    return scenes;
}

QList<HueGroup> groupsOf(const HueHome &home)
{
    QList<HueGroup> groups;
    for (const HueResource &resource : home.resources) {
        if (resource.type == "room"_L1 || resource.type == "zone"_L1 || resource.type == "bridge_home"_L1) {
            if (const auto group = home.group(resource.id)) {
                HueGroup own = *group;
                own.lights.clear();
                own.scenes.clear();
                groups.append(own);
            }
        }
    }
    return groups;
}

QString sceneState(const HueScene &scene)
{
    return scene.isActive ? HueText::tr(u"aktiv"_s, u"active"_s) : HueText::tr(u"nicht aktiv"_s, u"inactive"_s);
}

/// Appends the changes of one kind of thing, sorted by name then id.
template<typename T, typename Same, typename Describe>
void compare(QList<Change> &result, const QList<T> &before, const QList<T> &after, Same same, Describe describe)
{
    const QMap<QString, T> old = byID(before);
    const QMap<QString, T> now = byID(after);
    QList<Change> found;
    for (const T &item : after) {
        const auto previous = old.constFind(item.id);
        if (previous == old.cend()) {
            Change change = describe(item);
            change.change = u"added"_s;
            found.append(change);
        } else if (!same(*previous, item)) {
            Change change = describe(item);
            change.change = u"changed"_s;
            found.append(change);
        }
    }
    for (const T &item : before) {
        if (!now.contains(item.id)) {
            Change change = describe(item);
            change.change = u"removed"_s;
            found.append(change);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Change &a, const Change &b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.id < b.id;
    });
    result += found;
}

QString typeWord(const QString &type)
{
    if (type == "light"_L1)
        return HueText::tr(u"Lampe"_s, u"light"_s);
    if (type == "room"_L1)
        return HueText::tr(u"Raum"_s, u"room"_s);
    if (type == "zone"_L1)
        return HueText::tr(u"Zone"_s, u"zone"_s);
    if (type == "home"_L1)
        return HueText::tr(u"Zuhause"_s, u"home"_s);
    return HueText::tr(u"Szene"_s, u"scene"_s);
}

void print(const QList<Change> &found, bool json)
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const Change &change : found) {
        if (json) {
            CtlFormat::outJson(QJsonObject{{"time"_L1, now.toUTC().toString(Qt::ISODateWithMs)},
                                           {"type"_L1, change.type},
                                           {"change"_L1, change.change},
                                           {"id"_L1, change.id},
                                           {"name"_L1, change.name},
                                           {"state"_L1, change.state}});
            continue;
        }
        QString what = change.text;
        if (change.change == "added"_L1)
            what = HueText::tr(u"neu ("_s, u"added ("_s) + change.text + u")"_s;
        else if (change.change == "removed"_L1)
            what = HueText::tr(u"entfernt"_s, u"removed"_s);
        CtlFormat::out(now.toString(u"HH:mm:ss"_s) + u' ' + typeWord(change.type) + u' ' + CtlFormat::plain(change.name)
                       + u": "_s + what);
    }
}

} // namespace

QList<Change> changes(const HueHome &before, const HueHome &after)
{
    QList<Change> result;
    compare(
        result, before.lights(), after.lights(), [](const HueLight &a, const HueLight &b) { return a == b; },
        [](const HueLight &light) {
            return Change{u"light"_s, {}, light.id, light.name, CtlFormat::json(light), CtlFormat::state(light)};
        });
    compare(
        result, groupsOf(before), groupsOf(after),
        [](const HueGroup &a, const HueGroup &b) {
            return a.name == b.name && a.isOn == b.isOn && a.brightness == b.brightness;
        },
        [](const HueGroup &group) {
            return Change{HueGroup::kindName(group.kind), {}, group.id, group.name, CtlFormat::json(group, false),
                          CtlFormat::state(group)};
        });
    compare(
        result, scenesOf(before), scenesOf(after),
        [](const HueScene &a, const HueScene &b) {
            return a.name == b.name && a.isActive == b.isActive && a.groupID == b.groupID;
        },
        [](const HueScene &scene) {
            return Change{u"scene"_s, {}, scene.id, scene.name, CtlFormat::json(scene), sceneState(scene)};
        });
    return result;
}

QCoro::Task<void> run(CtlArguments arguments, HueCancellationToken cancel)
{
    const CtlConnection connection = co_await CtlConnection::open(arguments, true, cancel);
    const HueBridgeClient client = connection.client;
    std::optional<HueHome> known;
    int attempt = 0;
    while (true) {
        std::exception_ptr failure;
        try {
            HueHome fresh(co_await client.resources(cancel));
            // What changed while we were away shows like any other change.
            if (known)
                print(changes(*known, fresh), arguments.json);
            known = std::move(fresh);
            attempt = 0;
            HueEventStream stream = client.events();
            const QString name = CtlFormat::plain(connection.name);
            CtlFormat::err(HueText::tr(u"Verbunden mit "_s + name + u". Warte auf Änderungen …"_s,
                                       u"Connected to "_s + name + u". Watching for changes…"_s));
            while (const auto batch = co_await stream.next(cancel)) {
                HueHome next = *known;
                bool placed = true;
                for (const HueEvent &event : *batch)
                    placed = next.apply(event) && placed;
                // An update of something unknown: only a full load tells the truth.
                if (!placed)
                    next = HueHome(co_await client.resources(cancel));
                print(changes(*known, next), arguments.json);
                known = std::move(next);
            }
        } catch (const HueCancelledError &) {
            throw;
        } catch (...) {
            failure = std::current_exception();
        }
        cancel.throwIfCancelled();
        if (failure) {
            const CtlFailure mapped = CtlFailure::from(failure, connection.host);
            if (mapped.exit() == CtlExit::notPaired)
                throw mapped;
            attempt += 1;
            const auto delay = HueStore::standardReconnectDelay(attempt);
            CtlFormat::err(mapped.message() + u' '
                           + HueText::tr(u"Neuer Versuch in "_s + QString::number(delay.count() / 1000) + u" s."_s,
                                         u"Trying again in "_s + QString::number(delay.count() / 1000) + u" s."_s));
            co_await cancel.sleep(delay);
        } else {
            attempt = 1;
            const auto delay = HueStore::standardReconnectDelay(attempt);
            CtlFormat::err(HueText::tr(u"Die Bridge hat den Ereignisstrom beendet. Neuer Versuch in "_s
                                           + QString::number(delay.count() / 1000) + u" s."_s,
                                       u"The bridge ended the event stream. Reconnecting in "_s
                                           + QString::number(delay.count() / 1000) + u" s."_s));
            co_await cancel.sleep(delay);
        }
    }
}

} // namespace CtlWatch
