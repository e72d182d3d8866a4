#include "CtlCommands.h"

#include "CtlConnection.h"
#include "CtlFormat.h"
#include "CtlWatch.h"
#include "HueBridgeDiscovery.h"
#include "HueCancelledError.h"
#include "HueColor.h"
#include "HueFailure.h"
#include "HueStore.h"
#include "HueText.h"
#include "OrderStore.h"
#include "PairedBridge.h"
#include "PlatformWords.h"

#include <QJsonArray>

#include <functional>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace CtlCommands {

namespace {

using CtlFormat::err;
using CtlFormat::out;
using CtlFormat::outJson;

[[noreturn]] void usageError(const QString &german, const QString &english)
{
    throw CtlFailure::usage(HueText::tr(german, english));
}

/// What a name argument refers to: the German "none found" phrase (its
/// article depends on the noun) and the English noun.
struct Noun
{
    QString german;
    QString english;
};

/// The one candidate `query` names: an exact id first, else a name equal but
/// for letter case. None or several are usage errors; several list every
/// candidate so that the user can pick by id.
template<typename T>
T pick(const QList<T> &candidates, const QString &query, const Noun &noun,
       const std::function<QString(const T &)> &label)
{
    for (const T &candidate : candidates) {
        if (candidate.id == query)
            return candidate;
    }
    QList<T> matches;
    for (const T &candidate : candidates) {
        if (candidate.name.compare(query.trimmed(), Qt::CaseInsensitive) == 0)
            matches.append(candidate);
    }
    if (matches.size() == 1)
        return matches.first();
    if (matches.isEmpty()) {
        QStringList names;
        for (const T &candidate : candidates)
            names.append(CtlFormat::plain(candidate.name));
        names.sort(Qt::CaseInsensitive);
        names.removeDuplicates();
        // A large home would bury the message; the first names are hint enough.
        constexpr qsizetype shown = 20;
        QString known = names.isEmpty() ? u"–"_s : names.mid(0, shown).join(", "_L1);
        if (names.size() > shown)
            known += u", …"_s;
        const QString asked = CtlFormat::plain(query);
        usageError(noun.german + u" „"_s + asked + u"“ gefunden. Vorhanden: "_s + known,
                   u"No "_s + noun.english + u" “"_s + asked + u"” found. Known: "_s + known);
    }
    QStringList listed;
    for (const T &match : matches)
        listed.append(u"  "_s + CtlFormat::plain(label(match)) + u" ("_s + CtlFormat::plain(match.id) + u")"_s);
    const QString asked = CtlFormat::plain(query);
    usageError(u"„"_s + asked + u"“ passt auf mehrere: bitte die ID angeben.\n"_s + listed.join(u'\n'),
               u"“"_s + asked + u"” matches several; please give the id.\n"_s + listed.join(u'\n'));
}

/// Rooms and/or zones, also those without lights.
QList<HueGroup> groupsOfType(const HueHome &home, const QStringList &types)
{
    QList<HueGroup> groups;
    for (const HueResource &resource : home.resources) {
        if (types.contains(resource.type)) {
            if (const auto group = home.group(resource.id))
                groups.append(*group);
        }
    }
    return groups;
}

QString groupLabel(const HueHome &home, const QString &groupID)
{
    const auto group = home.group(groupID);
    return group ? group->name : groupID;
}

QCoro::Task<HueHome> loadHome(CtlConnection connection, HueCancellationToken cancel)
{
    co_return HueHome(co_await connection.client.resources(cancel));
}

QJsonObject bridgeJson(const CtlConnection &connection)
{
    return QJsonObject{
        {"bridgeID"_L1, connection.bridgeID}, {"name"_L1, connection.name}, {"host"_L1, connection.host}};
}

// --- discover ---------------------------------------------------------------

QCoro::Task<void> discover(CtlArguments arguments, HueCancellationToken cancel)
{
    const auto timeout = std::chrono::milliseconds(qint64(arguments.timeoutSeconds.value_or(3.0) * 1000));
    const QList<DiscoveredBridge> bridges = co_await HueBridgeDiscovery::bridges(timeout, cancel);
    cancel.throwIfCancelled();
    for (const DiscoveredBridge &bridge : bridges) {
        if (arguments.json)
            outJson(CtlFormat::json(bridge));
        else
            out(CtlFormat::plain(bridge.name) + u'\t' + CtlFormat::plain(bridge.host) + u'\t'
                + CtlFormat::plain(bridge.bridgeID.value_or(QString())));
    }
    if (bridges.isEmpty() && !arguments.json) {
        err(HueText::tr(u"Keine Bridge gefunden. Sind Computer und Bridge im selben Netzwerk?"_s,
                        u"No bridge found. Are the computer and the bridge on the same network?"_s));
    }
}

// --- pair -------------------------------------------------------------------

QCoro::Task<void> pair(CtlArguments arguments, HueCancellationToken cancel)
{
    // Only spaces and tabs are trimmed, as the pairing screen does.
    QString host = arguments.positional.first();
    while (!host.isEmpty() && (host.front() == u' ' || host.front() == u'\t'))
        host.remove(0, 1);
    while (!host.isEmpty() && (host.back() == u' ' || host.back() == u'\t'))
        host.chop(1);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    if (host.isEmpty())
        usageError(u"pair braucht die Adresse der Bridge."_s, u"pair needs the address of the bridge."_s);

    const HueStore::Environment live = HueStore::Environment::live();
    HueBridgeConfig config;
    QString key;
    std::exception_ptr failure;
    try {
        config = co_await CtlConnection::makeClient(arguments, host, arguments.bridgeID, std::nullopt).config(cancel);
        // From here on the TLS check expects this very bridge.
        const HueBridgeClient pairing = CtlConnection::makeClient(arguments, host, config.bridgeID, std::nullopt);
        const QString deviceType = HueStore::deviceType(live.deviceName());
        err(HueText::tr(u"Drücke jetzt den runden Knopf oben auf der Bridge."_s,
                        u"Now press the round button on top of the bridge."_s));
        err(HueText::tr(u"Lumora wartet bis zu 30 Sekunden."_s, u"Lumora waits for up to 30 seconds."_s));
        for (int attempt = 1;; ++attempt) {
            try {
                key = co_await pairing.pair(deviceType, cancel);
                break;
            } catch (const HueBridgeError &error) {
                if (error.kind() != HueBridgeError::Kind::linkButtonNotPressed
                    || attempt >= HueStore::linkButtonAttempts)
                    throw;
            }
            co_await cancel.sleep(live.linkButtonPause);
        }
    } catch (const HueCancelledError &) {
        throw;
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        const HueFailure classified = HueFailure::classify(failure);
        if (classified.kind() == HueFailure::Kind::linkButtonNotPressed) {
            throw CtlFailure(CtlExit::bridgeError,
                             HueText::tr(u"Der Knopf wurde nicht rechtzeitig gedrückt. Bitte noch einmal versuchen."_s,
                                         u"The button was not pressed in time. Please try again."_s));
        }
        const CtlFailure mapped = CtlFailure::from(failure, host);
        const QString description = CtlFormat::plain(classified.description());
        throw CtlFailure(
            mapped.exit() == CtlExit::unreachable ? CtlExit::unreachable : CtlExit::bridgeError,
            HueText::tr(u"Die Bridge unter "_s + host + u" ist nicht erreichbar. ("_s + description + u")"_s,
                        u"The bridge at "_s + host + u" cannot be reached. ("_s + description + u")"_s));
    }

    // Both writes succeed or neither stays; a damaged line elsewhere in the
    // settings file does not count as a failure.
    const auto settings = CtlConnection::settings();
    const PairedBridge bridge{config.bridgeID, config.name, host};
    QCoro::Task<PairedBridge::Stored> storing = PairedBridge::store(bridge, key, live.keys, settings);
    const PairedBridge::Stored stored = co_await storing;
    if (stored == PairedBridge::Stored::keyNotSaved) {
        throw CtlFailure(CtlExit::bridgeError,
                         HueText::tr(PlatformWords::keySaveFailedGerman(), PlatformWords::keySaveFailedEnglish()));
    }
    if (stored == PairedBridge::Stored::recordNotSaved) {
        const QString file = settings->fileName();
        throw CtlFailure(CtlExit::bridgeError,
                         HueText::tr(u"Die Kopplung konnte nicht in den Einstellungen ("_s + file
                                         + u") gespeichert werden; die bisherige Kopplung bleibt, wie sie war."_s,
                                     u"The pairing could not be saved to the settings ("_s + file
                                         + u"); the earlier pairing stays as it was."_s));
    }

    if (arguments.json) {
        QJsonObject object{{"bridgeID"_L1, config.bridgeID}, {"name"_L1, config.name}, {"host"_L1, host}};
        if (arguments.printKey)
            object.insert("key"_L1, key);
        outJson(object);
    } else {
        const QString name = CtlFormat::plain(config.name);
        const QString id = CtlFormat::plain(config.bridgeID);
        out(HueText::tr(u"Gekoppelt mit „"_s + name + u"“ ("_s + id + u") unter "_s + CtlFormat::plain(host) + u"."_s,
                        u"Paired with “"_s + name + u"” ("_s + id + u") at "_s + CtlFormat::plain(host) + u"."_s));
        if (arguments.printKey)
            out(CtlFormat::plain(key));
    }
}

// --- status -----------------------------------------------------------------

QCoro::Task<void> status(CtlArguments arguments, HueCancellationToken cancel)
{
    const CtlConnection connection = co_await CtlConnection::open(arguments, false, cancel);
    std::optional<CtlFailure> problem;
    bool reachable = false;
    std::optional<bool> keyAccepted;
    try {
        co_await connection.client.config(cancel);
        reachable = true;
        // The stored key (or --key) when there is one: the bridge answering
        // is of little use if it refuses us.
        std::optional<QString> key = arguments.key;
        if (!key)
            key = co_await BridgeKeyStore::keychain().load(connection.bridgeID);
        if (key) {
            const HueBridgeClient keyed(connection.host, key, connection.client.session());
            co_await keyed.resources(cancel);
            keyAccepted = true;
        } else {
            problem = CtlFailure(CtlExit::notPaired, HueText::tr(u"Für diese Bridge ist kein Schlüssel gespeichert."_s,
                                                                 u"No key is stored for this bridge."_s));
        }
    } catch (const HueCancelledError &) {
        throw;
    } catch (...) {
        problem = CtlFailure::from(std::current_exception(), connection.host);
        if (reachable && problem->exit() == CtlExit::notPaired)
            keyAccepted = false;
    }
    if (arguments.json) {
        QJsonObject object = bridgeJson(connection);
        object.insert("reachable"_L1, reachable);
        object.insert("keyAccepted"_L1, keyAccepted ? QJsonValue(*keyAccepted) : QJsonValue(QJsonValue::Null));
        object.insert("error"_L1, problem ? QJsonValue(problem->message()) : QJsonValue(QJsonValue::Null));
        outJson(object);
    } else {
        const auto yesNo = [](bool value) {
            return value ? HueText::tr(u"ja"_s, u"yes"_s) : HueText::tr(u"nein"_s, u"no"_s);
        };
        out(u"Bridge: "_s + CtlFormat::plain(connection.name));
        out(HueText::tr(u"Adresse: "_s, u"Address: "_s) + CtlFormat::plain(connection.host));
        out(u"ID: "_s + CtlFormat::plain(connection.bridgeID));
        out(HueText::tr(u"Antwortet: "_s, u"Answers: "_s) + yesNo(reachable));
        if (reachable)
            out(HueText::tr(u"Schlüssel angenommen: "_s, u"Key accepted: "_s)
                + (keyAccepted ? yesNo(*keyAccepted) : HueText::tr(u"kein Schlüssel"_s, u"no key"_s)));
    }
    if (problem)
        throw *problem;
}

// --- home -------------------------------------------------------------------

QCoro::Task<void> home(CtlArguments arguments, HueCancellationToken cancel)
{
    const CtlConnection connection = co_await CtlConnection::open(arguments, true, cancel);
    const HueHome home = co_await loadHome(connection, cancel);
    OrderStore order(CtlConnection::settings());
    order.load(connection.bridgeID);
    const QList<HueGroup> groups = CtlFormat::ordered(home, order);
    if (arguments.json)
        outJson(CtlFormat::homeJson(groups, bridgeJson(connection)));
    else
        out(CtlFormat::homeText(groups));
}

// --- light, room, zone ------------------------------------------------------

/// The command the words and options ask for, given the target's current
/// state. A colour, white tone or brightness switches an unlit target on,
/// as the application's controls do.
HueLightCommand lightCommand(const CtlArguments &arguments, bool isOn, const std::optional<HueGamut> &gamut)
{
    HueLightCommand command;
    const QString action = arguments.positional.value(1);
    if (action == "off"_L1)
        command.isOn = false;
    else if (action == "toggle"_L1)
        command.isOn = !isOn;
    else if (action == "on"_L1 || !isOn)
        command.isOn = true;
    command.brightness = arguments.brightness;
    if (arguments.color)
        command.xy = HueColor::xy(*arguments.color, gamut);
    command.mirek = arguments.mirek;
    return command;
}

QJsonObject sentJson(const QString &type, const QString &id, const QString &name, const HueLightCommand &command)
{
    return QJsonObject{{"type"_L1, type}, {"id"_L1, id}, {"name"_L1, name}, {"sent"_L1, command.body()}};
}

QCoro::Task<void> light(CtlArguments arguments, HueCancellationToken cancel)
{
    const CtlConnection connection = co_await CtlConnection::open(arguments, true, cancel);
    const HueHome home = co_await loadHome(connection, cancel);
    const HueLight target = pick<HueLight>(home.lights(), arguments.positional.first(), {u"Keine Lampe"_s, u"light"_s},
                                           [](const HueLight &light) { return light.name; });
    if (arguments.color && !target.supportsColor) {
        throw CtlFailure(CtlExit::bridgeError,
                         HueText::tr(CtlFormat::plain(target.name) + u" kann keine Farben zeigen."_s,
                                     CtlFormat::plain(target.name) + u" cannot show colours."_s));
    }
    if (arguments.mirek && !target.supportsColorTemperature()) {
        throw CtlFailure(CtlExit::bridgeError,
                         HueText::tr(CtlFormat::plain(target.name) + u" kann keine Weißtöne zeigen."_s,
                                     CtlFormat::plain(target.name) + u" cannot show white tones."_s));
    }
    const HueLightCommand command = lightCommand(arguments, target.isOn, target.gamut);
    co_await connection.client.sendToLight(command, target.id, cancel);
    if (arguments.json)
        outJson(sentJson(u"light"_s, target.id, target.name, command));
}

QCoro::Task<void> group(CtlArguments arguments, HueCancellationToken cancel)
{
    const CtlConnection connection = co_await CtlConnection::open(arguments, true, cancel);
    const HueHome home = co_await loadHome(connection, cancel);
    const bool room = arguments.command == "room"_L1;
    const HueGroup target = pick<HueGroup>(groupsOfType(home, {arguments.command}), arguments.positional.first(),
                                           room ? Noun{u"Kein Raum"_s, u"room"_s} : Noun{u"Keine Zone"_s, u"zone"_s},
                                           [](const HueGroup &group) { return group.name; });
    if (!target.groupedLightID) {
        throw CtlFailure(CtlExit::bridgeError,
                         HueText::tr(CtlFormat::plain(target.name) + u" hat keine Lampen zum Schalten."_s,
                                     CtlFormat::plain(target.name) + u" has no lights to switch."_s));
    }
    // A group colour goes out as it is; each light keeps it within its own gamut.
    const HueLightCommand command = lightCommand(arguments, target.isOn, std::nullopt);
    co_await connection.client.sendToGroupedLight(command, *target.groupedLightID, cancel);
    if (arguments.json)
        outJson(sentJson(arguments.command, target.id, target.name, command));
}

// --- scene ------------------------------------------------------------------

QCoro::Task<void> scene(CtlArguments arguments, HueCancellationToken cancel)
{
    const QString action = arguments.positional.first();
    std::optional<QString> saveName;
    if (action == "save"_L1) {
        saveName = HueStore::sceneName(arguments.positional.mid(2).join(u' '));
        if (!saveName) {
            const QString limit = QString::number(HueStore::sceneNameLimit);
            usageError(u"Der Name braucht 1 bis "_s + limit + u" Zeichen."_s,
                       u"The name needs 1 to "_s + limit + u" characters."_s);
        }
    }
    const CtlConnection connection = co_await CtlConnection::open(arguments, true, cancel);
    const HueHome home = co_await loadHome(connection, cancel);
    const QList<HueGroup> owners = groupsOfType(home, {u"room"_s, u"zone"_s});
    const auto groupLabelOf = [](const HueGroup &group) { return group.name; };

    if (saveName) {
        const HueGroup owner = pick<HueGroup>(owners, arguments.positional.at(1),
                                              {u"Kein Raum und keine Zone"_s, u"room or zone"_s}, groupLabelOf);
        const auto ref = owner.sceneOwner();
        const QList<HueSceneAction> actions = home.currentLightAsSceneActions(owner.id);
        if (!ref || actions.isEmpty()) {
            const QString name = CtlFormat::plain(owner.name);
            throw CtlFailure(CtlExit::bridgeError, HueText::tr(u"In "_s + name + u" gibt es keine Lampen."_s,
                                                               u"There are no lights in "_s + name + u"."_s));
        }
        const QString id = co_await connection.client.createScene(*saveName, *ref, actions, cancel);
        if (arguments.json) {
            outJson(QJsonObject{{"id"_L1, id}, {"name"_L1, *saveName}, {"groupID"_L1, owner.id}});
        } else {
            const QString scene = CtlFormat::plain(*saveName);
            const QString group = CtlFormat::plain(owner.name);
            const QString shownID = CtlFormat::plain(id);
            out(HueText::tr(u"Szene „"_s + scene + u"“ in "_s + group + u" gespeichert ("_s + shownID + u")."_s,
                            u"Saved the scene “"_s + scene + u"” in "_s + group + u" ("_s + shownID + u")."_s));
        }
        co_return;
    }

    QList<HueScene> scenes;
    for (const HueResource &resource : home.resources) {
        if (resource.type == "scene"_L1) {
            if (const auto found = home.scene(resource.id))
                scenes.append(*found);
        }
    }
    if (arguments.group) {
        const HueGroup owner =
            pick<HueGroup>(owners, *arguments.group, {u"Kein Raum und keine Zone"_s, u"room or zone"_s}, groupLabelOf);
        QList<HueScene> inGroup;
        for (const HueScene &candidate : scenes) {
            if (candidate.groupID == owner.id)
                inGroup.append(candidate);
        }
        scenes = inGroup;
    }
    const HueScene target = pick<HueScene>(
        scenes, arguments.positional.at(1), {u"Keine Szene"_s, u"scene"_s},
        [&home](const HueScene &scene) { return scene.name + u" – "_s + groupLabel(home, scene.groupID); });
    if (action == "recall"_L1) {
        co_await connection.client.recallScene(target.id, cancel);
    } else if (action == "overwrite"_L1) {
        const QList<HueSceneAction> actions = home.currentLightAsSceneActions(target.groupID);
        if (actions.isEmpty()) {
            const QString owner = CtlFormat::plain(groupLabel(home, target.groupID));
            throw CtlFailure(CtlExit::bridgeError, HueText::tr(u"In "_s + owner + u" gibt es keine Lampen."_s,
                                                               u"There are no lights in "_s + owner + u"."_s));
        }
        co_await connection.client.updateScene(target.id, actions, cancel);
    } else {
        co_await connection.client.deleteScene(target.id, cancel);
    }
    if (arguments.json)
        outJson(QJsonObject{
            {"action"_L1, action}, {"id"_L1, target.id}, {"name"_L1, target.name}, {"groupID"_L1, target.groupID}});
}

} // namespace

void checkPositional(const CtlArguments &arguments)
{
    const QString &command = arguments.command;
    const QStringList &words = arguments.positional;
    const auto extra = [&](qsizetype allowed) {
        if (words.size() > allowed)
            usageError(u"Zu viele Argumente für „"_s + command + u"“: "_s + words.mid(allowed).join(u' '),
                       u"Too many arguments for “"_s + command + u"”: "_s + words.mid(allowed).join(u' '));
    };
    if (command == "discover"_L1 || command == "status"_L1 || command == "home"_L1 || command == "watch"_L1) {
        extra(0);
    } else if (command == "pair"_L1) {
        if (words.isEmpty())
            usageError(u"pair braucht die Adresse der Bridge: lumora-ctl pair HOST"_s,
                       u"pair needs the address of the bridge: lumora-ctl pair HOST"_s);
        if (arguments.host)
            usageError(u"pair nimmt die Adresse als Argument, nicht mit --host."_s,
                       u"pair takes the address as its argument, not with --host."_s);
        extra(1);
    } else if (command == "light"_L1 || command == "room"_L1 || command == "zone"_L1) {
        if (words.isEmpty())
            usageError(command + u" braucht einen Namen oder eine ID."_s, command + u" needs a name or an id."_s);
        extra(2);
        const QString action = words.value(1);
        if (words.size() == 2 && action != "on"_L1 && action != "off"_L1 && action != "toggle"_L1)
            usageError(u"Unbekannte Aktion „"_s + action + u"“: on, off oder toggle."_s,
                       u"Unknown action “"_s + action + u"”: on, off or toggle."_s);
        if (words.size() == 1 && !arguments.brightness && !arguments.color && !arguments.mirek)
            usageError(u"Was soll geschehen? on, off, toggle, --brightness, --color oder --mirek."_s,
                       u"What should happen? on, off, toggle, --brightness, --color or --mirek."_s);
    } else if (command == "scene"_L1) {
        const QString action = words.value(0);
        if (action == "save"_L1) {
            if (words.size() < 3)
                usageError(u"Aufruf: lumora-ctl scene save GRUPPE NAME"_s,
                           u"Usage: lumora-ctl scene save GROUP NAME"_s);
            if (arguments.group)
                usageError(u"scene save nimmt die Gruppe als Argument, nicht mit --group."_s,
                           u"scene save takes the group as its argument, not with --group."_s);
        } else if (action == "recall"_L1 || action == "overwrite"_L1 || action == "delete"_L1) {
            if (words.size() < 2)
                usageError(u"Aufruf: lumora-ctl scene "_s + action + u" SZENE [--group GRUPPE]"_s,
                           u"Usage: lumora-ctl scene "_s + action + u" SCENE [--group GROUP]"_s);
            extra(2);
        } else {
            usageError(u"scene erwartet recall, save, overwrite oder delete."_s,
                       u"scene expects recall, save, overwrite or delete."_s);
        }
    }
}

QCoro::Task<int> run(CtlArguments arguments, HueCancellationToken interrupt)
{
    std::exception_ptr failure;
    try {
        checkPositional(arguments);
        const QString &command = arguments.command;
        if (command == "discover"_L1)
            co_await discover(arguments, interrupt);
        else if (command == "pair"_L1)
            co_await pair(arguments, interrupt);
        else if (command == "status"_L1)
            co_await status(arguments, interrupt);
        else if (command == "home"_L1)
            co_await home(arguments, interrupt);
        else if (command == "light"_L1)
            co_await light(arguments, interrupt);
        else if (command == "room"_L1 || command == "zone"_L1)
            co_await group(arguments, interrupt);
        else if (command == "scene"_L1)
            co_await scene(arguments, interrupt);
        else if (command == "watch"_L1)
            co_await CtlWatch::run(arguments, interrupt);
    } catch (const HueCancelledError &) {
        co_return arguments.command == "watch"_L1 ? 0 : 130;
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure)
        co_return 0;
    const CtlFailure mapped = CtlFailure::from(failure, arguments.host.value_or(CtlConnection::lastHost()));
    err(mapped.message());
    co_return int(mapped.exit());
}

} // namespace CtlCommands
