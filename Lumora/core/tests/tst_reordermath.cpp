#include "ReorderMath.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList ids(const char *spaced)
{
    return QString::fromLatin1(spaced).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

using OptionalOrder = std::optional<QStringList>;
Q_DECLARE_METATYPE(OptionalOrder)

class TestReorderMath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sorted_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("unknown ids ignored") << ids("a b c d") << ids("c x a") << ids("c a b d");
        QTest::newRow("first occurrence wins") << ids("a b c d") << ids("b b a") << ids("b a c d");
        QTest::newRow("unranked keep relative order") << ids("e d c b a") << ids("c") << ids("c e d b a");
        QTest::newRow("case sensitive ids") << ids("a A") << ids("A a") << ids("A a");
        // A caller's mistake: both items with the same id survive.
        QTest::newRow("duplicates kept") << ids("a b a c") << ids("c a") << ids("c a a b");
    }
    void sorted()
    {
        QFETCH(QStringList, items);
        QFETCH(QStringList, order);
        QFETCH(QStringList, expected);
        QCOMPARE(ReorderMath::sorted(items, order), expected);
    }
    void target_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("expected"); // empty: none

        // Two cells side by side, a third below the first.
        QTest::newRow("inside a") << QPointF(50, 50) << u"x"_s << u"a"_s;
        QTest::newRow("top-left corner belongs") << QPointF(0, 0) << u"x"_s << u"a"_s;
        QTest::newRow("shared edge goes right") << QPointF(100, 50) << u"x"_s << u"b"_s;
        QTest::newRow("shared edge goes down") << QPointF(50, 100) << u"x"_s << u"c"_s;
        QTest::newRow("right edge outside") << QPointF(200, 50) << u"x"_s << QString();
        QTest::newRow("gap") << QPointF(150, 150) << u"x"_s << QString();
        QTest::newRow("dragged skipped") << QPointF(50, 50) << u"a"_s << QString();
    }
    void target()
    {
        QFETCH(QPointF, point);
        QFETCH(QString, dragged);
        QFETCH(QString, expected);
        const QHash<QString, QRectF> frames{
            {u"a"_s, QRectF(0, 0, 100, 100)},
            {u"b"_s, QRectF(100, 0, 100, 100)},
            {u"c"_s, QRectF(0, 100, 100, 100)},
        };
        const std::optional<QString> found = ReorderMath::target(point, frames, dragged);
        QCOMPARE(found.value_or(QString()), expected);
        QCOMPARE(found.has_value(), !expected.isEmpty());
        QVERIFY(!ReorderMath::target(point, {}, dragged));
    }
    void moveAndStep_data()
    {
        // "<id> onto <target>" drags onto another slot; "<id> by <n>" swaps
        // with the neighbour n places away.
        QTest::addColumn<QString>("call");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<OptionalOrder>("expected");
        QTest::newRow("toward the end lands after") << u"a onto d"_s << ids("a b c d") << OptionalOrder(ids("b c d a"));
        QTest::newRow("toward the start lands before")
            << u"d onto b"_s << ids("a b c d") << OptionalOrder(ids("a d b c"));
        QTest::newRow("neighbours swap") << u"b onto c"_s << ids("a b c d") << OptionalOrder(ids("a c b d"));
        QTest::newRow("onto itself") << u"b onto b"_s << ids("a b c") << OptionalOrder();
        QTest::newRow("dragged missing") << u"x onto b"_s << ids("a b c") << OptionalOrder();
        QTest::newRow("target missing") << u"a onto x"_s << ids("a b c") << OptionalOrder();
        QTest::newRow("step back") << u"b by 1"_s << ids("a b c") << OptionalOrder(ids("a c b"));
        QTest::newRow("step forward") << u"b by -1"_s << ids("a b c") << OptionalOrder(ids("b a c"));
        QTest::newRow("two places swap") << u"a by 2"_s << ids("a b c") << OptionalOrder(ids("c b a"));
        QTest::newRow("first forward") << u"a by -1"_s << ids("a b c") << OptionalOrder();
        QTest::newRow("last back") << u"c by 1"_s << ids("a b c") << OptionalOrder();
        QTest::newRow("zero step") << u"b by 0"_s << ids("a b c") << OptionalOrder(ids("a b c"));
        QTest::newRow("step of a missing id") << u"x by 1"_s << ids("a b c") << OptionalOrder();
        QTest::newRow("huge step") << u"a by "_s + QString::number(std::numeric_limits<qsizetype>::max()) << ids("a b")
                                   << OptionalOrder();
        QTest::newRow("huge negative step")
            << u"b by "_s + QString::number(std::numeric_limits<qsizetype>::min()) << ids("a b") << OptionalOrder();
    }
    void moveAndStep()
    {
        QFETCH(QString, call);
        QFETCH(QStringList, order);
        QFETCH(OptionalOrder, expected);
        const QStringList word = call.split(u' ');
        QCOMPARE(word[1] == "onto"_L1 ? ReorderMath::move(word[0], word[2], order)
                                      : ReorderMath::step(word[0], word[2].toLongLong(), order),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestReorderMath)
#include "tst_reordermath.moc"
