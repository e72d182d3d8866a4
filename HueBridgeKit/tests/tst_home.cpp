#include "BridgeFixture.h"
#include "HueColor.h"
#include "HueHome.h"
#include "HueText.h"
#include "ResourceBuilders.h"

#include <QLocale>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using namespace ResourceBuilders;
using namespace BridgeFixture;
using Resources = QList<HueResource>;

HueResource ownedLight(const QString &id, const QString &device, const std::optional<QString> &name = std::nullopt)
{
    HueResource resource = light(id, name);
    resource.owner = ref(device, u"device"_s);
    return resource;
}

/// Each item's name, or another of its text fields.
template<typename T>
QStringList names(const QList<T> &items, QString T::*field = &T::name)
{
    QStringList result;
    for (const auto &item : items)
        result.append(item.*field);
    return result;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestHome : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The recording through the home. What a user sees of the room (name, on
    // state, lights, scene) and the zone's order is asserted through the whole
    // stack in tst_lumoractl's homeAsTextAndJson; here the resolution behind it.
    void realBridge()
    {
        const HueHome home = BridgeFixture::home();
        // Buttons, sensors, entertainment and the like are not kept.
        QCOMPARE(home.resources.size(), 37);
        const auto room = home.group(roomID);
        const auto zone = home.group(zoneID);
        const auto whole = home.home();
        QVERIFY(room && zone && whole);
        QCOMPARE(home.allGroups(), (QList{*room, *zone, *whole}));
        QCOMPARE(home.group(homeID), whole);
        // Both children are devices; their lights are found through the owner.
        QCOMPARE(names(room->lights), (QStringList{u"Hue light with color temperature only"_s, u"Hue on/off light"_s}));
        QCOMPARE(room->archetype, u"bathroom"_s);
        QCOMPARE(room->sceneOwner(), ref(roomID, u"room"_s));
        QVERIFY(zone->isOn);
        QCOMPARE(names(zone->scenes), QStringList{u"Dynamic Test Scene"_s});
        QCOMPARE(zone->sceneOwner(), ref(zoneID, u"zone"_s));
        // The bridge_home has no name of its own, and no scenes.
        QCOMPARE(whole->name, HueText::tr(u"Zuhause"_s, u"Home"_s));
        QCOMPARE(home.lights(), whole->lights);
        QCOMPARE(whole->sceneOwner(), std::nullopt);

        // The bare membership agrees with the resolved groups.
        const QList<HueHome::GroupMembers> members = home.groupMembers();
        QCOMPARE(members.size(), 3);
        for (const HueGroup &group : {*room, *zone, *whole}) {
            const auto found = std::find_if(members.cbegin(), members.cend(),
                                            [&](const HueHome::GroupMembers &m) { return m.groupID == group.id; });
            QVERIFY(found != members.cend());
            QCOMPARE(found->groupedLightID, group.groupedLightID);
            QCOMPARE(sorted(found->lightIDs), sorted(names(group.lights, &HueLight::id)));
        }

        for (const auto &[id, color, temperature] :
             {std::tuple{colorLight2, true, true}, std::tuple{temperatureLight, false, true},
              std::tuple{colorOnlyLight, true, false}, std::tuple{onOffLight, false, false}}) {
            const auto light = home.light(id);
            QVERIFY(light && light->isReachable);
            QCOMPARE(light->supportsColor, color);
            QCOMPARE(light->supportsColorTemperature(), temperature);
        }

        // Lookups check the type.
        QVERIFY(!home.light(roomID) && !home.group(colorLight2) && !home.scene(colorLight2));
        QCOMPARE(home.sceneActions(regularScene).size(), 2);
        QVERIFY(home.sceneActions(colorLight2).isEmpty() && home.sceneActions(u"nope"_s).isEmpty());
    }
    // Changes after the views have been built show in every view that uses them.
    void realBridgeEvents()
    {
        HueHome home = BridgeFixture::home();

        // A light that loses its own name shows its device's name.
        home.update(colorLight2, [](HueResource &resource) {
            resource.name.reset();
            resource.id = u"renamed"_s; // the key and id cannot be changed this way
        });
        QCOMPARE(home.resources.value(colorLight2).id, colorLight2);
        QCOMPARE(home.light(colorLight2)->name, u"Hue light with color and color temperature 2"_s);
        home.update(colorLight2Device, [](HueResource &resource) { resource.name = u"Sofa strip"_s; });
        QCOMPARE(home.light(colorLight2)->name, u"Sofa strip"_s);

        // Reachability follows the device's connectivity resource.
        const HueResource lost = connectivity(colorLight2Connectivity, colorLight2Device, u"connectivity_issue"_s);
        QVERIFY(home.apply(HueEvent{HueEvent::Kind::update, {lost}}));
        const auto zone = home.group(zoneID);
        for (const HueLight &member : zone->lights)
            QCOMPARE(member.isReachable, member.id != colorLight2);
        QVERIFY(home.apply(HueEvent{HueEvent::Kind::delete_, {lost}}));
        QVERIFY(home.light(colorLight2)->isReachable);

        // The room's grouped light turns on: the room is on though its lights are off.
        QVERIFY(home.apply(HueEvent{HueEvent::Kind::update, {groupedLight(roomGroupedLight, roomID, true, 40)}}));
        QCOMPARE(home.group(roomID)->isOn, true);
        QCOMPARE(home.group(roomID)->brightness, 40.0);

        // Deleting a room's only lights takes the room off the list; it is still found by id.
        QVERIFY(home.apply(HueEvent{HueEvent::Kind::delete_, {light(temperatureLight, {}), light(onOffLight, {})}}));
        QVERIFY(home.rooms().isEmpty());
        QVERIFY(home.group(roomID)->lights.isEmpty());
        QCOMPARE(home.home()->lights.size(), 4);
    }
    void lightResolution_data()
    {
        QTest::addColumn<Resources>("resources");
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<QString>>("archetype");
        QTest::addColumn<bool>("reachable");

        const QString fallback = HueText::tr(u"Lampe"_s, u"Light"_s);
        const std::optional<QString> none;
        HueResource desk = ownedLight(u"L"_s, u"D"_s, u"Desk"_s);
        desk.archetype = u"table_shade"_s;
        const HueResource go = device(u"D"_s, u"Device"_s, u"hue_go"_s);
        const HueResource named = ownedLight(u"L"_s, u"D"_s, u"A"_s);
        const auto link = [](const std::optional<QString> &owner, const QString &status, const QString &id = u"C"_s) {
            return connectivity(id, owner, status);
        };
        // A device normally lists its link among its services; a listed link
        // that belongs to another device does not count.
        HueResource listing = device(u"D"_s, u"Device"_s);
        listing.services = QList<HueResourceRef>{ref(u"L"_s, u"light"_s), ref(u"C"_s, u"zigbee_connectivity"_s)};

        QTest::newRow("own name and archetype win")
            << Resources{desk, go} << u"Desk"_s << std::optional(u"table_shade"_s) << true;
        QTest::newRow("device name and archetype")
            << Resources{ownedLight(u"L"_s, u"D"_s), go} << u"Device"_s << std::optional(u"hue_go"_s) << true;
        QTest::newRow("no name anywhere")
            << Resources{ownedLight(u"L"_s, u"D"_s), device(u"D"_s, none)} << fallback << none << true;
        QTest::newRow("owner missing") << Resources{ownedLight(u"L"_s, u"D"_s)} << fallback << none << true;
        // Anything but "connected" is unreachable; "connected" itself is realBridge's.
        QTest::newRow("any other status") << Resources{named, link(u"D"_s, u"Connected"_s)} << u"A"_s << none << false;
        QTest::newRow("another device's link")
            << Resources{named, link(u"E"_s, u"disconnected"_s)} << u"A"_s << none << true;
        QTest::newRow("ownerless link matches ownerless light")
            << Resources{light(u"L"_s, u"A"_s), link(none, u"disconnected"_s)} << u"A"_s << none << false;
        QTest::newRow("ownerless link does not match an owned light")
            << Resources{named, link(none, u"disconnected"_s)} << u"A"_s << none << true;
        QTest::newRow("link without status")
            << Resources{named, HueResource(u"C"_s, u"zigbee_connectivity"_s)} << u"A"_s << none << true;
        QTest::newRow("link listed by the device")
            << Resources{named, listing, link(u"D"_s, u"disconnected"_s)} << u"A"_s << none << false;
        QTest::newRow("listed link of another device")
            << Resources{named, listing, link(u"E"_s, u"connected"_s), link(u"D"_s, u"disconnected"_s, u"C2"_s)}
            << u"A"_s << none << false;
        QTest::newRow("listed link missing")
            << Resources{named, listing, link(u"D"_s, u"disconnected"_s, u"C2"_s)} << u"A"_s << none << false;
        // A light owned by another light takes what that resource has and resolves
        // nothing further (owned by itself: selfReferences).
        QTest::newRow("owned by a light")
            << Resources{ownedLight(u"L"_s, u"M"_s), light(u"M"_s, u"Other"_s)} << u"Other"_s << none << true;
    }
    void lightResolution()
    {
        QFETCH(Resources, resources);
        QFETCH(QString, name);
        QFETCH(std::optional<QString>, archetype);
        QFETCH(bool, reachable);

        // A single lookup resolves without the home's index; the home group with it.
        resources.append(HueResource(u"H"_s, u"bridge_home"_s));
        const HueHome home(resources);
        const auto resolved = home.light(u"L"_s);
        QVERIFY(resolved);
        QCOMPARE(resolved->name, name);
        QCOMPARE(resolved->archetype, archetype);
        QCOMPARE(resolved->isReachable, reachable);
        QVERIFY(home.home()->lights.contains(*resolved));
    }
    void lightColors()
    {
        const HueXY red{0.675, 0.322};
        HueResource resource = light(u"L"_s, u"A"_s, true, 80);
        resource.xy = red;
        resource.colorTemperature = HueColorTemperature{300, HueMirekRange{153, 500}};
        HueHome home({resource});

        // A light in white mode shows its temperature, though it reports a chromaticity.
        auto resolved = home.light(u"L"_s);
        QVERIFY(resolved->supportsColor);
        QCOMPARE(resolved->displayColor(), HueColor::rgb(300));
        QCOMPARE(resolved->surfaceColor(), HueColor::surface(300));

        // "mirek": null switches the light to its colour; the range stays (tst_resourcemodel colorTemperature).
        HueResource update(u"L"_s, u"light"_s);
        update.colorTemperature = HueColorTemperature{std::nullopt, std::nullopt};
        QVERIFY(home.apply(HueEvent{HueEvent::Kind::update, {update}}));
        resolved = home.light(u"L"_s);
        const HueRGB full = HueColor::rgb(red);
        QCOMPARE(resolved->displayColor(), full);
        const auto lightened = [](double channel) { return channel + (1 - channel) * 0.45; };
        QVERIFY(near(resolved->surfaceColor(), HueRGB{lightened(full.red), lightened(full.green), lightened(full.blue)},
                     1e-12));

        // A gamut alone makes a colour light.
        HueResource gamutOnly = light(u"G"_s, u"G"_s);
        gamutOnly.gamut = HueGamut{{0.7, 0.3}, {0.17, 0.7}, {0.15, 0.06}};
        QVERIFY(HueHome({gamutOnly}).light(u"G"_s)->supportsColor);
        // Absent on state counts as off; without any colour the light is warm white.
        const auto bare = HueHome({HueResource(u"B"_s, u"light"_s)}).light(u"B"_s);
        QCOMPARE(bare->isOn, false);
        QCOMPARE(bare->displayColor(), HueRGB::warmWhite);
        QCOMPARE(bare->surfaceColor(), HueRGB::warmWhite);
    }
    void groupResolution()
    {
        const HueHome home({
            // The room lists one device with two lights, one plain light, a light
            // id that is not a light, an unknown light, and itself.
            group(u"R"_s, u"room"_s, u"Living"_s,
                  {ref(u"D"_s, u"device"_s), ref(u"L3"_s, u"light"_s), ref(u"D"_s, u"light"_s),
                   ref(u"missing"_s, u"light"_s), ref(u"R"_s, u"room"_s), ref(u"GL"_s, u"grouped_light"_s)},
                  u"GL"_s),
            device(u"D"_s, u"Device"_s),
            ownedLight(u"L1"_s, u"D"_s, u"Spot b"_s),
            ownedLight(u"L2"_s, u"D"_s, u"Spot a"_s),
            light(u"L3"_s, u"Ceiling"_s, true, 70),
            groupedLight(u"GL"_s, u"R"_s, false, 55),
            // A zone listing a light twice and without a grouped light.
            group(u"Z"_s, u"zone"_s, std::nullopt, {ref(u"L3"_s, u"light"_s), ref(u"L3"_s, u"light"_s)}),
            // A room whose grouped light is named but not stored.
            group(u"E"_s, u"room"_s, u"Empty"_s, {ref(u"L1"_s, u"device"_s)}, u"absent"_s),
        });

        const auto room = home.group(u"R"_s);
        QCOMPARE(names(room->lights, &HueLight::id), (QStringList{u"L3"_s, u"L2"_s, u"L1"_s}));
        // The grouped light's switch wins over the lit member.
        QCOMPARE(room->isOn, false);

        const auto zone = home.group(u"Z"_s);
        QCOMPARE(zone->name, HueText::tr(u"Unbenannt"_s, u"Unnamed"_s));
        QCOMPARE(names(zone->lights, &HueLight::id), (QStringList{u"L3"_s, u"L3"_s}));
        QCOMPARE(zone->groupedLightID, std::nullopt);
        QCOMPARE(zone->isOn, true);
        QCOMPARE(zone->brightness, std::nullopt);

        // A grouped light without an on state leaves the decision to the lights.
        HueHome silent = home;
        silent.update(u"GL"_s, [](HueResource &resource) { resource.isOn.reset(); });
        QCOMPARE(silent.group(u"R"_s)->isOn, true);
        silent.update(u"L3"_s, [](HueResource &resource) { resource.isOn = false; });
        QCOMPARE(silent.group(u"R"_s)->isOn, false);
        QCOMPARE(silent.group(u"Z"_s)->isOn, false);

        const auto empty = home.group(u"E"_s);
        QVERIFY(empty->lights.isEmpty());
        QCOMPARE(empty->groupedLightID, std::nullopt);
        QCOMPARE(empty->isOn, false);
        QVERIFY(!home.home());
        // Only rooms, zones and the home are groups.
        QVERIFY(!home.group(u"GL"_s) && !home.group(u"D"_s) && !home.group(u"nothing"_s));

        // The home group takes every light, whatever it lists, and its own name.
        HueHome withHome = home;
        withHome.resources.insert(u"H"_s, group(u"H"_s, u"bridge_home"_s, u"Haus"_s, {}, u"GH"_s));
        const auto whole = withHome.home();
        QCOMPARE(whole->name, u"Haus"_s);
        QCOMPARE(whole->lights.size(), 3);
        QCOMPARE(whole->isOn, true);
    }
    void groupLists()
    {
        // Rooms and zones each sorted; a group without lights is left out.
        const HueHome home({
            light(u"L"_s, u"A"_s),
            group(u"R1"_s, u"room"_s, u"Bad"_s, {ref(u"L"_s, u"light"_s)}),
            group(u"R2"_s, u"room"_s, u"arbeitszimmer"_s, {ref(u"L"_s, u"light"_s)}),
            group(u"R3"_s, u"room"_s, u"Abstellraum"_s, {}),
            group(u"Z1"_s, u"zone"_s, u"Unten"_s, {ref(u"L"_s, u"light"_s)}),
            group(u"Z2"_s, u"zone"_s, u"Oben"_s, {ref(u"L"_s, u"light"_s)}),
        });
        QCOMPARE(names(home.allGroups()), (QStringList{u"arbeitszimmer"_s, u"Bad"_s, u"Oben"_s, u"Unten"_s}));

        // A later duplicate wins. That only modelled types are kept is realBridge's 37 of 70.
        const HueHome built({light(u"L"_s, u"first"_s), light(u"L"_s, u"second"_s)});
        QCOMPARE(built.light(u"L"_s)->name, u"second"_s);
    }
    void naturalOrdering_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("expected");

        // The C locale is what a session without a language setting has; it must
        // still order numbers by value and ignore case.
        for (const QString &locale : {u"C"_s, u"de_DE"_s, u"en_US"_s}) {
            QTest::addRow("numbers by value, also inside words, case ignored, %ls", qUtf16Printable(locale))
                << locale << QStringList{u"Spot12a"_s, u"Lamp 10"_s, u"lamp 2"_s, u"Spot3"_s, u"Lamp 1"_s}
                << QStringList{u"Lamp 1"_s, u"lamp 2"_s, u"Lamp 10"_s, u"Spot3"_s, u"Spot12a"_s};
        }
        QTest::newRow("umlaut with its letter in German")
            << u"de_DE"_s << QStringList{u"Zimmer"_s, u"Äußere"_s, u"Bad"_s}
            << QStringList{u"Äußere"_s, u"Bad"_s, u"Zimmer"_s};
        QTest::newRow("umlaut after z in Swedish") << u"sv_SE"_s << QStringList{u"Zimmer"_s, u"Äußere"_s, u"Bad"_s}
                                                   << QStringList{u"Bad"_s, u"Zimmer"_s, u"Äußere"_s};
    }
    void naturalOrdering()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, input);
        QFETCH(QStringList, expected);

        const QLocale previous;
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([&previous] { QLocale::setDefault(previous); });

        QList<HueResource> resources{HueResource(u"H"_s, u"bridge_home"_s)};
        QList<HueResourceRef> children;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QString id = u"L"_s + QString::number(i);
            resources << light(id, input.at(i)) << scene(u"S"_s + QString::number(i), input.at(i), u"R"_s)
                      << group(u"G"_s + QString::number(i), u"zone"_s, input.at(i), {ref(id, u"light"_s)});
            children.append(ref(id, u"light"_s));
        }
        resources.append(group(u"R"_s, u"room"_s, u"Room"_s, children));
        const HueHome home(resources);

        QCOMPARE(names(home.group(u"R"_s)->lights), expected);
        QCOMPARE(names(home.home()->lights), expected);
        QCOMPARE(names(home.group(u"R"_s)->scenes), expected);
        QCOMPARE(names(home.zones()), expected);
    }
    void equalNamesKeepListOrder()
    {
        // Names equal but for case have no order of their own: the room's list
        // order stands, in either direction.
        for (const auto &[first, second] : {std::pair{u"lamp"_s, u"Lamp"_s}, std::pair{u"Lamp"_s, u"lamp"_s}}) {
            const HueHome home({light(u"L1"_s, first), light(u"L2"_s, second), light(u"L0"_s, u"Aura"_s),
                                group(u"R"_s, u"room"_s, u"R"_s, lightRefs({u"L1"_s, u"L2"_s, u"L0"_s}))});
            QCOMPARE(names(home.group(u"R"_s)->lights), (QStringList{u"Aura"_s, first, second}));
        }
    }
    void scenes()
    {
        HueResource colorful = scene(u"S1"_s, u"Sunset"_s, u"R"_s, true);
        colorful.sceneSwatches = QList<HueSwatch>{HueSwatch::xy({0.6, 0.35}), HueSwatch::mirek(250)};
        colorful.sceneActions = QList<HueSceneAction>{{u"L"_s, HueLightCommand{true, 50, std::nullopt, 250}}};
        const HueHome home({light(u"L"_s, u"A"_s), group(u"R"_s, u"room"_s, u"Room"_s, {ref(u"L"_s, u"light"_s)}),
                            colorful, scene(u"S2"_s, std::nullopt, u"R"_s), scene(u"S3"_s, u"Loose"_s, std::nullopt),
                            scene(u"S4"_s, u"Elsewhere"_s, u"Z"_s)});

        const auto sunset = home.scene(u"S1"_s);
        QCOMPARE(sunset->groupID, u"R"_s);
        QVERIFY(sunset->isActive);
        QCOMPARE(sunset->colors, (QList<HueRGB>{HueColor::surface(HueXY{0.6, 0.35}), HueColor::surface(250)}));
        QCOMPARE(home.sceneActions(u"S1"_s), *colorful.sceneActions);

        const auto unnamed = home.scene(u"S2"_s);
        QCOMPARE(unnamed->name, HueText::tr(u"Szene"_s, u"Scene"_s));
        QCOMPARE(unnamed->isActive, false);
        QVERIFY(unnamed->colors.isEmpty());
        QCOMPARE(home.scene(u"S3"_s)->groupID, QString());
        // Only the room's own scenes; the loose one and the one of an unknown
        // group belong to no list.
        QCOMPARE(sorted(names(home.group(u"R"_s)->scenes, &HueScene::id)), (QStringList{u"S1"_s, u"S2"_s}));
    }
    void currentLightAsSceneActions()
    {
        HueResource white = light(u"W"_s, u"a white"_s, true, 40);
        white.colorTemperature = HueColorTemperature{300, HueMirekRange{153, 454}};
        white.xy = HueXY{0.4, 0.4};
        HueResource color = light(u"C"_s, u"b color"_s, true, 90);
        color.xy = HueXY{0.2, 0.3};
        HueResource off = light(u"O"_s, u"c off"_s, false, 10);
        off.xy = HueXY{0.2, 0.3};
        const HueHome home({white, color, off, light(u"P"_s, u"d plain"_s, true),
                            group(u"R"_s, u"room"_s, u"R"_s, lightRefs({u"P"_s, u"O"_s, u"C"_s, u"W"_s}))});

        const QList<HueSceneAction> expected{
            {u"W"_s, HueLightCommand{true, 40, std::nullopt, 300}},
            {u"C"_s, HueLightCommand{true, 90, HueXY{0.2, 0.3}, std::nullopt}},
            {u"O"_s, HueLightCommand{false, std::nullopt, std::nullopt, std::nullopt}},
            {u"P"_s, HueLightCommand{true, std::nullopt, std::nullopt, std::nullopt}},
        };
        QCOMPARE(home.currentLightAsSceneActions(u"R"_s), expected);
        QVERIFY(home.currentLightAsSceneActions(u"unknown"_s).isEmpty());
    }
    void apply_data()
    {
        QTest::addColumn<HueEvent>("event");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QList<HueResource>>("expected");

        using Kind = HueEvent::Kind;
        const HueResource lamp = light(u"L"_s, u"Lamp"_s, false, 10);
        const HueResource room = group(u"R"_s, u"room"_s, u"Room"_s, {ref(u"L"_s, u"light"_s)});
        const HueResource switchedOn = light(u"L"_s, std::nullopt, true);
        const HueResource lit = light(u"L"_s, u"Lamp"_s, true, 10);
        const HueResource unknown = light(u"X"_s, std::nullopt, true);
        const HueResource button(u"B"_s, u"button"_s);
        const HueResource replacement = light(u"L"_s, u"New"_s, true);

        QTest::newRow("update merges") << HueEvent{Kind::update, {switchedOn}} << true << QList{lit, room};
        QTest::newRow("update of an unknown id") << HueEvent{Kind::update, {unknown}} << false << QList{lamp, room};
        QTest::newRow("known and unknown in one event")
            << HueEvent{Kind::update, {unknown, switchedOn}} << false << QList{lit, room};
        QTest::newRow("add of an unmodelled type") << HueEvent{Kind::add, {button}} << true << QList{lamp, room};
        QTest::newRow("update of an unmodelled type") << HueEvent{Kind::update, {button}} << true << QList{lamp, room};
        QTest::newRow("add stores") << HueEvent{Kind::add, {unknown}} << true << QList{lamp, room, unknown};
        QTest::newRow("add replaces") << HueEvent{Kind::add, {replacement}} << true << QList{replacement, room};
        QTest::newRow("delete removes") << HueEvent{Kind::delete_, {room}} << true << QList{lamp};
        QTest::newRow("other changes nothing")
            << HueEvent{Kind::other, {replacement, unknown}} << true << QList{lamp, room};
    }
    void apply()
    {
        QFETCH(HueEvent, event);
        QFETCH(bool, placed);
        QFETCH(QList<HueResource>, expected);

        HueHome home(
            {light(u"L"_s, u"Lamp"_s, false, 10), group(u"R"_s, u"room"_s, u"Room"_s, {ref(u"L"_s, u"light"_s)})});
        QCOMPARE(home.apply(event), placed);
        QCOMPARE(home, HueHome(expected));
    }
    void selfReferences()
    {
        // Groups that list themselves or each other, devices that are lights, and
        // scenes of scenes: every view still finishes with what the rules give.
        const HueHome home({
            ownedLight(u"L"_s, u"L"_s),
            scene(u"S"_s, u"S"_s, u"S"_s),
            group(u"A"_s, u"room"_s, u"A"_s,
                  {ref(u"A"_s, u"room"_s), ref(u"B"_s, u"room"_s), ref(u"A"_s, u"device"_s), ref(u"A"_s, u"light"_s),
                   ref(u"L"_s, u"device"_s)},
                  u"A"_s),
            group(u"B"_s, u"zone"_s, u"B"_s, {ref(u"A"_s, u"zone"_s), ref(u"B"_s, u"device"_s)}, u"B"_s),
            group(u"H"_s, u"bridge_home"_s, u"H"_s, {ref(u"H"_s, u"bridge_home"_s)}, u"L"_s),
            groupedLight(u"G"_s, u"G"_s, true),
        });

        QCOMPARE(home.light(u"L"_s)->name, HueText::tr(u"Lampe"_s, u"Light"_s));
        // The room finds the light through the light that owns it.
        QCOMPARE(names(home.group(u"A"_s)->lights, &HueLight::id), QStringList{u"L"_s});
        // Its "grouped light" is the room itself, which is no switch.
        QCOMPARE(home.group(u"A"_s)->groupedLightID, u"A"_s);
        QVERIFY(home.group(u"B"_s)->lights.isEmpty());
        QCOMPARE(home.rooms().size(), 1);
        QVERIFY(home.zones().isEmpty());
        QCOMPARE(home.home()->groupedLightID, u"L"_s);
        QCOMPARE(home.home()->lights.size(), 1);
        QVERIFY(home.scene(u"S"_s));
    }
};

QTEST_GUILESS_MAIN(TestHome)
#include "tst_home.moc"
