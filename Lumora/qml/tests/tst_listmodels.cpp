// The id-keyed lists the screens draw from: a new list is applied as the
// difference (insert, remove, move, changed roles), never as a reset, so a
// live event does not recreate a card; against a live store, an outside
// change, a new order, a star and a removed resource each touch only what
// they change.
#include "LightListModel.h"
#include "LumoraStore.h"
#include "QuickHarness.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<SceneRow> rows(const QString &text)
{
    // "a1 b2" → scenes a and b named 1 and 2.
    QList<SceneRow> list;
    for (const auto &entry : text.split(u' ', Qt::SkipEmptyParts)) {
        SceneRow row;
        row.sceneId = entry.left(1);
        row.name = entry.mid(1);
        list.append(row);
    }
    return list;
}

} // namespace

class ListModelsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBridge> m_bridge;
    std::unique_ptr<LumoraStore> m_store;

private Q_SLOTS:
    void difference_data()
    {
        // "before > after"; the counts are the steps the second apply took.
        QTest::addColumn<QString>("lists");
        QTest::addColumn<int>("inserts");
        QTest::addColumn<int>("removes");
        QTest::addColumn<int>("moves");
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("resets");
        QTest::newRow("first fill") << u" > a1 b1 c1"_s << 1 << 0 << 0 << 0 << 0;
        QTest::newRow("same") << u"a1 b1 > a1 b1"_s << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("one value") << u"a1 b1 c1 > a1 b2 c1"_s << 0 << 0 << 0 << 1 << 0;
        QTest::newRow("last to first, changed") << u"a1 b1 c1 d1 > d2 a1 b1 c1"_s << 0 << 0 << 1 << 1 << 0;
        QTest::newRow("all at once") << u"a1 b1 c1 d1 > e1 c1 a2"_s << 1 << 2 << 1 << 1 << 0;
        QTest::newRow("emptied") << u"a1 b1 > "_s << 0 << 2 << 0 << 0 << 0;
        QTest::newRow("another home") << u"a1 b1 > x1 y1"_s << 0 << 0 << 0 << 0 << 1;
        QTest::newRow("repeated id keeps the first") << u" > a1 a2 b1"_s << 1 << 0 << 0 << 0 << 0;
    }
    void difference()
    {
        QFETCH(QString, lists);
        const QString after = lists.section(u'>', 1);
        KeyedListModel model(std::in_place_type<SceneRow>);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.apply(rows(lists.section(u'>', 0, 0)));
        const auto start = model.statistics();
        model.apply(rows(after));
        const auto &end = model.statistics();
        QTEST(end.inserts - start.inserts, "inserts");
        QTEST(end.removes - start.removes, "removes");
        QTEST(end.moves - start.moves, "moves");
        QTEST(end.changes - start.changes, "changes");
        QTEST(end.resets - start.resets, "resets");
        // Whatever the steps, the model ends up showing exactly the new list.
        QList<SceneRow> expected = rows(after);
        if (after == u" a1 a2 b1")
            expected.removeAt(1);
        QCOMPARE(model.count(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(model.data(model.index(i), SceneRow::SceneIdRole).toString(), expected[i].sceneId);
            QCOMPARE(model.data(model.index(i), SceneRow::NameRole).toString(), expected[i].name);
        }
    }

    void init()
    {
        m_bridge = std::make_unique<TestBridge>();
        m_store = std::make_unique<LumoraStore>(m_bridge->store(), m_bridge->settings());
        m_bridge->store()->start();
        QTRY_COMPARE_WITH_TIMEOUT(m_bridge->store()->phase(), HueStorePhase::ready(), 10000);
        m_store->updateNow();
    }
    void cleanup()
    {
        m_store.reset();
        m_bridge.reset();
    }

    void liveChangesTouchOnlyTheirRows()
    {
        LightListModel lights;
        lights.setStore(m_store.get());
        const QString room = m_store->snapshot().rooms.value(0).id;
        lights.setGroupId(room);
        QVERIFY(lights.count() >= 2);
        QSignalSpy changed(&lights, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&lights, &QAbstractItemModel::modelReset);
        QSignalSpy removed(&lights, &QAbstractItemModel::rowsRemoved);

        // A wall switch dims one light: only its row changes, only in the
        // roles that show brightness.
        const QString dimmed = lights.ids().constFirst();
        m_bridge->changeFromOutside(
            dimmed, {{u"on"_s, QVariantMap{{u"on"_s, true}}}, {u"dimming"_s, QVariantMap{{u"brightness"_s, 12.5}}}});
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 5000);
        QCOMPARE(lights.data(lights.index(lights.indexOf(dimmed)), LightRow::BrightnessRole).toDouble(), 12.5);
        for (const auto &signal : std::as_const(changed)) {
            QCOMPARE(signal.at(0).toModelIndex().row(), lights.indexOf(dimmed));
            const auto roles = signal.at(2).value<QList<int>>();
            QVERIFY(roles.contains(LightRow::BrightnessRole));
            QVERIFY(!roles.contains(LightRow::NameRole));
        }

        // The user's new order moves rows; a star changes one role.
        QSignalSpy moved(&lights, &QAbstractItemModel::rowsMoved);
        QStringList reversed = lights.ids();
        std::reverse(reversed.begin(), reversed.end());
        lights.saveOrder(reversed);
        QCOMPARE(lights.ids(), reversed);
        QVERIFY(!moved.isEmpty());
        changed.clear();
        m_store->toggleFavorite(u"light"_s, reversed.first());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(2).value<QList<int>>(), QList<int>{LightRow::IsFavoriteRole});
        QCOMPARE(reset.size(), 0);
        QCOMPARE(removed.size(), 0);

        // Favourites follow the home: a starred light removed on the bridge
        // leaves the list.
        LightListModel favorites;
        favorites.setFavorites(true);
        favorites.setStore(m_store.get());
        QCOMPARE(favorites.ids(), QStringList{reversed.first()});
        QVERIFY(m_bridge->removeResource(reversed.first()));
        QTRY_COMPARE_WITH_TIMEOUT(favorites.count(), 0, 5000);
        QCOMPARE(lights.indexOf(reversed.first()), -1);
        QCOMPARE(reset.size(), 0);
    }
};

QTEST_MAIN(ListModelsTest)
#include "tst_listmodels.moc"
