// The shell's decisions as tables: which screen shows, what the sidebar
// selects for a stored value, what the banner says, and the command line.
#include "HueText.h"
#include "LaunchOptions.h"
#include "ScreenRules.h"
#include "SystemWake.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Kind = HueStorePhase::Kind;
using Screen = ScreenRules::Screen;

class ShellRulesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rootScreen_data()
    {
        QTest::addColumn<Kind>("phase");
        QTest::addColumn<bool>("homeIsEmpty");
        QTest::addColumn<Screen>("screen");
        QTest::newRow("unpaired") << Kind::unpaired << true << Screen::pairing;
        QTest::newRow("unpaired even with a home") << Kind::unpaired << false << Screen::pairing;
        QTest::newRow("first connect") << Kind::connecting << true << Screen::connecting;
        QTest::newRow("reconnect keeps the home") << Kind::connecting << false << Screen::main;
        QTest::newRow("ready") << Kind::ready << false << Screen::main;
        QTest::newRow("unreachable before a load") << Kind::unreachable << true << Screen::unreachable;
        QTest::newRow("unreachable after a load") << Kind::unreachable << false << Screen::main;
    }
    void rootScreen()
    {
        QFETCH(Kind, phase);
        QFETCH(bool, homeIsEmpty);
        QFETCH(Screen, screen);
        QCOMPARE(ScreenRules::rootScreen(phase, homeIsEmpty), screen);
    }

    void selection_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("hasFavorites");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing stored, no favourites") << QString() << false << u"home"_s;
        QTest::newRow("nothing stored, favourites") << QString() << true << u"favorites"_s;
        QTest::newRow("favourites") << u"favorites"_s << false << u"favorites"_s;
        QTest::newRow("home beats favourites") << u"home"_s << true << u"home"_s;
        QTest::newRow("other letter case is no item") << u"Favorites"_s << false << u"home"_s;
        QTest::newRow("known group") << u"group:room-1"_s << true << u"group:room-1"_s;
        QTest::newRow("vanished group") << u"group:gone"_s << true << u"home"_s;
        QTest::newRow("group without id") << u"group:"_s << true << u"home"_s;
        QTest::newRow("id with a colon") << u"group:a:b"_s << false << u"group:a:b"_s;
        QTest::newRow("garbage") << u"{\"json\":1}"_s << false << u"home"_s;
    }
    void selection()
    {
        QFETCH(QString, stored);
        QFETCH(bool, hasFavorites);
        QFETCH(QString, shown);
        const auto hasGroup = [](const QString &id) { return id == u"room-1" || id == u"a:b"; };
        QCOMPARE(ScreenRules::selection(stored, hasGroup, hasFavorites).storedValue(), shown);
    }

    void banner()
    {
        const QString unreachable =
            HueText::tr(u"Bridge nicht erreichbar. Die Anzeige kann veraltet sein; Lumora verbindet sich neu."_s,
                        u"Bridge unreachable. What you see may be out of date; Lumora is reconnecting."_s);
        // The outage outranks a failed command, and its own message stays out.
        QCOMPARE(ScreenRules::bannerMessage(HueStorePhase::unreachable(u"timeout"_s), u"refused"_s), unreachable);
        QCOMPARE(ScreenRules::bannerMessage(HueStorePhase::ready(), u"refused"_s), u"refused"_s);
        QCOMPARE(ScreenRules::bannerMessage(HueStorePhase::connecting(), QString()), QString());
    }

    void blankAddress()
    {
        QVERIFY(ScreenRules::isBlankHost(QString()));
        QVERIFY(ScreenRules::isBlankHost(u" \t  "_s));
        QVERIFY(!ScreenRules::isBlankHost(u" 192.168.1.2 "_s));
        // Pairing trims only spaces and tabs, so a line break is not blank.
        QVERIFY(!ScreenRules::isBlankHost(u"\n"_s));
    }

    void wakeWithoutSystemBus()
    {
        // A machine without a reachable system bus simply has no wake hook.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/lumora-test-bus");
        SystemWake wake;
        QVERIFY(!wake.isWatching());
    }

    void launchOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("demo");
        // What a second launch hands to the running instance.
        QTest::addColumn<QStringList>("handedOver");
        QTest::addColumn<bool>("failed");
        QTest::newRow("none") << QStringList() << false << QStringList() << false;
        QTest::newRow("demo") << QStringList{u"--demo"_s} << true << QStringList() << false;
        QTest::newRow("background") << QStringList{u"--background"_s} << false << QStringList{u"--background"_s}
                                    << false;
        QTest::newRow("quick, demo") << QStringList{u"--demo"_s, u"--quick"_s} << true << QStringList{u"--quick"_s}
                                     << false;
        QTest::newRow("action") << QStringList{u"--action"_s, u"all-off"_s} << false
                                << QStringList{u"--action"_s, u"all-off"_s} << false;
        QTest::newRow("action joined") << QStringList{u"--action=all-off"_s} << false
                                       << QStringList{u"--action"_s, u"all-off"_s} << false;
        QTest::newRow("unknown action") << QStringList{u"--action"_s, u"dance"_s} << false << QStringList() << true;
        QTest::newRow("action without name") << QStringList{u"--action"_s} << false << QStringList() << true;
        QTest::newRow("unknown") << QStringList{u"--demo"_s, u"--trust-anchor"_s} << true << QStringList() << true;
    }
    void launchOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, demo);
        QFETCH(QStringList, handedOver);
        QFETCH(bool, failed);
        const LaunchOptions options = LaunchOptions::parse(arguments);
        QCOMPARE(options.demo, demo);
        QCOMPARE(options.handedOver(), handedOver);
        QCOMPARE(!options.error.isEmpty(), failed);
        // What is handed over reads back as the same request.
        QCOMPARE(LaunchOptions::parse(options.handedOver()).handedOver(), handedOver);
    }
};

QTEST_GUILESS_MAIN(ShellRulesTest)
#include "tst_shellrules.moc"
