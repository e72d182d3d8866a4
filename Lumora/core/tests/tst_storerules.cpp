// The store's rules that need no bridge: names, device types, delays, and the
// start-up decisions that happen before any request.
#include "HueText.h"
#include "StoreTestSupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace StoreTestSupport;

class TestStoreRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_defaults = std::make_unique<TemporarySettings>();
        m_keys = std::make_shared<FakeKeys>();
    }
    void sceneName_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<std::optional<QString>>("cleaned");
        QTest::newRow("trimmed") << u"  \tEvening\n "_s << std::optional(u"Evening"_s);
        QTest::newRow("only spaces") << u"   \n"_s << std::optional<QString>();
        QTest::newRow("32") << QString(32, u'x') << std::optional(QString(32, u'x'));
        QTest::newRow("33") << QString(33, u'x') << std::optional<QString>();
        QTest::newRow("32 after trimming") << u"  "_s + QString(32, u'y') + u"  "_s << std::optional(QString(32, u'y'));
        // 32 emoji are 64 UTF-16 units but 32 characters to a reader.
        const QString emoji = u"💡"_s.repeated(32);
        QTest::newRow("32 emoji") << emoji << std::optional(emoji);
        QTest::newRow("33 emoji") << emoji + u"💡"_s << std::optional<QString>();
        QTest::newRow("combining accents") << u"e\u0301"_s.repeated(32) << std::optional(u"e\u0301"_s.repeated(32));
    }
    void sceneName()
    {
        QFETCH(QString, raw);
        QFETCH(std::optional<QString>, cleaned);
        QCOMPARE(HueStore::sceneName(raw), cleaned);
    }
    void reconnectDelays()
    {
        // 1 s for the first two attempts, 2 s for the next two, then 6 s.
        QList<qint64> delays;
        for (int attempt = 0; attempt <= 5; ++attempt)
            delays.append(HueStore::standardReconnectDelay(attempt).count());
        QCOMPARE(delays, (QList<qint64>{1000, 1000, 2000, 2000, 6000, 6000}));
    }
    void deviceType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::newRow("umlaut and hash dropped") << u"Jörg's #1 PC"_s << u"lumora#Jrg's 1 PC"_s;
        QTest::newRow("limit counts kept characters")
            << u"ééééabcdefghijklmnopqrstu"_s << u"lumora#abcdefghijklmnopqrs"_s;
        QTest::newRow("control characters dropped") << u"a\tb\nc"_s << u"lumora#abc"_s;
        QTest::newRow("only non-ASCII") << u"ÄÖÜ漢字"_s << u"lumora#Linux"_s;
        QTest::newRow("surrogate pair dropped whole") << u"a💡b"_s << u"lumora#ab"_s;
    }
    void deviceType()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QCOMPARE(HueStore::deviceType(name), type);
    }
    void startUp()
    {
        // A stored bridge without a key: connecting, then unpaired; the record stays.
        const PairedBridge bridge{u"001788fffe6a5c3b"_s, u"Hue Bridge"_s, u"192.0.2.10"_s};
        bridge.save(*m_defaults->settings);
        auto store = makeStore();
        QCOMPARE(store->phase(), HueStore::Phase::connecting());
        QCOMPARE(store->bridge(), bridge);
        store->start();
        QTRY_COMPARE(store->phase(), HueStore::Phase::unpaired());
        QVERIFY(!store->bridge());
        QCOMPARE(PairedBridge::load(*m_defaults->settings), bridge);
        // Without a bridge a start stays unpaired and asks for no key.
        store->start();
        QCOMPARE(store->phase(), HueStore::Phase::unpaired());
        QCOMPARE(m_keys->loads, 1);
    }
    void forgetBridge()
    {
        const PairedBridge bridge{u"001788FFFE6A5C3B"_s, u"Hue Bridge"_s, u"192.0.2.10"_s};
        bridge.save(*m_defaults->settings);
        m_keys->keys.insert(bridge.bridgeID, u"secret"_s);
        auto store = makeStore();
        store->favorites()->load(bridge.bridgeID);
        store->favorites()->toggle(Favorite{Favorite::Kind::light, u"l1"_s});
        QSignalSpy bridgeChanges(store.get(), &HueStore::bridgeChanged);

        store->forgetBridge();
        QCOMPARE(m_keys->deleted, QStringList{bridge.bridgeID});
        QCOMPARE(bridgeChanges.count(), 1);
        QCOMPARE(store->pairingStep(), HueStore::PairingStep::idle());
        // Favourites are per bridge id and survive a forgotten pairing.
        QVERIFY(store->favorites()->contains(Favorite::Kind::light, u"l1"_s));

        // Forgetting again deletes nothing more and notifies nothing.
        store->forgetBridge();
        QCOMPARE(m_keys->deleted.size(), 1);
        QCOMPARE(bridgeChanges.count(), 1);
    }
    void withoutConnection()
    {
        auto store = makeStore();
        QSignalSpy errors(store.get(), &HueStore::commandErrorChanged);
        // Commands show (and are held), but nothing fails and no message
        // appears. The group has a grouped light, so its command gets as far
        // as sending. (Overwriting a scene needs the group's lights, which an
        // unconnected store never has: it stops before any sending.)
        HueGroup group;
        group.groupedLightID = u"g"_s;
        store->setLight(u"nowhere"_s, HueLightCommand{true, 50.0, {}, {}});
        store->setGroup(group, HueLightCommand{false, {}, {}, {}});
        store->recall(HueScene{u"s"_s, u"Scene"_s, u"r"_s, false, {}});
        store->deleteScene(HueScene{u"s"_s, u"Scene"_s, u"r"_s, false, {}});
        // The light's send loop ends only after its send ran and its rest
        // passed; the group's send ran on the same turn.
        const auto *coalescer = store->findChild<CommandCoalescer *>();
        QVERIFY(coalescer && coalescer->isRunning(u"nowhere"_s) && coalescer->isRunning(u"g"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!coalescer->isRunning(u"nowhere"_s), 5000);
        QCOMPARE(errors.count(), 0);

        // Saving a scene: the name is checked first (its rules are sceneName's),
        // then the connection.
        QCOMPARE(QCoro::waitFor(store->saveScene(u"   "_s, HueGroup())),
                 HueText::tr(u"Der Name braucht 1 bis 32 Zeichen."_s, u"The name needs 1 to 32 characters."_s));
        QCOMPARE(QCoro::waitFor(store->saveScene(u"Evening"_s, HueGroup())),
                 HueText::tr(u"Keine Verbindung zur Bridge."_s, u"No connection to the bridge."_s));
        QVERIFY(!store->commandError());
    }

private:
    std::unique_ptr<HueStore> makeStore()
    {
        HueStore::Environment environment;
        environment.keys = keyStore(m_keys);
        return std::make_unique<HueStore>(m_defaults->settings, std::move(environment));
    }

    std::unique_ptr<TemporarySettings> m_defaults;
    std::shared_ptr<FakeKeys> m_keys;
};

QTEST_GUILESS_MAIN(TestStoreRules)
#include "tst_storerules.moc"
