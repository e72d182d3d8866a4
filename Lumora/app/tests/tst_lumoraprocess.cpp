// The lumora executable as a person starts it: a second launch hands over
// and ends (with what it was asked to do), `--action` without a running
// Lumora does it alone, a start at login goes into the tray when the session
// has one, a missing display and a wrong option end with a clear word, and on
// a Wayland compositor (the one the test runs under) the windows map, draw
// and name their desktop entry. Each run gets folders of its own and the demo bridge, so
// nothing leaves loopback.
#include "FakeWatcher.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString program = QStringLiteral(LUMORA_EXECUTABLE);

/// One lumora process with its own output.
struct Launch
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QByteArray output;

    Launch(const QProcessEnvironment &environment, const QStringList &arguments, const QString &executable = program)
    {
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(process.get(), &QProcess::readyRead, process.get(), [this] { output += process->readAll(); });
        process->start(executable, arguments);
    }
    ~Launch()
    {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    bool said(const char *text) const { return output.contains(text); }
    bool said(const QRegularExpression &pattern) const { return pattern.match(QString::fromUtf8(output)).hasMatch(); }
};

} // namespace

class LumoraProcessTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_s, m_folder.filePath(u"config"_s));
        environment.insert(u"XDG_DATA_HOME"_s, m_folder.filePath(u"data"_s));
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"QT_LOGGING_RULES"_s, u"lumora.app.debug=true"_s);
        environment.insert(u"LANGUAGE"_s, u"en"_s);
        return environment;
    }

private Q_SLOTS:
    // A second launch hands its request to the running instance and ends;
    // an action it hands over is carried out there.
    void secondLaunchHandsOverAndEnds_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("firstSays");
        QTest::newRow("plain") << QStringList{u"--demo"_s} << QByteArray("another launch asked for the main window");
        QTest::newRow("all off") << QStringList{u"--demo"_s, u"--action"_s, u"all-off"_s}
                                 << QByteArray("another launch asked for the action \"all-off\"");
    }
    void secondLaunchHandsOverAndEnds()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, firstSays);
        Launch first(environment(), {u"--demo"_s});
        QTRY_VERIFY_WITH_TIMEOUT(first.said("the main window is loaded"), 30000);
        Launch second(environment(), arguments);
        QVERIFY(second.process->waitForFinished(30000));
        QCOMPARE(second.process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process->exitCode(), 0);
        QVERIFY(!second.said("the main window is loaded"));
        QTRY_VERIFY_WITH_TIMEOUT(first.said(firstSays.constData()), 10000);
        QCOMPARE(first.process->state(), QProcess::Running);
    }

    // A start at login (`--background`) goes into the tray when the session
    // bus has a tray host and shows the window as usual when it has none.
    // The bus is the test's own, so that the host it plays meets no other
    // application and the one without a host is sure to have none.
    void backgroundStartGoesIntoTheTray_data()
    {
        QTest::addColumn<bool>("trayHost");
        QTest::newRow("tray host") << true;
        QTest::newRow("no tray host") << false;
    }
    void backgroundStartGoesIntoTheTray()
    {
        QFETCH(bool, trayHost);
        QTemporaryDir folder;
        const QString address = u"unix:path="_s + folder.filePath(u"bus"_s);
        Launch bus(environment(), {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--address="_s + address},
                   u"dbus-daemon"_s);
        QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(folder.filePath(u"bus"_s)), bus.output.constData(), 15000);
        const QString connection = u"host-"_s + QString::fromLatin1(QTest::currentDataTag());
        const auto disconnect = qScopeGuard([&] { QDBusConnection::disconnectFromBus(connection); });
        QDBusConnection host = QDBusConnection::connectToBus(address, connection);
        FakeWatcher watcher;
        if (trayHost) {
            QVERIFY(host.registerObject(u"/StatusNotifierWatcher"_s, &watcher, QDBusConnection::ExportScriptableSlots));
            QVERIFY(host.registerService(u"org.kde.StatusNotifierWatcher"_s));
        }
        QProcessEnvironment env = environment();
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
        Launch lumora(env, {u"--demo"_s, u"--background"_s});
        if (trayHost) {
            // Said once the host took the item, when the window would be made otherwise.
            QTRY_VERIFY2_WITH_TIMEOUT(lumora.said("started in the tray, without a window"), lumora.output.constData(),
                                      30000);
            QCOMPARE(watcher.registered.size(), 1);
            QVERIFY(!lumora.said("the main window is loaded"));
        } else {
            QTRY_VERIFY2_WITH_TIMEOUT(lumora.said("the main window is loaded"), lumora.output.constData(), 30000);
            QVERIFY(!lumora.said("started in the tray"));
        }
        QCOMPARE(lumora.process->state(), QProcess::Running);
    }

    void drawsOnAWaylandCompositor()
    {
        // The test runs as a client of a headless Weston (tests/support/with-weston),
        // whose settings the children keep. The protocol log of the client
        // side shows what the compositor is told and answers: the application
        // id, the first configure, a buffer attached after it, and the
        // compositor's frame callback.
        QVERIFY(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
        QProcessEnvironment env = environment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        env.insert(u"WAYLAND_DEBUG"_s, u"client"_s);
        // The quick panel too: every toplevel names the desktop entry.
        Launch lumora(env, {u"--demo"_s, u"--quick"_s});
        QTRY_VERIFY_WITH_TIMEOUT(
            lumora.said(QRegularExpression(
                uR"(ack_configure\(.*wl_surface@\d+\.attach\(wl_buffer@\d+.*wl_surface@\d+\.commit\(\).*wl_callback@\d+\.done\()"_s,
                QRegularExpression::DotMatchesEverythingOption)),
            30000);
        QTRY_VERIFY_WITH_TIMEOUT(lumora.said("the quick panel is open"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(lumora.output.count(R"(.set_app_id("app.lumora.Lumora"))"), 2, 10000);
        QCOMPARE(lumora.output.count(".set_app_id("), 2);
        QVERIFY(lumora.said("the main window is loaded"));
        QCOMPARE(lumora.process->state(), QProcess::Running);
    }

    void clearWordsInsteadOfACrash_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("no display") << QStringList{u"--demo"_s} << false << 1
                                    << QByteArray("needs a graphical session");
        QTest::newRow("unknown option") << QStringList{u"--trust-anchor"_s, u"x.pem"_s} << true << 2
                                        << QByteArray("Unknown option: --trust-anchor");
        // Alone, without a display: it connects with the stored pairing, of which there is none.
        QTest::newRow("action, no instance") << QStringList{u"--action"_s, u"all-off"_s} << false << 1
                                             << QByteArray("Lumora is not paired with a bridge");
    }
    void clearWordsInsteadOfACrash()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, message);
        QProcessEnvironment env = environment();
        if (!display) {
            for (const auto &name : {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
                env.remove(name);
        }
        Launch launch(env, arguments);
        QVERIFY(launch.process->waitForFinished(30000));
        launch.output += launch.process->readAll();
        QCOMPARE(launch.process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(launch.process->exitCode(), exitCode);
        QVERIFY2(launch.said(message.constData()), launch.output.constData());
    }
};

QTEST_GUILESS_MAIN(LumoraProcessTest)
#include "tst_lumoraprocess.moc"
