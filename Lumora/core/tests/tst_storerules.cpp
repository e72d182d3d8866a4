// The store's rules that need no bridge: names, device types, delays, and the
// start-up decisions that happen before any request.
#include "HueText.h"
#include "StoreTestSupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace StoreTestSupport;

namespace {

HueStore::Environment withKeys(const std::shared_ptr<FakeKeys> &keys)
{
    HueStore::Environment environment;
    environment.keys = keyStore(keys);
    return environment;
}

} // namespace

class TestStoreRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sceneName_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<std::optional<QString>>("cleaned");
        QTest::newRow("plain") << u"Relax"_s << std::optional(u"Relax"_s);
        QTest::newRow("trimmed") << u"  \tEvening\n "_s << std::optional(u"Evening"_s);
        QTest::newRow("inner spaces kept") << u" a  b "_s << std::optional(u"a  b"_s);
        QTest::newRow("only spaces") << u"   \n"_s << std::optional<QString>();
        QTest::newRow("empty") << QString() << std::optional<QString>();
        QTest::newRow("32") << QString(32, u'x') << std::optional(QString(32, u'x'));
        QTest::newRow("33") << QString(33, u'x') << std::optional<QString>();
        QTest::newRow("32 after trimming") << u"  "_s + QString(32, u'y') + u"  "_s << std::optional(QString(32, u'y'));
        // 32 emoji are 64 UTF-16 units but 32 characters to a reader.
        QString emoji;
        for (int i = 0; i < 32; ++i)
            emoji += u"💡"_s;
        QTest::newRow("32 emoji") << emoji << std::optional(emoji);
        QTest::newRow("33 emoji") << emoji + u"💡"_s << std::optional<QString>();
        QString accented;
        for (int i = 0; i < 32; ++i)
            accented += u"e\u0301"_s;
        QTest::newRow("combining accents") << accented << std::optional(accented);
    }
    void sceneName()
    {
        QFETCH(QString, raw);
        QFETCH(std::optional<QString>, cleaned);
        QCOMPARE(HueStore::sceneName(raw), cleaned);
    }
    void deviceType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::newRow("plain") << u"desk"_s << u"lumora#desk"_s;
        QTest::newRow("umlaut and hash dropped") << u"Jörg's #1 PC"_s << u"lumora#Jrg's 1 PC"_s;
        QTest::newRow("19 characters kept") << u"abcdefghijklmnopqrstuvwxyz"_s << u"lumora#abcdefghijklmnopqrs"_s;
        QTest::newRow("limit counts kept characters")
            << u"ééééabcdefghijklmnopqrstu"_s << u"lumora#abcdefghijklmnopqrs"_s;
        QTest::newRow("control characters dropped") << u"a\tb\nc"_s << u"lumora#abc"_s;
        QTest::newRow("only non-ASCII") << u"ÄÖÜ漢字"_s << u"lumora#Linux"_s;
        QTest::newRow("empty") << QString() << u"lumora#Linux"_s;
        QTest::newRow("surrogate pair dropped whole") << u"a💡b"_s << u"lumora#ab"_s;
    }
    void deviceType()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QCOMPARE(HueStore::deviceType(name), type);
    }
    void reconnectDelays()
    {
        // Attempt by attempt: 1 s twice, 2 s twice, then 6 s for good.
        const QList<int> seconds{1, 1, 2, 2, 6, 6};
        for (int attempt = 0; attempt < seconds.size(); ++attempt)
            QCOMPARE(HueStore::standardReconnectDelay(attempt), std::chrono::seconds(seconds[attempt]));
        QCOMPARE(HueStore::standardReconnectDelay(1000), std::chrono::seconds(6));
        QCOMPARE(HueStore::Environment().reconnectDelay(3), std::chrono::seconds(2)); // the default is this sequence
    }
    void startUp()
    {
        // Without a stored bridge: unpaired at once, and start() keeps it so.
        {
            TemporarySettings defaults;
            auto keys = std::make_shared<FakeKeys>();
            HueStore store(defaults.settings, withKeys(keys));
            QCOMPARE(store.phase(), HueStore::Phase::unpaired());
            store.start();
            QCOMPARE(store.phase(), HueStore::Phase::unpaired());
            QCOMPARE(keys->loads, 0);
        }
        // A stored bridge without a key: connecting, then unpaired; the record stays.
        {
            TemporarySettings defaults;
            const PairedBridge bridge{u"001788fffe6a5c3b"_s, u"Hue Bridge"_s, u"192.0.2.10"_s};
            bridge.save(*defaults.settings);
            auto keys = std::make_shared<FakeKeys>();
            HueStore store(defaults.settings, withKeys(keys));
            QCOMPARE(store.phase(), HueStore::Phase::connecting());
            QCOMPARE(store.bridge(), bridge);
            QSignalSpy phases(&store, &HueStore::phaseChanged);
            store.start();
            store.start(); // a second call while the first runs does nothing
            QTRY_COMPARE(store.phase(), HueStore::Phase::unpaired());
            QCOMPARE(keys->loads, 1);
            QCOMPARE(phases.count(), 1);
            QVERIFY(!store.bridge());
            QCOMPARE(PairedBridge::load(*defaults.settings), bridge);
            // The slot is free again: another start asks again.
            store.start();
            QCOMPARE(store.phase(), HueStore::Phase::unpaired());
        }
    }
    void forgetBridge()
    {
        TemporarySettings defaults;
        const PairedBridge bridge{u"001788FFFE6A5C3B"_s, u"Hue Bridge"_s, u"192.0.2.10"_s};
        bridge.save(*defaults.settings);
        auto keys = std::make_shared<FakeKeys>();
        keys->keys.insert(bridge.bridgeID, u"secret"_s);
        HueStore store(defaults.settings, withKeys(keys));
        store.favorites()->load(bridge.bridgeID);
        store.favorites()->toggle(Favorite{Favorite::Kind::light, u"l1"_s});
        QSignalSpy bridgeChanges(&store, &HueStore::bridgeChanged);

        store.forgetBridge();
        QCOMPARE(keys->deleted, QStringList{bridge.bridgeID});
        QVERIFY(!keys->keys.contains(bridge.bridgeID));
        QVERIFY(!PairedBridge::load(*defaults.settings));
        QVERIFY(!store.bridge());
        QCOMPARE(bridgeChanges.count(), 1);
        QCOMPARE(store.phase(), HueStore::Phase::unpaired());
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::idle());
        QVERIFY(store.home().isEmpty());
        // Favourites are per bridge id and survive a forgotten pairing.
        QVERIFY(store.favorites()->contains(Favorite::Kind::light, u"l1"_s));

        // Forgetting again deletes nothing more and notifies nothing.
        store.forgetBridge();
        QCOMPARE(keys->deleted.size(), 1);
        QCOMPARE(bridgeChanges.count(), 1);
    }
    void offlineCommands()
    {
        // Without a connection the change shows (and is held), but nothing fails
        // and no message appears.
        TemporarySettings defaults;
        HueStore store(defaults.settings, withKeys(std::make_shared<FakeKeys>()));
        QSignalSpy errors(&store, &HueStore::commandErrorChanged);
        // The group has a grouped light, so its command gets as far as sending.
        // (Overwriting a scene needs the group's lights, which an unconnected
        // store never has: it stops before any sending.)
        HueGroup group;
        group.groupedLightID = u"g"_s;
        store.setLight(u"nowhere"_s, HueLightCommand{true, 50.0, {}, {}});
        store.setGroup(group, HueLightCommand{false, {}, {}, {}});
        store.recall(HueScene{u"s"_s, u"Scene"_s, u"r"_s, false, {}});
        store.deleteScene(HueScene{u"s"_s, u"Scene"_s, u"r"_s, false, {}});
        // The light's send loop ends only after its send ran and its rest
        // passed; the group's send ran on the same turn.
        const auto *coalescer = store.findChild<CommandCoalescer *>();
        QVERIFY(coalescer && coalescer->isRunning(u"nowhere"_s) && coalescer->isRunning(u"g"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!coalescer->isRunning(u"nowhere"_s), 5000);
        QCOMPARE(errors.count(), 0);
        QVERIFY(!store.commandError());
    }
    void saveSceneMessages()
    {
        TemporarySettings defaults;
        HueStore store(defaults.settings, withKeys(std::make_shared<FakeKeys>()));
        HueGroup room;
        room.id = u"r"_s;
        room.kind = HueGroup::Kind::room;
        room.name = u"Kitchen"_s;
        const QString badName =
            HueText::tr(u"Der Name braucht 1 bis 32 Zeichen."_s, u"The name needs 1 to 32 characters."_s);
        QCOMPARE(QCoro::waitFor(store.saveScene(u"   "_s, room)), badName);
        QCOMPARE(QCoro::waitFor(store.saveScene(QString(33, u'n'), room)), badName);
        // A good name, but no connection.
        QCOMPARE(QCoro::waitFor(store.saveScene(u"Evening"_s, room)),
                 HueText::tr(u"Keine Verbindung zur Bridge."_s, u"No connection to the bridge."_s));
    }
    void pairingWithoutAddress()
    {
        TemporarySettings defaults;
        HueStore store(defaults.settings, withKeys(std::make_shared<FakeKeys>()));
        QSignalSpy steps(&store, &HueStore::pairingStepChanged);
        store.pair(u" \t  "_s);
        store.pair(QString());
        QCOMPARE(steps.count(), 0);
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::idle());
        store.cancelPairing();
        QCOMPARE(steps.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestStoreRules)
#include "tst_storerules.moc"
