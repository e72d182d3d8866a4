#include "EditableHome.h"
#include "ResourceBuilders.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using Instant = EditableHome::Instant;

// An arbitrary origin: nothing may depend on the clock's epoch.
const Instant t0 = Instant{} + 1000s;

using namespace ResourceBuilders;

// Colour light A (on, 80 %), white-ambiance light B (off, 30 %, 300 mirek),
// plug C (on, no dimming), colour light D (on, 40 %). Room R holds A, B, C;
// room S holds D; zone Z holds A and D; the home holds all.
QList<HueResource> standardResources()
{
    HueResource a = light(u"A"_s, u"A"_s, true, 80);
    a.xy = HueXY{0.3, 0.3};
    a.gamut = HueGamut{{0.7, 0.3}, {0.17, 0.7}, {0.15, 0.06}};
    a.colorTemperature = HueColorTemperature{std::nullopt, HueMirekRange{153, 500}};
    HueResource b = light(u"B"_s, u"B"_s, false, 30);
    b.colorTemperature = HueColorTemperature{300, HueMirekRange{153, 454}};
    HueResource c = light(u"C"_s, u"C"_s, true, std::nullopt);
    HueResource d = light(u"D"_s, u"D"_s, true, 40);
    d.xy = HueXY{0.5, 0.4};

    HueResource home(u"H"_s, u"bridge_home"_s);
    home.services = QList<HueResourceRef>{ref(u"GH"_s, u"grouped_light"_s)};

    return {
        a,
        b,
        c,
        d,
        group(u"R"_s, u"room"_s, u"R"_s, lightRefs({u"A"_s, u"B"_s, u"C"_s}), u"GR"_s),
        group(u"S"_s, u"room"_s, u"S"_s, lightRefs({u"D"_s}), u"GS"_s),
        group(u"Z"_s, u"zone"_s, u"Z"_s, lightRefs({u"A"_s, u"D"_s}), u"GZ"_s),
        home,
        groupedLight(u"GR"_s, u"R"_s, true, 50, u"room"_s),
        groupedLight(u"GS"_s, u"S"_s, true, 40, u"room"_s),
        groupedLight(u"GZ"_s, u"Z"_s, true, 60, u"zone"_s),
        groupedLight(u"GH"_s, u"H"_s, true, 55, u"bridge_home"_s),
        scene(u"S1"_s, u"S1"_s, u"R"_s, true,
              QList<HueSceneAction>{{u"A"_s, HueLightCommand{true, 20, HueXY{0.6, 0.3}, std::nullopt}},
                                    {u"B"_s, HueLightCommand{true, 90, std::nullopt, 250}}}),
        scene(u"S2"_s, u"S2"_s, u"R"_s, false,
              QList<HueSceneAction>{{u"A"_s, HueLightCommand{false, std::nullopt, std::nullopt, std::nullopt}}}),
        scene(u"S3"_s, u"S3"_s, u"Z"_s, true, QList<HueSceneAction>{}),
    };
}

EditableHome standardHome()
{
    EditableHome editable;
    editable.replace(standardResources(), t0 - 10s);
    return editable;
}

HueResource report(const QString &id, const QString &type = u"light"_s)
{
    return HueResource(id, type);
}

HueEvent update(const QList<HueResource> &resources)
{
    return HueEvent{HueEvent::Kind::update, resources};
}

QStringList sortedKeys(const QHash<QString, Instant> &holds)
{
    QStringList keys = holds.keys();
    keys.sort();
    return keys;
}

const HueResource &stored(const EditableHome &editable, const QString &id)
{
    static const HueResource none;
    const auto found = editable.home.resources.constFind(id);
    return found == editable.home.resources.cend() ? none : found.value();
}

} // namespace

class TestEditableHome : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initialValue()
    {
        EditableHome editable;
        QVERIFY(editable.home.isEmpty());
        QVERIFY(editable.holds.isEmpty() && editable.deferred.isEmpty());
        QCOMPARE(editable.nextRelease(), std::nullopt);
        QCOMPARE(editable, EditableHome());

        // A change to a light that is not there only holds its id.
        editable.applyLocallyToLight(HueLightCommand{true, 50, std::nullopt, std::nullopt}, u"ghost"_s, t0);
        QVERIFY(editable.home.isEmpty());
        QCOMPARE(editable.holds.value(u"ghost"_s), t0 + 1500ms);
    }
    void holdPutsReportsAside()
    {
        EditableHome editable = standardHome();
        editable.applyLocallyToLight(HueLightCommand{std::nullopt, 10, std::nullopt, std::nullopt}, u"A"_s, t0);
        QCOMPARE(stored(editable, u"A"_s).brightness, 10.0);
        QCOMPARE(editable.holds.value(u"A"_s), t0 + 1500ms);
        QCOMPARE(editable.nextRelease(), t0 + 1500ms);

        // The bridge's echo of an older position arrives while the slider moves.
        HueResource echo = report(u"A"_s);
        echo.brightness = 70;
        HueResource other = report(u"D"_s);
        other.brightness = 15;
        QVERIFY(editable.receive({update({echo, other})}, t0 + 500ms));
        QCOMPARE(stored(editable, u"A"_s).brightness, 10.0);
        // An unheld light in the same event is shown at once.
        QCOMPARE(stored(editable, u"D"_s).brightness, 15.0);
        QCOMPARE(editable.deferred.value(u"A"_s).brightness, 70.0);
        QCOMPARE(editable.deferred.value(u"A"_s).type, u"light"_s);

        // A later local change moves the hold forward.
        editable.applyLocallyToLight(HueLightCommand{std::nullopt, 12, std::nullopt, std::nullopt}, u"A"_s, t0 + 1s);
        editable.releaseExpired(t0 + 1500ms);
        QCOMPARE(stored(editable, u"A"_s).brightness, 12.0);
        QVERIFY(editable.holds.contains(u"A"_s));

        // The hold ends exactly at its time; what was put aside is shown then.
        editable.releaseExpired(t0 + 2499ms);
        QCOMPARE(stored(editable, u"A"_s).brightness, 12.0);
        QVERIFY(editable.receive({}, t0 + 2500ms));
        QCOMPARE(stored(editable, u"A"_s).brightness, 70.0);
        QVERIFY(!editable.holds.contains(u"A"_s));
        QVERIFY(!editable.deferred.contains(u"A"_s));

        // Every hold of the change (the light and its three groups) has ended.
        editable.releaseExpired(t0 + 2500ms);
        QVERIFY(editable.holds.isEmpty());
        QVERIFY(editable.deferred.isEmpty());
        QCOMPARE(editable.nextRelease(), std::nullopt);
    }
    void reportsMergeWhileHeld()
    {
        EditableHome editable = standardHome();
        editable.applyLocallyToLight(HueLightCommand{true, 90, std::nullopt, std::nullopt}, u"A"_s, t0);

        HueResource dimmed = report(u"A"_s);
        dimmed.brightness = 20;
        HueResource off = report(u"A"_s);
        off.isOn = false;
        QVERIFY(editable.receive({update({dimmed})}, t0 + 200ms));
        QVERIFY(editable.receive({update({off})}, t0 + 400ms));
        QCOMPARE(stored(editable, u"A"_s).isOn, true);
        QCOMPARE(stored(editable, u"A"_s).brightness, 90.0);

        editable.releaseExpired(t0 + 1500ms);
        QCOMPARE(stored(editable, u"A"_s).isOn, false);
        QCOMPARE(stored(editable, u"A"_s).brightness, 20.0);
        // Fields the reports did not mention keep their value.
        QCOMPARE(stored(editable, u"A"_s).xy, (HueXY{0.3, 0.3}));
    }
    void reloadDuringHold()
    {
        EditableHome editable = standardHome();
        editable.applyLocallyToLight(HueLightCommand{false, std::nullopt, std::nullopt, std::nullopt}, u"D"_s, t0);
        const HueResource local = stored(editable, u"D"_s);
        QCOMPARE(local.isOn, false);

        // The reload still reports D on, and brings a renamed room and a new light.
        QList<HueResource> reloaded = standardResources();
        for (HueResource &resource : reloaded) {
            if (resource.id == "D"_L1)
                resource.brightness = 33;
            if (resource.id == "R"_L1)
                resource.name = u"Renamed"_s;
        }
        reloaded.append(light(u"N"_s, u"N"_s, true, 10));
        reloaded.append(HueResource(u"B1"_s, u"button"_s));
        editable.replace(reloaded, t0 + 1s);

        QCOMPARE(stored(editable, u"D"_s), local);
        QCOMPARE(editable.deferred.value(u"D"_s).brightness, 33.0);
        QCOMPARE(editable.deferred.value(u"D"_s).isOn, true);
        QCOMPARE(stored(editable, u"R"_s).name, u"Renamed"_s);
        QVERIFY(editable.home.resources.contains(u"N"_s));
        QVERIFY(!editable.home.resources.contains(u"B1"_s));
        // The groups recomputed from the change keep their local state too.
        QCOMPARE(stored(editable, u"GS"_s).isOn, false);

        editable.releaseExpired(t0 + 1500ms);
        QCOMPARE(stored(editable, u"D"_s).isOn, true);
        QCOMPARE(stored(editable, u"D"_s).brightness, 33.0);
        QCOMPARE(stored(editable, u"GS"_s).isOn, true);
        QVERIFY(editable.holds.isEmpty() && editable.deferred.isEmpty());

        // A reload after the hold ended shows the bridge's state at once, and a
        // held id the reload no longer has is simply gone.
        editable.applyLocallyToLight(HueLightCommand{false, std::nullopt, std::nullopt, std::nullopt}, u"N"_s, t0 + 2s);
        editable.replace(standardResources(), t0 + 2500ms);
        QVERIFY(!editable.home.resources.contains(u"N"_s));
        QVERIFY(!editable.deferred.contains(u"N"_s));
        editable.replace(standardResources(), t0 + 4s);
        QCOMPARE(editable.home, HueHome(standardResources()));
        QVERIFY(editable.holds.isEmpty() && editable.deferred.isEmpty());
    }
    void lightCommandRules_data()
    {
        QTest::addColumn<QString>("lightID");
        QTest::addColumn<HueLightCommand>("command");
        QTest::addColumn<std::optional<bool>>("isOn");
        QTest::addColumn<std::optional<double>>("brightness");
        QTest::addColumn<std::optional<HueXY>>("xy");
        QTest::addColumn<std::optional<HueColorTemperature>>("colorTemperature");

        const HueColorTemperature colorLight{std::nullopt, HueMirekRange{153, 500}};
        QTest::newRow("switch off") << u"A"_s << HueLightCommand{false, std::nullopt, std::nullopt, std::nullopt}
                                    << std::optional<bool>(false) << std::optional<double>(80)
                                    << std::optional<HueXY>(HueXY{0.3, 0.3})
                                    << std::optional<HueColorTemperature>(colorLight);
        QTest::newRow("temperature on a colour light")
            << u"A"_s << HueLightCommand{std::nullopt, std::nullopt, std::nullopt, 200} << std::optional<bool>(true)
            << std::optional<double>(80) << std::optional<HueXY>(HueXY{0.3, 0.3})
            << std::optional<HueColorTemperature>(HueColorTemperature{200, HueMirekRange{153, 500}});
        QTest::newRow("colour clears the temperature")
            << u"B"_s << HueLightCommand{std::nullopt, std::nullopt, HueXY{0.2, 0.2}, std::nullopt}
            << std::optional<bool>(false) << std::optional<double>(30) << std::optional<HueXY>(HueXY{0.2, 0.2})
            << std::optional<HueColorTemperature>(HueColorTemperature{std::nullopt, HueMirekRange{153, 454}});
        QTest::newRow("temperature without a temperature record")
            << u"D"_s << HueLightCommand{std::nullopt, std::nullopt, std::nullopt, 250} << std::optional<bool>(true)
            << std::optional<double>(40) << std::optional<HueXY>(HueXY{0.5, 0.4})
            << std::optional<HueColorTemperature>();
        QTest::newRow("brightness on a plug is stored")
            << u"C"_s << HueLightCommand{std::nullopt, 25, std::nullopt, std::nullopt} << std::optional<bool>(true)
            << std::optional<double>(25) << std::optional<HueXY>() << std::optional<HueColorTemperature>();
        QTest::newRow("everything") << u"B"_s << HueLightCommand{true, 65, std::nullopt, 180}
                                    << std::optional<bool>(true) << std::optional<double>(65) << std::optional<HueXY>()
                                    << std::optional<HueColorTemperature>(
                                           HueColorTemperature{180, HueMirekRange{153, 454}});
    }
    void lightCommandRules()
    {
        QFETCH(QString, lightID);
        QFETCH(HueLightCommand, command);
        QFETCH(std::optional<bool>, isOn);
        QFETCH(std::optional<double>, brightness);
        QFETCH(std::optional<HueXY>, xy);
        QFETCH(std::optional<HueColorTemperature>, colorTemperature);

        EditableHome editable = standardHome();
        editable.applyLocallyToLight(command, lightID, t0);
        const HueResource &changed = stored(editable, lightID);
        QCOMPARE(changed.isOn, isOn);
        QCOMPARE(changed.brightness, brightness);
        QCOMPARE(changed.xy, xy);
        QCOMPARE(changed.colorTemperature, colorTemperature);
        // Held even when nothing visible changed.
        QCOMPARE(editable.holds.value(lightID), t0 + 1500ms);
    }
    void groupCommand()
    {
        // Room R at 60 %: A is on, B is off, C is a plug without dimming.
        EditableHome editable = standardHome();
        editable.applyLocallyToGroupedLight(HueLightCommand{std::nullopt, 60, std::nullopt, std::nullopt}, u"GR"_s, t0);
        QCOMPARE(stored(editable, u"GR"_s).brightness, 60.0);
        QCOMPARE(stored(editable, u"A"_s).brightness, 60.0);
        QCOMPARE(stored(editable, u"B"_s).brightness, 30.0);
        QCOMPARE(stored(editable, u"B"_s).isOn, false);
        QCOMPARE(stored(editable, u"C"_s).brightness, std::nullopt);
        // The zone shares A with the room: the mean of its lit lights A and D.
        QCOMPARE(stored(editable, u"GZ"_s).brightness, 50.0);
        // The home's lit lights are A, C (no brightness) and D.
        QCOMPARE(stored(editable, u"GH"_s).brightness, 50.0);
        // Room S does not contain a changed light.
        QCOMPARE(stored(editable, u"GS"_s).brightness, 40.0);
        QCOMPARE(sortedKeys(editable.holds), (QStringList{u"A"_s, u"B"_s, u"C"_s, u"GH"_s, u"GR"_s, u"GZ"_s}));

        // The same command that also switches on reaches the off light.
        editable = standardHome();
        editable.applyLocallyToGroupedLight(HueLightCommand{true, 60, std::nullopt, std::nullopt}, u"GR"_s, t0);
        QCOMPARE(stored(editable, u"B"_s).isOn, true);
        QCOMPARE(stored(editable, u"B"_s).brightness, 60.0);
        QCOMPARE(stored(editable, u"GR"_s).isOn, true);
        QCOMPARE(stored(editable, u"GH"_s).brightness, (60.0 + 60.0 + 40.0) / 3);

        // Switching the room off: the room is off, the zone and home still have lit lights.
        editable = standardHome();
        editable.applyLocallyToGroupedLight(HueLightCommand{false, std::nullopt, std::nullopt, std::nullopt}, u"GR"_s,
                                            t0);
        for (const QString &id : {u"A"_s, u"B"_s, u"C"_s})
            QCOMPARE(stored(editable, id).isOn, false);
        QCOMPARE(stored(editable, u"GR"_s).isOn, false);
        QCOMPARE(stored(editable, u"GZ"_s).isOn, true);
        QCOMPARE(stored(editable, u"GZ"_s).brightness, 40.0);
        QCOMPARE(stored(editable, u"GH"_s).isOn, true);
        QVERIFY(!editable.home.group(u"R"_s)->isOn);

        // A grouped light without a group changes only itself.
        HueResource lonely(u"GX"_s, u"grouped_light"_s);
        lonely.isOn = false;
        editable = standardHome();
        editable.home.resources.insert(u"GX"_s, lonely);
        const HueHome before = editable.home;
        editable.applyLocallyToGroupedLight(HueLightCommand{true, std::nullopt, std::nullopt, std::nullopt}, u"GX"_s,
                                            t0);
        QCOMPARE(stored(editable, u"GX"_s).isOn, true);
        editable.home.resources.insert(u"GX"_s, lonely);
        QCOMPARE(editable.home, before);
        QCOMPARE(sortedKeys(editable.holds), QStringList{u"GX"_s});
    }
    void groupColorCommand()
    {
        // Each member takes only what it can show.
        EditableHome editable = standardHome();
        editable.applyLocallyToGroupedLight(HueLightCommand{std::nullopt, std::nullopt, HueXY{0.6, 0.3}, std::nullopt},
                                            u"GH"_s, t0);
        QCOMPARE(stored(editable, u"A"_s).xy, (HueXY{0.6, 0.3}));
        QCOMPARE(stored(editable, u"D"_s).xy, (HueXY{0.6, 0.3}));
        QCOMPARE(stored(editable, u"B"_s).xy, std::nullopt);
        QCOMPARE(stored(editable, u"B"_s).colorTemperature->mirek, 300);
        QCOMPARE(stored(editable, u"C"_s).xy, std::nullopt);

        editable = standardHome();
        editable.applyLocallyToGroupedLight(HueLightCommand{std::nullopt, std::nullopt, std::nullopt, 400}, u"GH"_s,
                                            t0);
        QCOMPARE(stored(editable, u"A"_s).colorTemperature->mirek, 400);
        QCOMPARE(stored(editable, u"B"_s).colorTemperature->mirek, 400);
        QCOMPARE(stored(editable, u"D"_s).colorTemperature, std::nullopt);
        // The home itself is not recomputed; the rooms and the zone are.
        QVERIFY(editable.holds.contains(u"GR"_s) && editable.holds.contains(u"GS"_s)
                && editable.holds.contains(u"GZ"_s));
        QCOMPARE(stored(editable, u"GH"_s).brightness, 55.0);
    }
    void groupRecomputation()
    {
        EditableHome editable = standardHome();
        // A group whose grouped light never reported a brightness does not get one.
        editable.home.update(u"GS"_s, [](HueResource &resource) { resource.brightness.reset(); });
        editable.applyLocallyToLight(HueLightCommand{std::nullopt, 20, std::nullopt, std::nullopt}, u"D"_s, t0);
        QCOMPARE(stored(editable, u"GS"_s).brightness, std::nullopt);
        QCOMPARE(stored(editable, u"GS"_s).isOn, true);
        QCOMPARE(stored(editable, u"GZ"_s).brightness, 50.0);
        QVERIFY(!editable.holds.contains(u"GR"_s));

        // With no lit light left, the brightness stays and the group is off.
        editable.applyLocallyToLight(HueLightCommand{false, std::nullopt, std::nullopt, std::nullopt}, u"D"_s, t0);
        QCOMPARE(stored(editable, u"GS"_s).isOn, false);
        editable.applyLocallyToLight(HueLightCommand{false, std::nullopt, std::nullopt, std::nullopt}, u"A"_s, t0);
        QCOMPARE(stored(editable, u"GZ"_s).isOn, false);
        QCOMPARE(stored(editable, u"GZ"_s).brightness, 80.0);

        // A report for a held group waits like any other.
        HueResource groupReport = report(u"GZ"_s, u"grouped_light"_s);
        groupReport.isOn = true;
        QVERIFY(editable.receive({update({groupReport})}, t0 + 1s));
        QCOMPARE(stored(editable, u"GZ"_s).isOn, false);
        editable.releaseExpired(t0 + 2s);
        QCOMPARE(stored(editable, u"GZ"_s).isOn, true);
    }
    void sceneRecall()
    {
        EditableHome editable = standardHome();
        editable.home.update(u"S1"_s, [](HueResource &resource) { resource.sceneActive = false; });
        editable.home.update(u"S2"_s, [](HueResource &resource) { resource.sceneActive = true; });

        editable.applyLocallyScene(u"S1"_s, t0);
        QCOMPARE(stored(editable, u"S1"_s).sceneActive, true);
        QCOMPARE(stored(editable, u"S2"_s).sceneActive, false);
        // A scene of another group is untouched.
        QCOMPARE(stored(editable, u"S3"_s).sceneActive, true);
        QVERIFY(!editable.holds.contains(u"S1"_s) && !editable.holds.contains(u"S2"_s));

        QCOMPARE(stored(editable, u"A"_s).brightness, 20.0);
        QCOMPARE(stored(editable, u"A"_s).xy, (HueXY{0.6, 0.3}));
        QCOMPARE(stored(editable, u"B"_s).isOn, true);
        QCOMPARE(stored(editable, u"B"_s).colorTemperature->mirek, 250);
        QCOMPARE(stored(editable, u"GR"_s).brightness, (20.0 + 90.0) / 2);
        QCOMPARE(stored(editable, u"GZ"_s).brightness, (20.0 + 40.0) / 2);
        QCOMPARE(sortedKeys(editable.holds), (QStringList{u"A"_s, u"B"_s, u"GH"_s, u"GR"_s, u"GZ"_s}));

        // The view sees the recalled scene as the active one.
        const auto room = editable.home.group(u"R"_s);
        for (const HueScene &scene : room->scenes)
            QCOMPARE(scene.isActive, scene.id == "S1"_L1);

        // An unknown scene, or a light id that is not a scene, changes nothing.
        const EditableHome before = editable;
        editable.applyLocallyScene(u"nope"_s, t0 + 1s);
        editable.applyLocallyScene(u"A"_s, t0 + 1s);
        QCOMPARE(editable, before);

        // A scene whose group is gone still sets its lights.
        editable = standardHome();
        editable.home.resources.remove(u"R"_s);
        editable.applyLocallyScene(u"S2"_s, t0);
        QCOMPARE(stored(editable, u"A"_s).isOn, false);
        QCOMPARE(stored(editable, u"S2"_s).sceneActive, false);
        QCOMPARE(stored(editable, u"S1"_s).sceneActive, true);
    }
    void deleteEndsHold()
    {
        EditableHome editable = standardHome();
        editable.applyLocallyToLight(HueLightCommand{true, 5, std::nullopt, std::nullopt}, u"D"_s, t0);
        HueResource echo = report(u"D"_s);
        echo.brightness = 50;
        QVERIFY(editable.receive({update({echo})}, t0 + 100ms));
        QVERIFY(editable.deferred.contains(u"D"_s));

        QVERIFY(editable.receive({HueEvent{HueEvent::Kind::delete_, {report(u"D"_s)}}}, t0 + 200ms));
        QVERIFY(!editable.holds.contains(u"D"_s));
        QVERIFY(!editable.deferred.contains(u"D"_s));
        QVERIFY(!editable.home.resources.contains(u"D"_s));
        QVERIFY(!editable.home.group(u"S"_s)->lights.size());

        // The light comes back as an add while its room is still held: adds are
        // never put aside.
        QVERIFY(editable.receive({HueEvent{HueEvent::Kind::add, {light(u"D"_s, u"D"_s, false, 1)}}}, t0 + 300ms));
        QCOMPARE(stored(editable, u"D"_s).brightness, 1.0);
        editable.releaseExpired(t0 + 2s);
        QVERIFY(editable.holds.isEmpty() && editable.deferred.isEmpty());
    }
    void receiveResult_data()
    {
        QTest::addColumn<QList<HueEvent>>("events");
        QTest::addColumn<bool>("placed");

        HueResource unknown = report(u"X"_s);
        unknown.isOn = true;
        HueResource heldUnknown = report(u"ghost"_s);
        heldUnknown.isOn = true;
        HueResource known = report(u"B"_s);
        known.isOn = true;
        const HueResource button = report(u"K"_s, u"button"_s);

        QTest::newRow("no events") << QList<HueEvent>{} << true;
        QTest::newRow("known update") << QList<HueEvent>{update({known})} << true;
        QTest::newRow("unknown, unheld update") << QList<HueEvent>{update({unknown})} << false;
        QTest::newRow("unknown in a later event") << QList<HueEvent>{update({known}), update({unknown})} << false;
        QTest::newRow("unknown but held update") << QList<HueEvent>{update({heldUnknown})} << true;
        QTest::newRow("unmodelled type") << QList<HueEvent>{update({button})} << true;
        QTest::newRow("delete of an unknown id")
            << QList<HueEvent>{HueEvent{HueEvent::Kind::delete_, {unknown}}} << true;
        QTest::newRow("other") << QList<HueEvent>{HueEvent{HueEvent::Kind::other, {unknown}}} << true;
    }
    void receiveResult()
    {
        QFETCH(QList<HueEvent>, events);
        QFETCH(bool, placed);

        EditableHome editable = standardHome();
        editable.applyLocallyToLight(HueLightCommand{true, std::nullopt, std::nullopt, std::nullopt}, u"ghost"_s, t0);
        QCOMPARE(editable.receive(events, t0 + 100ms), placed);
        // Every event is applied whatever the result: a known update after an
        // unknown one still lands.
        for (const HueEvent &event : events) {
            if (event.kind == HueEvent::Kind::update && event.resources.value(0).id == "B"_L1)
                QCOMPARE(stored(editable, u"B"_s).isOn, true);
        }
        QVERIFY(!editable.home.resources.contains(u"X"_s));
    }
};

QTEST_GUILESS_MAIN(TestEditableHome)
#include "tst_editablehome.moc"
