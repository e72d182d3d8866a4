#include "HueEvent.h"
#include "HueResource.h"
#include "HueSerializationError.h"
#include "LossyArray.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Swatches = std::optional<QList<HueSwatch>>;
using Actions = std::optional<QList<HueSceneAction>>;

QJsonValue json(const char *text)
{
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(QByteArray(text), &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("bad test JSON: %s", text);
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

HueResource decode(const char *text)
{
    auto resource = HueResource::fromJson(json(text));
    if (!resource)
        qFatal("resource did not decode: %s", text);
    return *resource;
}

} // namespace

class TestResourceModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What decodes is every other case's and the recording's (tst_home realBridge).
    void identityIsTheOnlyHardRequirement_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("no id") << u"{\"type\":\"light\"}"_s << false;
        QTest::newRow("numeric id") << u"{\"id\":5,\"type\":\"light\"}"_s << false;
        QTest::newRow("null type") << u"{\"id\":\"a\",\"type\":null}"_s << false;
        QTest::newRow("array") << u"[{\"id\":\"a\",\"type\":\"light\"}]"_s << false;
    }
    void identityIsTheOnlyHardRequirement()
    {
        QFETCH(QString, text);
        QFETCH(bool, decodes);
        QCOMPARE(HueResource::fromJson(json(text.toUtf8().constData())).has_value(), decodes);
        QVERIFY(!HueResource::fromJson(QJsonValue(42)).has_value());
        QVERIFY(!HueResource::fromJson(QJsonValue(u"light"_s)).has_value());
    }
    void malformedSubObjectsLeaveFieldsAbsent()
    {
        // "on" of the wrong type loses only isOn.
        auto r = decode(R"({"id":"l","type":"light","on":{"on":"yes"},"dimming":{"brightness":20.000000298},
            "metadata":{"name":"Desk","archetype":"sultan_bulb"},"owner":{"rid":"d","rtype":"device"}})");
        QVERIFY(!r.isOn);
        QCOMPARE(r.brightness, 20.000000298);
        QCOMPARE(r.name, u"Desk"_s);
        QCOMPARE(r.archetype, u"sultan_bulb"_s);
        QCOMPARE(r.owner, (HueResourceRef{u"d"_s, u"device"_s}));

        // A present but malformed optional key fails its whole wire record.
        r = decode(R"({"id":"l","type":"light","metadata":{"name":7,"archetype":"desk"}})");
        QVERIFY(!r.name && !r.archetype);
        r = decode(R"({"id":"l","type":"light","metadata":{"name":null,"archetype":"desk"}})");
        QVERIFY(!r.name);
        QCOMPARE(r.archetype, u"desk"_s);
        r = decode(R"({"id":"l","type":"light","color":{"xy":{"x":0.3,"y":0.3},"gamut":{"red":{"x":1}}}})");
        QVERIFY(!r.xy && !r.gamut);
        QVERIFY(!decode(R"({"id":"l","type":"light","color":{}})").xy);

        // One bad reference loses the whole list, other lists stay.
        r = decode(R"({"id":"r","type":"room","children":[{"rid":"a","rtype":"light"},{"rid":3,"rtype":"light"}],
            "services":[{"rid":"g","rtype":"grouped_light"}]})");
        QVERIFY(!r.children);
        QCOMPARE(r.services->size(), 1);

        // Wrong types at the top level of every field.
        r = decode(R"({"id":"x","type":"light","owner":"d","on":true,"dimming":50,"color":[1],
            "color_temperature":300,"children":{},"group":[],"status":5,"actions":"none","palette":3})");
        QCOMPARE(r, HueResource(u"x"_s, u"light"_s));

        // Numbers a decoder must not trust.
        r = decode(R"({"id":"x","type":"light","color_temperature":{"mirek":1e300},"dimming":{"brightness":1e308}})");
        QVERIFY(!r.colorTemperature);
        QCOMPARE(r.brightness, 1e308);
        QVERIFY(!decode(R"({"id":"x","type":"light","color_temperature":{"mirek":250.5}})").colorTemperature);
        QCOMPARE(decode(R"({"id":"x","type":"light","color_temperature":{"mirek":250.0}})").colorTemperature->mirek,
                 250);
    }
    void colorTemperature()
    {
        auto r = decode(R"({"id":"l","type":"light","color_temperature":{"mirek":null,
            "mirek_schema":{"mirek_minimum":153,"mirek_maximum":500},"mirek_valid":false}})");
        QCOMPARE(r.colorTemperature, (HueColorTemperature{std::nullopt, HueMirekRange{153, 500}}));
        r = decode(
            R"({"id":"l","type":"light","color_temperature":{"mirek":300,"mirek_schema":{"mirek_minimum":153}}})");
        QVERIFY(!r.colorTemperature);

        // Merges: a mirek-only update keeps the range, a null mirek clears the value.
        HueResource stored = decode(R"({"id":"l","type":"light","color_temperature":{"mirek":200,
            "mirek_schema":{"mirek_minimum":153,"mirek_maximum":500}}})");
        stored.merge(decode(R"({"id":"l","type":"light","color_temperature":{"mirek":300}})"));
        QCOMPARE(stored.colorTemperature, (HueColorTemperature{300, HueMirekRange{153, 500}}));
        stored.merge(decode(R"({"id":"l","type":"light","color_temperature":{"mirek":null}})"));
        QCOMPARE(stored.colorTemperature, (HueColorTemperature{std::nullopt, HueMirekRange{153, 500}}));
        stored.merge(decode(R"({"id":"l","type":"light","color_temperature":{"mirek":180,
            "mirek_schema":{"mirek_minimum":50,"mirek_maximum":1000}}})"));
        QCOMPARE(stored.colorTemperature, (HueColorTemperature{180, HueMirekRange{50, 1000}}));
        // A mirek without a range, decoded and merged into nothing.
        HueResource bare(u"l"_s, u"light"_s);
        bare.merge(decode(R"({"id":"l","type":"light","color_temperature":{"mirek":250}})"));
        QCOMPARE(bare.colorTemperature, (HueColorTemperature{250, std::nullopt}));
    }
    void status_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<std::optional<bool>>("sceneActive");
        QTest::newRow("inactive") << uR"({"active":"inactive"})"_s << std::optional(false);
        QTest::newRow("dynamic palette") << uR"({"active":"dynamic_palette"})"_s << std::optional(true);
        QTest::newRow("anything but inactive, even in capitals")
            << uR"({"active":"Inactive"})"_s << std::optional(true);
        QTest::newRow("recall only") << uR"({"last_recall":"2024"})"_s << std::optional<bool>();
        QTest::newRow("active not a string") << uR"({"active":false})"_s << std::optional<bool>();
        QTest::newRow("connectivity") << u"\"connected\""_s << std::optional<bool>();
    }
    void status()
    {
        QFETCH(QString, status);
        QFETCH(std::optional<bool>, sceneActive);
        const auto r = decode(qPrintable(uR"({"id":"s","type":"scene","status":)"_s + status + u'}'));
        QCOMPARE(r.sceneActive, sceneActive);
        // A string status is a link's; an object is a scene's.
        QCOMPARE(r.connectivity, status.startsWith(u'"') ? std::optional(u"connected"_s) : std::nullopt);
    }
    void sceneSwatchesAndActions_data()
    {
        QTest::addColumn<QString>("scene");
        QTest::addColumn<Swatches>("swatches");
        QTest::addColumn<Actions>("actions");

        const HueXY a{0.3, 0.3};
        const HueXY b{0.5, 0.4};
        const auto action = [](const char *light, HueLightCommand command) {
            return HueSceneAction{QString::fromLatin1(light), command};
        };
        const auto swatches = [](QList<HueSwatch> list) { return Swatches(std::move(list)); };
        const auto actions = [](QList<HueSceneAction> list) { return Actions(std::move(list)); };

        QTest::newRow("neither") << u"{}"_s << Swatches() << Actions();
        QTest::newRow("empty actions") << uR"({"actions":[]})"_s << swatches({}) << actions({});
        QTest::newRow("all off, no palette")
            << uR"({"actions":[{"target":{"rid":"1","rtype":"light"},"action":{"on":{"on":false},
                  "color":{"xy":{"x":0.3,"y":0.3}}}}]})"_s
            << swatches({}) << actions({action("1", {false, {}, a, {}})});
        QTest::newRow("all off, palette fallback")
            << uR"({"actions":[{"target":{"rid":"1","rtype":"light"},"action":{"on":{"on":false}}}],
                  "palette":{"color":[{"color":{"xy":{"x":0.5,"y":0.4}}},{"color":{}}],
                             "color_temperature":[{"color_temperature":{"mirek":300}},{"color_temperature":{"mirek":null}}],
                             "dimming":[]}})"_s
            << swatches({HueSwatch::xy(b), HueSwatch::mirek(300)}) << actions({action("1", {false, {}, {}, {}})});
        QTest::newRow("palette only") << uR"({"palette":{"color_temperature":[{"color_temperature":{"mirek":366}}]}})"_s
                                      << swatches({HueSwatch::mirek(366)}) << Actions();
        QTest::newRow("actions win over palette, duplicates removed")
            << uR"({"actions":[
                  {"target":{"rid":"1","rtype":"light"},"action":{"color":{"xy":{"x":0.3,"y":0.3}},"dimming":{"brightness":40}}},
                  {"target":{"rid":"2","rtype":"light"},"action":{"color":{"xy":{"x":0.3,"y":0.3}}}},
                  {"target":{"rid":"3","rtype":"light"},"action":{"on":{"on":true},"color_temperature":{"mirek":250}}},
                  {"target":{"rid":"4","rtype":"grouped_light"},"action":{"dimming":{"brightness":10}}}],
                  "palette":{"color":[{"color":{"xy":{"x":0.5,"y":0.4}}}]}})"_s
            << swatches({HueSwatch::xy(a), HueSwatch::mirek(250)})
            << actions({action("1", {{}, 40.0, a, {}}), action("2", {{}, {}, a, {}}), action("3", {true, {}, {}, 250}),
                        action("4", {{}, 10.0, {}, {}})});
        QTest::newRow("xy beats temperature in one action")
            << uR"({"actions":[{"target":{"rid":"1","rtype":"light"},"action":{"color":{"xy":{"x":0.5,"y":0.4}},
                  "color_temperature":{"mirek":300}}}]})"_s
            << swatches({HueSwatch::xy(b)}) << actions({action("1", {{}, {}, b, {}})});
        QTest::newRow("gradient-only action and null mirek")
            << uR"({"actions":[{"target":{"rid":"1","rtype":"light"},"action":{"gradient":{"points":[]},
                  "color_temperature":{"mirek":null}}}]})"_s
            << swatches({}) << actions({action("1", {})});
        QTest::newRow("one bad action loses all actions, palette still used")
            << uR"({"actions":[{"target":{"rid":"1","rtype":"light"},"action":{}},{"target":{"rid":"2"},"action":{}}],
                  "palette":{"color":[{"color":{"xy":{"x":0.5,"y":0.4}}}]}})"_s
            << swatches({HueSwatch::xy(b)}) << Actions();
        QTest::newRow("malformed optional key in action")
            << uR"({"actions":[{"target":{"rid":"1","rtype":"light"},"action":{"on":{"on":1}}}]})"_s << Swatches()
            << Actions();
        QTest::newRow("bad palette entry loses palette")
            << uR"({"palette":{"color":[{"color":{"xy":{"x":0.5,"y":0.4}}},{"colour":{}}]}})"_s << Swatches()
            << Actions();
    }
    void sceneSwatchesAndActions()
    {
        QFETCH(QString, scene);
        QFETCH(Swatches, swatches);
        QFETCH(Actions, actions);
        auto object = json(scene.toUtf8().constData()).toObject();
        object.insert("id"_L1, u"s"_s);
        object.insert("type"_L1, u"scene"_s);
        const auto r = HueResource::fromJson(object);
        QVERIFY(r);
        QCOMPARE(r->sceneSwatches, swatches);
        QCOMPARE(r->sceneActions, actions);
    }
    void mergeFoldsPresentFields()
    {
        HueResource stored = decode(R"({"id":"l","type":"light","metadata":{"name":"Desk"},"on":{"on":true},
            "dimming":{"brightness":50},"color":{"xy":{"x":0.3,"y":0.3},"gamut":{"red":{"x":0.7,"y":0.3},
            "green":{"x":0.17,"y":0.7},"blue":{"x":0.15,"y":0.05}}},"owner":{"rid":"d","rtype":"device"}})");
        const HueResource before = stored;

        stored.merge(HueResource(u"other-id"_s, u"grouped_light"_s));
        QCOMPARE(stored, before);

        stored.merge(decode(R"({"id":"l","type":"light","on":{"on":false},"color":{"xy":{"x":0.5,"y":0.4}}})"));
        QCOMPARE(stored.isOn, false);
        QCOMPARE(stored.xy, (HueXY{0.5, 0.4}));
        QCOMPARE(stored.gamut, before.gamut);
        QCOMPARE(stored.brightness, 50.0);
        QCOMPARE(stored.name, u"Desk"_s);

        stored.merge(decode(R"({"id":"l","type":"light","status":"connectivity_issue","children":[],
            "group":{"rid":"r","rtype":"room"},"metadata":{"name":"Lamp"}})"));
        QCOMPARE(stored.connectivity, u"connectivity_issue"_s);
        QCOMPARE(stored.children, QList<HueResourceRef>{});
        QCOMPARE(stored.group, (HueResourceRef{u"r"_s, u"room"_s}));
        QCOMPARE(stored.name, u"Lamp"_s);
    }
    void lossyArrayDropsOnlyBadElements()
    {
        const auto list = LossyArray<HueResource>::fromJson(
            json(R"([{"id":"a","type":"light"}, 7, {"type":"light"}, null, "x", [], {"id":"b","type":"room"}])"));
        QCOMPARE(list->elements, (QList{HueResource(u"a"_s, u"light"_s), HueResource(u"b"_s, u"room"_s)}));
        QVERIFY(!LossyArray<HueResource>::fromJson(json(R"({"id":"a","type":"light"})")));
        QVERIFY(LossyArray<HueResource>::fromJson(QJsonArray())->elements.isEmpty());
    }
    void events()
    {
        auto event = HueEvent::fromJson(json(R"({"type":"update","creationtime":"2024-01-01T00:00:00Z","id":"e",
            "data":[{"id":"g","type":"grouped_light","on":{"on":true}},{"id":"g","type":"grouped_light",
            "dimming":{"brightness":12.5}},{"type":"light"}]})"));
        QCOMPARE(event->kind, HueEvent::Kind::update);
        QCOMPARE(event->resources.size(), 2);
        QCOMPARE(event->resources[1].brightness, 12.5);

        const std::pair<const char *, HueEvent::Kind> kinds[] = {
            {R"({"type":"add"})", HueEvent::Kind::add},
            {R"({"type":"delete","data":[{"id":"s","type":"scene"}]})", HueEvent::Kind::delete_},
            {R"({"type":"error","data":[]})", HueEvent::Kind::other},
            {R"({"type":"UPDATE"})", HueEvent::Kind::other},
            {R"({"type":3,"data":"x"})", HueEvent::Kind::other},
            {R"({})", HueEvent::Kind::other},
        };
        for (const auto &[text, kind] : kinds)
            QCOMPARE(HueEvent::fromJson(json(text))->kind, kind);
        QCOMPARE(HueEvent::fromJson(json(R"({"type":"delete","data":[{"id":"s","type":"scene"}]})"))->resources,
                 QList{HueResource(u"s"_s, u"scene"_s)});
        QVERIFY(HueEvent::fromJson(json(R"({"type":"update"})"))->resources.isEmpty());
        QVERIFY(!HueEvent::fromJson(QJsonValue(u"update"_s)));
    }
    void commandBody_data()
    {
        QTest::addColumn<HueLightCommand>("command");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << HueLightCommand{} << "{}"_ba;
        QTest::newRow("over 100") << HueLightCommand{{}, 140.0, {}, {}} << R"({"dimming":{"brightness":100}})"_ba;
        QTest::newRow("negative") << HueLightCommand{{}, -5.0, {}, {}} << R"({"dimming":{"brightness":0}})"_ba;
        QTest::newRow("fraction") << HueLightCommand{{}, 0.4, {}, {}} << R"({"dimming":{"brightness":0.4}})"_ba;
        // Numbers that are not finite cannot be sent (an empty body: refused).
        QTest::newRow("nan") << HueLightCommand{{}, std::nan(""), {}, {}} << QByteArray();
        QTest::newRow("infinite") << HueLightCommand{{}, qInf(), {}, {}} << R"({"dimming":{"brightness":100}})"_ba;
        QTest::newRow("xy nan") << HueLightCommand{true, {}, HueXY{std::nan(""), 0.3}, {}} << QByteArray();
        QTest::newRow("xy unclamped") << HueLightCommand{{}, {}, HueXY{0.9, -0.1}, {}}
                                      << R"({"color":{"xy":{"x":0.9,"y":-0.1}}})"_ba;
        QTest::newRow("mirek unclamped") << HueLightCommand{{}, {}, {}, 1000}
                                         << R"({"color_temperature":{"mirek":1000}})"_ba;
        QTest::newRow("both colours") << HueLightCommand{false, 50.0, HueXY{0.3, 0.3}, 300}
                                      << R"({"color":{"xy":{"x":0.3,"y":0.3}},"color_temperature":{"mirek":300},)"
                                         R"("dimming":{"brightness":50},"on":{"on":false}})"_ba;
    }
    void commandBody()
    {
        QFETCH(HueLightCommand, command);
        QFETCH(QByteArray, body);
        if (body.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(HueSerializationError, HueJson::compact(command.body()));
            QVERIFY_THROWS_EXCEPTION(HueSerializationError,
                                     HueJson::compact(HueSceneAction::body({HueSceneAction{u"l"_s, command}})));
        } else {
            QCOMPARE(HueJson::compact(command.body()), body);
        }
    }
    void commandMerge()
    {
        HueLightCommand command{{}, 50.0, HueXY{0.3, 0.3}, {}};
        command.merge({{}, {}, {}, 300});
        QCOMPARE(command, (HueLightCommand{{}, 50.0, {}, 300}));
        command.merge({{}, {}, HueXY{0.2, 0.2}, {}});
        QCOMPARE(command, (HueLightCommand{{}, 50.0, HueXY{0.2, 0.2}, {}}));
        command.merge({false, {}, {}, {}});
        QCOMPARE(command, (HueLightCommand{false, 50.0, HueXY{0.2, 0.2}, {}}));
        command.merge({true, 10.0, HueXY{0.4, 0.4}, 200});
        QCOMPARE(command, (HueLightCommand{true, 10.0, {}, 200}));
        command.merge({});
        QCOMPARE(command, (HueLightCommand{true, 10.0, {}, 200}));
    }
};

QTEST_GUILESS_MAIN(TestResourceModel)
#include "tst_resourcemodel.moc"
