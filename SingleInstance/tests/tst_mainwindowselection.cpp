#include "MainWindowSelection.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

enum Role { ordinary, panel, cannotBecomeMain };

MainWindowCandidate window(const char *identifier, bool visible = true, bool minimised = false, Role kind = ordinary)
{
    return {identifier ? std::optional(QString::fromUtf8(identifier)) : std::nullopt, kind == panel,
            kind != cannotBecomeMain, visible, minimised};
}

using Candidates = QList<MainWindowCandidate>;

} // namespace

class TestMainWindowSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ranking_data()
    {
        QTest::addColumn<Candidates>("candidates");
        QTest::addColumn<int>("expected"); // -1: none

        QTest::newRow("empty") << Candidates{} << -1;
        QTest::newRow("main- prefix") << Candidates{window("other"), window("main-2")} << 1;
        QTest::newRow("Settings in any case") << Candidates{window("main-SeTTings"), window("main", false)} << 1;
        QTest::newRow("letter case of main matters") << Candidates{window("Main"), window("MAIN-1")} << -1;
        QTest::newRow("mainwindow is not main-") << Candidates{window("mainwindow")} << -1;
        QTest::newRow("no identifier") << Candidates{window(nullptr)} << -1;
        QTest::newRow("panel") << Candidates{window("main", true, false, panel), window("main-1", false)} << 1;
        QTest::newRow("cannot become main") << Candidates{window("main", true, false, cannotBecomeMain)} << -1;
        QTest::newRow("minimised beats hidden listed first")
            << Candidates{window("main", false, false), window("main-2", false, true)} << 1;
        QTest::newRow("visible but minimised counts as minimised")
            << Candidates{window("main", true, true), window("main-2", true, false)} << 1;
        QTest::newRow("first of several visible") << Candidates{window("x"), window("main-a"), window("main-b")} << 1;
    }
    void ranking()
    {
        QFETCH(Candidates, candidates);
        QFETCH(int, expected);
        QCOMPARE(MainWindowSelection::index(candidates).value_or(-1), qsizetype(expected));
    }
    // Real windows: how their kind maps onto the ranking shows in which one
    // comes forward.
    void bringForwardRevealsTheMainWindow()
    {
        const auto show = [](QWindow &window, const QString &name, Qt::WindowFlags flags) {
            window.setObjectName(name);
            window.setFlags(flags);
            window.show();
        };
        QWindow settings, utility, dialog;
        show(settings, u"main-settings"_s, Qt::Window);
        show(utility, u"main"_s, Qt::Tool);
        show(dialog, u"main-dialog"_s, Qt::Dialog);

        // Neither a tool window nor a dialog is the main window: the opener is asked for one.
        int reopened = 0;
        const auto reopen = [&reopened] { ++reopened; };
        MainWindowSelection::bringForward(reopen);
        QCOMPARE(reopened, 1);
        MainWindowSelection::bringForward(); // without an opener there is nobody to ask

        QWindow main;
        main.setObjectName(u"main"_s);
        main.showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(main.windowStates().testFlag(Qt::WindowMinimized), 5000);
        MainWindowSelection::bringForward(reopen);
        QCOMPARE(reopened, 1);
        QVERIFY(!main.windowStates().testFlag(Qt::WindowMinimized));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), &main, 5000);

        // A hidden (closed but kept) main window is shown again.
        main.hide();
        settings.requestActivate();
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), &settings, 5000);
        MainWindowSelection::bringForward();
        QVERIFY(main.isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), &main, 5000);
    }
};

QTEST_MAIN(TestMainWindowSelection)
#include "tst_mainwindowselection.moc"
