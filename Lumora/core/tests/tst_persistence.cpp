#include "FavoritesStore.h"
#include "OrderStore.h"
#include "PairedBridge.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPersistence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_settings = std::make_shared<QSettings>(m_dir->filePath(u"settings.ini"_s), QSettings::IniFormat);
        // Damaged values are handled quietly: no log line unless asked for.
        QTest::failOnWarning(QRegularExpression(u".*"_s));
    }
    void cleanup()
    {
        m_settings.reset();
        m_dir.reset();
    }

    void pairedBridge()
    {
        const PairedBridge bridge{u"001788FFFE2A3B4C"_s, u"Wohnzimmer Brücke"_s, u"192.168.1.20"_s};
        bridge.save(*m_settings);
        // Field names as JSON keys, nothing more; the id keeps its case.
        const QJsonObject expected{{u"bridgeID"_s, u"001788FFFE2A3B4C"_s},
                                   {u"name"_s, u"Wohnzimmer Brücke"_s},
                                   {u"host"_s, u"192.168.1.20"_s}};
        QCOMPARE(storedJson(u"pairedBridge"_s).object(), expected);
        QCOMPARE(PairedBridge::load(*m_settings), bridge);
        PairedBridge::remove(*m_settings);
        QVERIFY(!QSettings(m_settings->fileName(), QSettings::IniFormat).contains(u"pairedBridge"_s));
    }
    void favorites()
    {
        FavoritesStore store(m_settings);
        QSignalSpy changed(&store, &FavoritesStore::itemsChanged);
        const Favorite light{Favorite::Kind::light, u"light-3"_s};
        // Before a bridge is loaded the list is kept in memory only; loading
        // replaces it by the bridge's (here: none).
        store.toggle(light);
        store.load(u"ABCdef01"_s);
        QVERIFY(store.items().isEmpty());
        QVERIFY(QSettings(m_settings->fileName(), QSettings::IniFormat).allKeys().isEmpty());

        store.toggle(light);
        store.toggle(Favorite{Favorite::Kind::group, u"room-1"_s});
        store.toggle(Favorite::Kind::scene, u"scene-9"_s);
        store.toggle(light); // removed where it stood
        store.toggle(light); // appended at the end
        QCOMPARE(changed.size(), 7);
        // Stored under the lower-cased bridge id, as kind and id.
        const QJsonArray expected{QJsonObject{{u"kind"_s, u"group"_s}, {u"id"_s, u"room-1"_s}},
                                  QJsonObject{{u"kind"_s, u"scene"_s}, {u"id"_s, u"scene-9"_s}},
                                  QJsonObject{{u"kind"_s, u"light"_s}, {u"id"_s, u"light-3"_s}}};
        QCOMPARE(storedJson(u"favorites.abcdef01"_s).array(), expected);
        QVERIFY(!m_settings->contains(u"favorites.ABCdef01"_s));

        FavoritesStore other(m_settings);
        other.load(u"ABCDEF01"_s);
        QCOMPARE(other.items(), store.items());

        // Emptying the list writes an empty array rather than leaving the old one.
        const QList<Favorite> all = other.items();
        for (const Favorite &item : all)
            other.toggle(item);
        const QJsonDocument stored = storedJson(u"favorites.abcdef01"_s);
        QVERIFY(stored.isArray() && stored.array().isEmpty());
    }
    void order()
    {
        OrderStore store(m_settings);
        const QStringList abc{u"a"_s, u"b"_s, u"c"_s};
        QCOMPARE(store.sortedIds(abc, u"rooms"_s), abc); // no saved order: unchanged
        store.save({u"c"_s, u"a"_s}, u"rooms"_s);
        QCOMPARE(store.sortedIds(abc, u"rooms"_s), (QStringList{u"c"_s, u"a"_s, u"b"_s}));
        QCOMPARE(store.sortedIds(abc, u"zones"_s), abc);
        // Not loaded: saved in memory only.
        QVERIFY(QSettings(m_settings->fileName(), QSettings::IniFormat).allKeys().isEmpty());

        store.load(u"Bridge1"_s);
        QVERIFY(store.orders().isEmpty());
        QSignalSpy changed(&store, &OrderStore::ordersChanged);
        store.save({u"z2"_s, u"z1"_s}, u"zones"_s);
        store.save({u"r1"_s, u"r2"_s}, u"rooms"_s);
        store.save({u"r2"_s, u"r1"_s}, u"rooms"_s);
        store.save({u"r2"_s, u"r1"_s}, u"rooms"_s); // same order: stored again, no change signal
        QCOMPARE(changed.size(), 3);
        const QJsonObject expected{{u"zones"_s, QJsonArray{u"z2"_s, u"z1"_s}},
                                   {u"rooms"_s, QJsonArray{u"r2"_s, u"r1"_s}}};
        QCOMPARE(storedJson(u"order.bridge1"_s).object(), expected);
        QCOMPARE(store.ordersMap().value(u"zones"_s).toStringList(), (QStringList{u"z2"_s, u"z1"_s}));

        // Each bridge has its own lists; the same bridge in other letters is the same.
        store.load(u"two"_s);
        QVERIFY(store.orders().isEmpty());
        store.save({u"b"_s}, u"rooms"_s);
        OrderStore reloaded(m_settings);
        reloaded.load(u"BRIDGE1"_s);
        QCOMPARE(reloaded.order(u"rooms"_s), (QStringList{u"r2"_s, u"r1"_s}));
        QCOMPARE(storedJson(u"order.two"_s).object().value(u"rooms"_s).toArray(), QJsonArray{u"b"_s});
    }
    void badValues_data()
    {
        // What a damaged or foreign settings file may hold under one of our keys.
        QTest::addColumn<QVariant>("value");
        QTest::newRow("not JSON") << QVariant(QByteArray("{\"bridgeID\":"));
        QTest::newRow("array") << QVariant(QByteArray("[1,2,3]"));
        QTest::newRow("object") << QVariant(QByteArray("{\"a\":1}"));
        QTest::newRow("text list") << QVariant(QStringList{u"a"_s, u"b"_s});
        QTest::newRow("unknown kind") << QVariant(
            QByteArray(R"([{"kind":"scene","id":"s1"},{"kind":"zone","id":"z1"}])"));
        QTest::newRow("order list not strings") << QVariant(QByteArray(R"({"rooms":["a",null]})"));
        QTest::newRow("missing host") << QVariant(QByteArray(R"({"bridgeID":"b","name":"n"})"));
        QTest::newRow("deeply nested") << QVariant(QByteArray(200'000, '['));
        QTest::newRow("invalid UTF-8") << QVariant(QByteArray("[{\"kind\":\"light\",\"id\":\"\xff\xfe\"}]"));
        // A valid but absurdly long list: must be refused without parsing it.
        const QByteArray entry = R"({"kind":"light","id":"0123456789abcdef0123456789abcdef"},)";
        QTest::newRow("huge list") << QVariant("[" + entry.repeated(5 * 1024 * 1024 / entry.size() + 1)
                                               + R"({"kind":"light","id":"last"}])");
    }
    void badValues()
    {
        // The same damaged value under each of our keys, next to good ones.
        QFETCH(QVariant, value);
        for (const QString &key : {u"pairedBridge"_s, u"favorites.b"_s, u"order.b"_s})
            m_settings->setValue(key, value);
        m_settings->setValue(u"favorites.other"_s, QByteArray(R"([{"kind":"light","id":"x"}])"));
        m_settings->setValue(u"order.other"_s, QByteArray(R"({"rooms":["x"]})"));

        QVERIFY(!PairedBridge::load(*m_settings));
        FavoritesStore favorites(m_settings);
        favorites.toggle(Favorite{Favorite::Kind::scene, u"before"_s});
        favorites.load(u"B"_s);
        QVERIFY(favorites.items().isEmpty());
        OrderStore order(m_settings);
        order.load(u"b"_s);
        QVERIFY(order.orders().isEmpty());
        // Reading never removes or rewrites what it could not use.
        for (const QString &key : {u"pairedBridge"_s, u"favorites.b"_s, u"order.b"_s})
            QCOMPARE(m_settings->value(key), value);

        // The next change replaces the unreadable value; other keys stay.
        favorites.toggle(Favorite{Favorite::Kind::group, u"g"_s});
        order.save({u"r"_s}, u"rooms"_s);
        QCOMPARE(storedJson(u"favorites.b"_s).array(),
                 (QJsonArray{QJsonObject{{u"kind"_s, u"group"_s}, {u"id"_s, u"g"_s}}}));
        QCOMPARE(storedJson(u"order.b"_s).object(), (QJsonObject{{u"rooms"_s, QJsonArray{u"r"_s}}}));
        QCOMPARE(storedJson(u"favorites.other"_s).array().size(), 1);
        QCOMPARE(storedJson(u"order.other"_s).object(), (QJsonObject{{u"rooms"_s, QJsonArray{u"x"_s}}}));
        QCOMPARE(m_settings->value(u"pairedBridge"_s), value);
    }

private:
    // Reads the value back through a second settings object on the same file,
    // as the next start of the application would.
    QJsonDocument storedJson(const QString &key) const
    {
        const QSettings reader(m_settings->fileName(), QSettings::IniFormat);
        const QVariant value = reader.value(key);
        if (value.metaType().id() != QMetaType::QByteArray)
            return {};
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(value.toByteArray(), &error);
        return error.error == QJsonParseError::NoError ? document : QJsonDocument();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<QSettings> m_settings;
};

QTEST_GUILESS_MAIN(TestPersistence)
#include "tst_persistence.moc"
