#include "EditableHome.h"
#include "HomeSnapshot.h"
#include "ResourceBuilders.h"
#include "StoreTestSupport.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using Instant = EditableHome::Instant;

// An arbitrary origin: nothing may depend on the clock's epoch.
const Instant t0 = Instant{} + 1000s;

using namespace ResourceBuilders;
using namespace StoreTestSupport;

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

    return {a,
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
            scene(u"S3"_s, u"S3"_s, u"Z"_s, true, QList<HueSceneAction>{})};
}

EditableHome standardHome()
{
    EditableHome editable;
    editable.replace(standardResources(), t0 - 10s);
    return editable;
}

/// What the bridge reports about a light (or other resource) in an event.
HueResource report(const QString &id, std::optional<bool> on, std::optional<double> brightness = {})
{
    HueResource resource(id, u"light"_s);
    resource.isOn = on;
    resource.brightness = brightness;
    return resource;
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

/// What the user sees of these resources, one entry per id, for example
/// "A on 80 xy0.3/0.3 m-" (a temperature range, no mirek), "B off 30 m300" or
/// "S1 active"; fields a resource lacks are left out.
QString shown(const EditableHome &editable, const QString &spacedIDs)
{
    QStringList entries;
    for (const QString &id : spacedIDs.split(u' ')) {
        const HueResource &resource = stored(editable, id);
        QString entry = id;
        if (resource.isOn)
            entry += *resource.isOn ? u" on"_s : u" off"_s;
        if (resource.brightness)
            entry += u' ' + QString::number(*resource.brightness);
        if (resource.xy)
            entry += u" xy"_s + QString::number(resource.xy->x) + u'/' + QString::number(resource.xy->y);
        if (const auto &temperature = resource.colorTemperature)
            entry += temperature->mirek ? u" m"_s + QString::number(*temperature->mirek) : u" m-"_s;
        if (resource.sceneActive)
            entry += *resource.sceneActive ? u" active"_s : u" inactive"_s;
        entries.append(entry);
    }
    return entries.join(u", "_s);
}

} // namespace

class TestEditableHome : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void holdPutsReportsAside()
    {
        EditableHome editable = standardHome();
        editable.applyLocallyToLight(dim(10), u"A"_s, t0);
        QCOMPARE(editable.nextRelease(), t0 + 1500ms);

        // The bridge's echoes of older positions arrive while the slider
        // moves; an unheld light in the same event is shown at once.
        QVERIFY(editable.receive({update({report(u"A"_s, {}, 70), report(u"D"_s, {}, 15)})}, t0 + 500ms));
        QVERIFY(editable.receive({update({report(u"A"_s, false)})}, t0 + 600ms));
        QCOMPARE(shown(editable, u"A D"_s), u"A on 10 xy0.3/0.3 m-, D on 15 xy0.5/0.4"_s);

        // A later local change moves the hold forward; it ends exactly at its
        // time, and what was put aside is shown then: both reports merged,
        // fields they did not mention as they were.
        editable.applyLocallyToLight(dim(12), u"A"_s, t0 + 1s);
        editable.releaseExpired(t0 + 2499ms);
        QCOMPARE(shown(editable, u"A"_s), u"A on 12 xy0.3/0.3 m-"_s);
        QVERIFY(editable.receive({}, t0 + 2500ms));
        QCOMPARE(shown(editable, u"A"_s), u"A off 70 xy0.3/0.3 m-"_s);
        // Every hold of the change (the light and its three groups) has ended.
        QVERIFY(editable.holds.isEmpty() && editable.deferred.isEmpty());
        QCOMPARE(editable.nextRelease(), std::nullopt);
    }
    void reloadDuringHold()
    {
        EditableHome editable = standardHome();
        editable.applyLocallyToLight(power(false), u"D"_s, t0);
        const HueResource local = stored(editable, u"D"_s);

        // The reload still reports D on, and brings a new light.
        QList<HueResource> reloaded = standardResources();
        reloaded[3].brightness = 33; // D
        reloaded.append(light(u"N"_s, u"N"_s, true, 10));
        editable.replace(reloaded, t0 + 1s);

        // The held light and the groups recomputed from it keep their local state.
        QCOMPARE(stored(editable, u"D"_s), local);
        QCOMPARE(shown(editable, u"GS"_s), u"GS off 40"_s);
        QVERIFY(editable.home.resources.contains(u"N"_s));

        editable.releaseExpired(t0 + 1500ms);
        QCOMPARE(shown(editable, u"D GS"_s), u"D on 33 xy0.5/0.4, GS on 40"_s);
        QVERIFY(editable.holds.isEmpty() && editable.deferred.isEmpty());

        // A reload after the hold ended shows the bridge's state at once, and a
        // held id the reload no longer has is simply gone.
        editable.applyLocallyToLight(power(false), u"N"_s, t0 + 2s);
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
        QTest::addColumn<QString>("shownAfter");
        QTest::newRow("colour clears the temperature, keeps its range")
            << u"B"_s << HueLightCommand{{}, {}, HueXY{0.2, 0.2}, {}} << u"B off 30 xy0.2/0.2 m-"_s;
        QTest::newRow("no temperature invented")
            << u"D"_s << HueLightCommand{{}, {}, {}, 250} << u"D on 40 xy0.5/0.4"_s;
        QTest::newRow("brightness on a plug is stored") << u"C"_s << dim(25) << u"C on 25"_s;
        QTest::newRow("a missing light is not invented") << u"ghost"_s << power(true) << u"ghost"_s;
    }
    void lightCommandRules()
    {
        QFETCH(QString, lightID);
        QFETCH(HueLightCommand, command);
        QFETCH(QString, shownAfter);
        EditableHome editable = standardHome();
        editable.applyLocallyToLight(command, lightID, t0);
        QCOMPARE(shown(editable, lightID), shownAfter);
        QCOMPARE(editable.home.resources.size(), standardResources().size());
        // Held even when nothing visible changed.
        QCOMPARE(editable.holds.value(lightID), t0 + 1500ms);
    }
    void groupCommand_data()
    {
        QTest::addColumn<HueLightCommand>("command");
        QTest::addColumn<QString>("groupedLight");
        QTest::addColumn<QString>("shownAfter"); // of A B C D GR GS GZ GH
        QTest::addColumn<QString>("held");

        // Room R holds A (on), B (off) and the plug C; zone Z holds A and D.
        // Each group shows the mean brightness of its lit lights.
        QTest::newRow("room dimmed: the off light and the plug keep theirs")
            << dim(60) << u"GR"_s
            << u"A on 60 xy0.3/0.3 m-, B off 30 m300, C on, D on 40 xy0.5/0.4, GR on 60, GS on 40, GZ on 50, GH on 50"_s
            << u"A B C GH GR GZ"_s;
        QTest::newRow("switching on too reaches the off light")
            << HueLightCommand{true, 60, {}, {}} << u"GR"_s
            << u"A on 60 xy0.3/0.3 m-, B on 60 m300, C on, D on 40 xy0.5/0.4, GR on 60, GS on 40, GZ on 50, GH on 53.3333"_s
            << u"A B C GH GR GZ"_s;
        QTest::newRow("room off: zone and home keep their lit light")
            << power(false) << u"GR"_s
            << u"A off 80 xy0.3/0.3 m-, B off 30 m300, C off, D on 40 xy0.5/0.4, GR off 50, GS on 40, GZ on 40, GH on 40"_s
            << u"A B C GH GR GZ"_s;
        // Each member takes only what it can show; the home itself is not recomputed.
        QTest::newRow("colour for the home")
            << HueLightCommand{{}, {}, HueXY{0.6, 0.3}, {}} << u"GH"_s
            << u"A on 80 xy0.6/0.3 m-, B off 30 m300, C on, D on 40 xy0.6/0.3, GR on 80, GS on 40, GZ on 60, GH on 55 xy0.6/0.3"_s
            << u"A B C D GH GR GS GZ"_s;
        QTest::newRow("temperature for the home")
            << HueLightCommand{{}, {}, {}, 400} << u"GH"_s
            << u"A on 80 xy0.3/0.3 m400, B off 30 m400, C on, D on 40 xy0.5/0.4, GR on 80, GS on 40, GZ on 60, GH on 55"_s
            << u"A B C D GH GR GS GZ"_s;
    }
    void groupCommand()
    {
        QFETCH(HueLightCommand, command);
        QFETCH(QString, groupedLight);
        QFETCH(QString, shownAfter);
        QFETCH(QString, held);
        EditableHome editable = standardHome();
        editable.applyLocallyToGroupedLight(command, groupedLight, t0);
        QCOMPARE(shown(editable, u"A B C D GR GS GZ GH"_s), shownAfter);
        QCOMPARE(sortedKeys(editable.holds).join(u' '), held);
    }
    void groupedLightWithoutGroup()
    {
        // It changes only itself.
        const HueResource lonely(u"GX"_s, u"grouped_light"_s);
        EditableHome editable = standardHome();
        editable.home.resources.insert(u"GX"_s, lonely);
        const HueHome before = editable.home;
        editable.applyLocallyToGroupedLight(power(true), u"GX"_s, t0);
        QCOMPARE(shown(editable, u"GX"_s), u"GX on"_s);
        editable.home.resources.insert(u"GX"_s, lonely);
        QCOMPARE(editable.home, before);
        QCOMPARE(sortedKeys(editable.holds), QStringList{u"GX"_s});
    }
    void groupWithoutBrightness()
    {
        // A group whose grouped light never reported a brightness does not get one.
        EditableHome editable = standardHome();
        editable.home.update(u"GS"_s, [](HueResource &resource) { resource.brightness.reset(); });
        editable.applyLocallyToLight(dim(20), u"D"_s, t0);
        QCOMPARE(shown(editable, u"GS GZ"_s), u"GS on, GZ on 50"_s);
    }
    void sceneRecall()
    {
        EditableHome editable = standardHome();
        editable.home.update(u"S1"_s, [](HueResource &resource) { resource.sceneActive = false; });
        editable.home.update(u"S2"_s, [](HueResource &resource) { resource.sceneActive = true; });

        // The recalled scene becomes its group's only active one (S3 is another
        // group's); its actions show and hold, the scenes themselves are not held.
        editable.applyLocallyScene(u"S1"_s, t0);
        QCOMPARE(shown(editable, u"S1 S2 S3"_s), u"S1 active, S2 inactive, S3 active"_s);
        QCOMPARE(shown(editable, u"A B GR GZ"_s), u"A on 20 xy0.6/0.3 m-, B on 90 m250, GR on 55, GZ on 30"_s);
        QCOMPARE(sortedKeys(editable.holds), (QStringList{u"A"_s, u"B"_s, u"GH"_s, u"GR"_s, u"GZ"_s}));

        // A light id is not a scene: nothing changes.
        const EditableHome before = editable;
        editable.applyLocallyScene(u"A"_s, t0 + 1s);
        QCOMPARE(editable, before);

        // A scene whose group is gone still sets its lights.
        editable = standardHome();
        editable.home.resources.remove(u"R"_s);
        editable.applyLocallyScene(u"S2"_s, t0);
        QCOMPARE(stored(editable, u"A"_s).isOn, false);
        QCOMPARE(shown(editable, u"S1 S2 S3"_s), u"S1 active, S2 inactive, S3 active"_s);
    }
    void deleteEndsHold()
    {
        EditableHome editable = standardHome();
        editable.applyLocallyToLight({true, 5, {}, {}}, u"D"_s, t0);
        QVERIFY(editable.receive({update({report(u"D"_s, {}, 50)})}, t0 + 100ms));
        QVERIFY(editable.receive({HueEvent{HueEvent::Kind::delete_, {report(u"D"_s, {})}}}, t0 + 200ms));
        QVERIFY(!editable.holds.contains(u"D"_s) && !editable.deferred.contains(u"D"_s));

        // The light comes back as an add while its room is still held: adds are
        // never put aside.
        QVERIFY(editable.receive({HueEvent{HueEvent::Kind::add, {light(u"D"_s, u"D"_s, false, 1)}}}, t0 + 300ms));
        QCOMPARE(stored(editable, u"D"_s).brightness, 1.0);
        editable.releaseExpired(t0 + 2s);
        QVERIFY(editable.holds.isEmpty() && editable.deferred.isEmpty());
    }
    void receiveResult()
    {
        // An unheld update for an id the home lacks asks for a reload; the
        // rest of the batch still lands (B is off in the standard home).
        EditableHome editable = standardHome();
        QVERIFY(!editable.receive({update({report(u"X"_s, true)}), update({report(u"B"_s, true)})}, t0));
        QCOMPARE(stored(editable, u"B"_s).isOn, true);
        QVERIFY(!editable.home.resources.contains(u"X"_s));
        // A held one is put aside instead, and the batch counts as placed.
        editable.applyLocallyToLight(power(true), u"ghost"_s, t0);
        QVERIFY(editable.receive({update({report(u"ghost"_s, true)})}, t0 + 100ms));
    }

    void snapshotFollowsEveryChange()
    {
        // After each change the snapshot brought up from the one before is
        // the one made afresh. Room S's grouped light reports no switch, so
        // S is on exactly while D is.
        QList<HueResource> resources = standardResources();
        for (HueResource &resource : resources) {
            if (resource.id == u"GS")
                resource.isOn = std::nullopt;
        }
        EditableHome editable;
        editable.replace(resources, t0 - 10s);
        HomeSnapshot shown = HomeSnapshot::make(editable.home);
        Instant now = t0;
        const auto step = [&](const char *what, const std::function<void()> &change) {
            change();
            now += 2s;
            editable.releaseExpired(now);
            shown = HomeSnapshot::make(editable.home, std::move(shown));
            const bool same = shown == HomeSnapshot::make(editable.home);
            if (!same)
                qWarning() << "after" << what << "the snapshot differs from a fresh one";
            return same;
        };
        const auto receive = [&](const QList<HueResource> &changed) {
            return [&editable, &now, changed] { QVERIFY(editable.receive({update(changed)}, now)); };
        };
        HueResource renamed = report(u"A"_s, std::nullopt);
        renamed.name = u"Z last"_s;
        HueResource groupOff(u"GR"_s, u"grouped_light"_s);
        groupOff.isOn = false;
        HueResource sceneChange(u"S2"_s, u"scene"_s);
        sceneChange.sceneActive = true;
        sceneChange.name = u"A first"_s;
        HueResource roomRenamed(u"R"_s, u"room"_s);
        roomRenamed.name = u"Zz"_s;

        QVERIFY(step("a light dims", receive({report(u"D"_s, std::nullopt, 20)})));
        QVERIFY(step("a light goes off", receive({report(u"D"_s, false)})));
        QCOMPARE(shown.group(u"S"_s)->isOn, false);
        QVERIFY(step("a light is renamed", receive({renamed})));
        QCOMPARE(shown.group(u"R"_s)->lights.constLast().id, u"A"_s);
        QVERIFY(step("a grouped light switches", receive({groupOff})));
        QVERIFY(step("a scene changes", receive({sceneChange})));
        QCOMPARE(shown.group(u"R"_s)->scenes.constFirst().name, u"A first"_s);
        QVERIFY(step("a light command", [&] { editable.applyLocallyToLight(power(true), u"D"_s, now); }));
        QCOMPARE(shown.group(u"S"_s)->isOn, true);
        QVERIFY(step("a zone command", [&] {
            editable.applyLocallyToGroupedLight(HueLightCommand{{}, 15, {}, {}}, u"GZ"_s, now);
        }));
        QVERIFY(step("a scene recall", [&] { editable.applyLocallyScene(u"S1"_s, now); }));
        QVERIFY(step("a room is renamed", receive({roomRenamed})));
        QVERIFY(step("a light is added", [&] {
            QVERIFY(editable.receive({HueEvent{HueEvent::Kind::add, {light(u"E"_s, u"E"_s, true, 5)}}}, now));
        }));
        QVERIFY(step("more changes than are followed one by one", [&] {
            for (int i = 0; i < 600; ++i)
                QVERIFY(editable.receive({update({report(i % 2 ? u"A"_s : u"B"_s, true, i % 100)})}, now));
        }));

        // A copy that went its own way since the snapshot was made of the
        // original cannot be followed from it.
        EditableHome copy = editable;
        QVERIFY(step("the original changes", receive({report(u"A"_s, false)})));
        QVERIFY(copy.receive({update({report(u"B"_s, false)})}, now));
        QCOMPARE(HomeSnapshot::make(copy.home, shown), HomeSnapshot::make(copy.home));
    }
};

QTEST_GUILESS_MAIN(TestEditableHome)
#include "tst_editablehome.moc"
