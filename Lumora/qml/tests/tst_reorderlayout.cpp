#include "ReorderCell.h"
#include "ReorderLayout.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList ids(const char *spaced)
{
    return QString::fromLatin1(spaced).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

class TestReorderLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void arrange_data()
    {
        QTest::addColumn<GridColumns>("columns");
        QTest::addColumn<double>("width");
        QTest::addColumn<QList<double>>("heights");
        QTest::addColumn<QList<QRectF>>("frames");
        QTest::addColumn<double>("height");
        // Four columns of 80, 10 apart; rows 10 apart.
        QTest::newRow("rows as tall as their tallest cell, cells centred")
            << GridColumns{80, std::nullopt, 10} << 350.0 << QList<double>{60, 40, 60, 60, 20}
            << QList<QRectF>{{0, 0, 80, 60}, {90, 10, 80, 40}, {180, 0, 80, 60}, {270, 0, 80, 60}, {0, 70, 80, 20}}
            << 90.0;
        QTest::newRow("a maximum width centres the columns")
            << GridColumns{80, 70, 10} << 350.0 << QList<double>{50, 50}
            << QList<QRectF>{{20, 0, 70, 50}, {100, 0, 70, 50}} << 50.0;
        QTest::newRow("narrower than one column") << GridColumns{80, std::nullopt, 10} << 50.0 << QList<double>{10, 20}
                                                  << QList<QRectF>{{0, 0, 50, 10}, {0, 20, 50, 20}} << 40.0;
        QTest::newRow("empty") << GridColumns{80, std::nullopt, 10} << 350.0 << QList<double>{} << QList<QRectF>{}
                               << 0.0;
    }
    void arrange()
    {
        QFETCH(GridColumns, columns);
        QFETCH(double, width);
        QFETCH(QList<double>, heights);
        QFETCH(QList<QRectF>, frames);
        QFETCH(double, height);
        const auto arrangement = ReorderLayout::arrange(heights, columns, width, 10);
        QCOMPARE(arrangement.frames, frames);
        QCOMPARE(arrangement.height, height);
    }

    // Items that arrive or leave while the user drags "a" onto the last slot.
    void dragWhileItemsChange_data()
    {
        QTest::addColumn<QString>("change"); // +id arrives at the end, -id leaves
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("committed");
        QTest::addColumn<QRectF>("landing");
        QTest::newRow("an arrival follows the working order")
            << u"+e"_s << ids("b c d a e") << ids("b c d a e") << QRectF(270, 0, 80, 60);
        QTest::newRow("a neighbour leaves") << u"-b"_s << ids("c d a") << ids("b c d a") << QRectF(180, 0, 80, 60);
        // The copy has nothing to show and no slot to go to: it stays put.
        QTest::newRow("the dragged item leaves") << u"-a"_s << ids("b c d") << ids("b c d a") << QRectF(270, 0, 80, 60);
    }
    void dragWhileItemsChange()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, committed);
        QFETCH(QRectF, landing);

        ReorderLayout grid;
        grid.setColumnMinimum(80);
        grid.setColumnSpacing(10);
        grid.setSpacing(10);
        grid.setWidth(350);
        QHash<QString, ReorderCell *> cells;
        const auto add = [&](const QString &id) {
            // Parented after construction, as a Repeater does: the cell finds
            // its layout when it joins it.
            auto *cell = new ReorderCell;
            cell->setParent(&grid);
            cell->setParentItem(&grid);
            cell->setItemId(id);
            cell->setModelIndex(int(cells.size()));
            auto *content = new QQuickItem(cell);
            content->setImplicitHeight(60);
            cell->setContentItem(content);
            cells.insert(id, cell);
        };
        for (const QString &id : ids("a b c d"))
            add(id);
        QCOMPARE(grid.itemIds(), ids("a b c d"));
        QCOMPARE(grid.frameOf(u"d"_s), QRectF(270, 0, 80, 60));
        QSignalSpy commits(&grid, &ReorderLayout::commit);

        grid.pointerMoved(u"a"_s, {40, 30}, {50, 30});
        QVERIFY(grid.dragging());
        QCOMPARE(grid.dragContent(), cells[u"a"_s]->contentItem());
        grid.pointerMoved(u"a"_s, {40, 30}, {310, 30});
        QCOMPARE(grid.displayedIds(), ids("b c d a"));
        QVERIFY(grid.slideMoves());

        if (change.startsWith(u'+'))
            add(change.mid(1));
        else
            delete cells.take(change.mid(1));
        QCOMPARE(grid.displayedIds(), shown);
        QCOMPARE(grid.dragging(), true);
        grid.pointerReleasedAnywhere(); // a cell's own handler sees its release
        if (grid.dragging())
            grid.pointerReleased(u"a"_s);
        QCOMPARE(commits.size(), 1);
        QCOMPARE(commits.at(0).at(0).toStringList(), committed);

        QVERIFY(grid.settling());
        QCOMPARE(grid.copyFrame().topLeft(), QPointF(270, 0)); // where the pointer let go
        grid.setSettleProgress(1);
        QCOMPARE(grid.copyFrame(), landing);
        grid.settled();
        QCOMPARE(grid.dragId(), QString());
        QCOMPARE(commits.size(), 1);
    }
};

QTEST_MAIN(TestReorderLayout)
#include "tst_reorderlayout.moc"
