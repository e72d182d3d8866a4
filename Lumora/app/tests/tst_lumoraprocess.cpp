// The lumora executable as a person starts it: a second launch hands over
// and ends (with what it was asked to do), `--action` without a running
// Lumora does it alone, a missing display and a wrong option end with a clear
// word, and on a Wayland compositor the window maps, draws and names its
// desktop entry. Each run gets folders of its own and the demo bridge, so
// nothing leaves loopback.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
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

    void drawsOnAWaylandCompositor()
    {
        // Weston without a screen, drawing into memory, with a runtime folder
        // (and so a socket) of this test's own.
        QTemporaryDir runtime;
        QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcessEnvironment env = environment();
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        env.insert(u"WAYLAND_DISPLAY"_s, u"lumora-test"_s);
        Launch weston(env,
                      {u"--backend=headless-backend.so"_s, u"--use-pixman"_s, u"--socket=lumora-test"_s,
                       u"--idle-time=0"_s, u"--no-config"_s},
                      u"weston"_s);
        QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(runtime.filePath(u"lumora-test"_s)), weston.output.constData(), 15000);

        // The protocol log of the client side shows what the compositor is
        // told and answers: the application id, the first configure, a
        // buffer attached after it, and the compositor's frame callback.
        env.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        env.insert(u"QT_QUICK_BACKEND"_s, u"software"_s);
        env.insert(u"WAYLAND_DEBUG"_s, u"client"_s);
        // A compositor without a seat (no keyboard or pointer at all, as a
        // headless one is) crashes Qt 6.4's text-input support as soon as a
        // label asks for the input locale; desktops always have a seat.
        env.insert(u"QT_IM_MODULE"_s, u"none"_s);
        Launch lumora(env, {u"--demo"_s});
        QTRY_VERIFY_WITH_TIMEOUT(
            lumora.said(QRegularExpression(
                uR"(ack_configure\(.*wl_surface@\d+\.attach\(wl_buffer@\d+.*wl_surface@\d+\.commit\(\).*wl_callback@\d+\.done\()"_s,
                QRegularExpression::DotMatchesEverythingOption)),
            30000);
        QVERIFY(lumora.said(R"(xdg_toplevel@)") && lumora.said(R"(.set_app_id("app.lumora.Lumora"))"));
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
