#include "FavoritesStore.h"
#include "OrderStore.h"
#include "PairedBridge.h"
#include "StoreTestSupport.h"
#include "StoredJson.h"

#include <QDir>
#include <QFile>
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

        // Emptying the list writes an empty array rather than leaving the old one.
        const QList<Favorite> all = store.items();
        for (const Favorite &item : all)
            store.toggle(item);
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

        // Each bridge has its own lists (read back, in other letters: badValues).
        store.load(u"two"_s);
        QVERIFY(store.orders().isEmpty());
        store.save({u"b"_s}, u"rooms"_s);
        QCOMPARE(storedJson(u"order.two"_s).object().value(u"rooms"_s).toArray(), QJsonArray{u"b"_s});
    }
    void badValues_data()
    {
        // What a damaged or foreign settings file may hold under one of our
        // keys, and the favourites and orders that survive it.
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QJsonArray>("favorites");
        QTest::addColumn<QJsonObject>("orders");
        const auto row = [](const char *name, const QVariant &value, const QJsonArray &favorites = {},
                            const QJsonObject &orders = {}) { QTest::newRow(name) << value << favorites << orders; };
        row("not JSON", QByteArray("{\"bridgeID\":"));
        row("text list", QStringList{u"a"_s, u"b"_s});
        // One bad entry costs only itself: the good ones around it stay.
        row("unknown kind and broken entries",
            QByteArray(R"([{"kind":"scene","id":"s1"},{"kind":"zone","id":"z1"},{"kind":"group"},7,)"
                       R"({"kind":"light","id":"l2"},{"kind":"group","id":"g1"}])"),
            QJsonArray{QJsonObject{{u"kind"_s, u"scene"_s}, {u"id"_s, u"s1"_s}},
                       QJsonObject{{u"kind"_s, u"light"_s}, {u"id"_s, u"l2"_s}},
                       QJsonObject{{u"kind"_s, u"group"_s}, {u"id"_s, u"g1"_s}}});
        row("order lists not strings", QByteArray(R"({"rooms":["a",null,"b"],"zones":"z","lights.g":["l"]})"), {},
            QJsonObject{{u"rooms"_s, QJsonArray{u"a"_s, u"b"_s}}, {u"lights.g"_s, QJsonArray{u"l"_s}}});
        row("missing host", QByteArray(R"({"bridgeID":"b","name":"n"})"));
        row("deeply nested", QByteArray(200'000, '['));
        row("invalid UTF-8", QByteArray("[{\"kind\":\"light\",\"id\":\"\xff\xfe\"}]"));
        // A valid list of the largest size is read; one byte more is refused unparsed.
        const QByteArray list = R"([{"kind":"light","id":"l"}])";
        const QByteArray padded = list + QByteArray(StoredJson::maxBytes - list.size(), ' ');
        row("at the size limit", padded, QJsonArray{QJsonObject{{u"kind"_s, u"light"_s}, {u"id"_s, u"l"_s}}});
        row("one byte over the size limit", QByteArray(padded + ' '));
    }
    void badValues()
    {
        // The same damaged value under each of our keys, next to good ones.
        QFETCH(QVariant, value);
        QFETCH(QJsonArray, favorites);
        QFETCH(QJsonObject, orders);
        for (const QString &key : {u"pairedBridge"_s, u"favorites.b"_s, u"order.b"_s})
            m_settings->setValue(key, value);
        m_settings->setValue(u"favorites.other"_s, QByteArray(R"([{"kind":"light","id":"x"}])"));
        m_settings->setValue(u"order.other"_s, QByteArray(R"({"rooms":["x"]})"));

        QVERIFY(!PairedBridge::load(*m_settings));
        FavoritesStore favoriteStore(m_settings);
        favoriteStore.toggle(Favorite{Favorite::Kind::scene, u"before"_s});
        favoriteStore.load(u"B"_s);
        QCOMPARE(favoriteStore.items().size(), favorites.size());
        OrderStore order(m_settings);
        order.load(u"B"_s);
        QCOMPARE(order.orders().size(), orders.size());
        // Reading never removes or rewrites what it could not use.
        for (const QString &key : {u"pairedBridge"_s, u"favorites.b"_s, u"order.b"_s})
            QCOMPARE(m_settings->value(key), value);

        // The next change writes what was kept and the change; other keys stay.
        favoriteStore.toggle(Favorite{Favorite::Kind::group, u"g"_s});
        order.save({u"r"_s}, u"scenes.x"_s);
        favorites.append(QJsonObject{{u"kind"_s, u"group"_s}, {u"id"_s, u"g"_s}});
        orders.insert(u"scenes.x"_s, QJsonArray{u"r"_s});
        QCOMPARE(storedJson(u"favorites.b"_s).array(), favorites);
        QCOMPARE(storedJson(u"order.b"_s).object(), orders);
        QCOMPARE(storedJson(u"favorites.other"_s).array().size(), 1);
        QCOMPARE(storedJson(u"order.other"_s).object(), (QJsonObject{{u"rooms"_s, QJsonArray{u"x"_s}}}));
        QCOMPARE(m_settings->value(u"pairedBridge"_s), value);
    }

    void storingAPairing_data()
    {
        // Paired with bridge "A" before; the new pairing's bridge, and the
        // state of the settings file while it is stored.
        QTest::addColumn<QString>("bridgeID");
        QTest::addColumn<bool>("damagedLine");
        QTest::addColumn<bool>("writable");
        QTest::newRow("a damaged line elsewhere") << u"A"_s << true << true;
        QTest::newRow("another bridge") << u"B"_s << false << true;
        QTest::newRow("unwritable, the same bridge") << u"A"_s << true << false;
        QTest::newRow("unwritable, another bridge") << u"B"_s << false << false;
    }
    void storingAPairing()
    {
        QFETCH(QString, bridgeID);
        QFETCH(bool, damagedLine);
        QFETCH(bool, writable);
        const QString folder = m_dir->filePath(u"config"_s);
        const QString path = folder + u"/settings.ini"_s;
        const PairedBridge old{u"A"_s, u"Old"_s, u"10.0.0.1"_s};
        QVERIFY(QDir().mkpath(folder) && old.save(*std::make_unique<QSettings>(path, QSettings::IniFormat)));
        if (damagedLine) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write("a line without an equals sign\n");
        }
        const auto settings = std::make_shared<QSettings>(path, QSettings::IniFormat);
        const auto keys = std::make_shared<StoreTestSupport::FakeKeys>();
        keys->keys.insert(u"A"_s, u"old key"_s);
        // Root writes anywhere, but not below a plain file: the disk refuses.
        const QString moved = m_dir->filePath(u"moved"_s);
        if (!writable) {
            QVERIFY(QDir().rename(folder, moved));
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }

        const PairedBridge fresh{bridgeID, u"New"_s, u"10.0.0.2"_s};
        const auto stored =
            QCoro::waitFor(PairedBridge::store(fresh, u"new key"_s, StoreTestSupport::keyStore(keys), settings));
        // Either the whole new pairing or the whole old one, on disk (as the
        // next start reads it), in memory and in the credential store.
        QCOMPARE(stored, writable ? PairedBridge::Stored::saved : PairedBridge::Stored::recordNotSaved);
        const PairedBridge &expected = writable ? fresh : old;
        // Field names as JSON keys, nothing more.
        const QJsonObject record{
            {u"bridgeID"_s, expected.bridgeID}, {u"name"_s, expected.name}, {u"host"_s, expected.host}};
        QCOMPARE(storedJson(u"pairedBridge"_s, writable ? path : moved + u"/settings.ini"_s).object(), record);
        QCOMPARE(PairedBridge::load(*settings), expected);
        QHash<QString, QString> expectedKeys{{u"A"_s, u"old key"_s}};
        if (writable)
            expectedKeys.insert(bridgeID, u"new key"_s);
        QCOMPARE(keys->keys, expectedKeys);
    }

private:
    // Reads the value back through a second settings object on the same file,
    // as the next start of the application would.
    QJsonDocument storedJson(const QString &key, const QString &file = {}) const
    {
        const QSettings reader(file.isEmpty() ? m_settings->fileName() : file, QSettings::IniFormat);
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
