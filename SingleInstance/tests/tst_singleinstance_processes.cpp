#include "DuplicateLaunchSignal.h"
#include "SingleInstanceConfiguration.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// One launch of the helper application.
class Launch
{
public:
    Launch(const QString &folder, const QString &settings, const QStringList &arguments = {})
    {
        process.setProgram(QString::fromUtf8(SINGLE_INSTANCE_HELPER));
        process.setArguments(QStringList{folder, settings} + arguments);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start();
    }
    ~Launch()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    /// Waits (bounded) for the next line of standard output.
    QString nextLine(int timeoutMs = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < timeoutMs) {
            if (!process.waitForReadyRead(200) && process.state() == QProcess::NotRunning)
                break;
        }
        return process.canReadLine() ? QString::fromUtf8(process.readLine()).trimmed() : QString();
    }

    QProcess process;
};

QString lockPath(const QString &folder)
{
    return SingleInstanceConfiguration(u"app.lumora.HelperTest"_s, SingleInstancePolicy::alwaysSingle(),
                                       SingleInstanceLockLocation::directory(QUrl::fromLocalFile(folder)))
        .lockURL()
        .toLocalFile();
}

} // namespace

class TestSingleInstanceProcesses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void secondLaunchHandsOverToFirst();
    void allowMultipleInstances();

private:
    QTemporaryDir m_dir;
};

void TestSingleInstanceProcesses::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run under scripts/with-test-env");
}

void TestSingleInstanceProcesses::secondLaunchHandsOverToFirst()
{
    const QString folder = m_dir.filePath(u"single"_s);
    const QString settings = m_dir.filePath(u"single.ini"_s);

    Launch first(folder, settings);
    const QString started = first.nextLine();
    QCOMPARE(started.section(u' ', 0, 0), u"run"_s);
    QCOMPARE(started.section(u' ', 2, 2), u"locked"_s);
    const QString pid = started.section(u' ', 1, 1);

    QFile lockFile(lockPath(folder));
    QVERIFY(lockFile.open(QIODevice::ReadOnly));
    QCOMPARE(lockFile.readAll(), pid.toUtf8() + '\n');
    lockFile.close();
    QCOMPARE(lockFile.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());

    {
        Launch second(folder, settings, {u"--open"_s, u"Wohnzimmer"_s});
        QVERIFY(second.process.waitForFinished(10000));
        QCOMPARE(second.nextLine(), u"alreadyRunning"_s);
        QCOMPARE(second.process.exitCode(), 3);
    }
    QCOMPARE(first.nextLine(), u"activated 1"_s);
    QCOMPARE(first.nextLine(), u"received --open Wohnzimmer"_s);
    const QDir requests(QFileInfo(lockPath(folder)).dir().filePath(u"DuplicateLaunchRequests"_s));
    QVERIFY(requests.exists());
    QCOMPARE(requests.entryList(QDir::Files | QDir::Hidden).size(), 0);

    // The second launch left the first one's lock alone.
    QVERIFY(lockFile.open(QIODevice::ReadOnly));
    QCOMPARE(lockFile.readAll(), pid.toUtf8() + '\n');
    lockFile.close();

    // A launch with nothing to hand over still wakes the first one.
    {
        Launch bare(folder, settings);
        QVERIFY(bare.process.waitForFinished(10000));
        QCOMPARE(bare.process.exitCode(), 3);
    }
    QCOMPARE(first.nextLine(), u"activated 0"_s);

    // A process that dies without cleaning up leaves no stale lock behind.
    first.process.kill();
    QVERIFY(first.process.waitForFinished(10000));
    Launch next(folder, settings);
    QCOMPARE(next.nextLine().section(u' ', 0, 0), u"run"_s);
}

void TestSingleInstanceProcesses::allowMultipleInstances()
{
    const QString folder = m_dir.filePath(u"multiple"_s);
    const QString settingsPath = m_dir.filePath(u"multiple.ini"_s);
    {
        QSettings settings(settingsPath, QSettings::IniFormat);
        settings.setValue(u"allowMultipleInstances"_s, true);
    }
    int wakeUps = 0;
    const auto observation =
        DuplicateLaunchSignal::observe(u"app.lumora.HelperTest.single-instance.activate"_s, [&wakeUps] { ++wakeUps; });
    QVERIFY(observation->isConnected());

    Launch first(folder, settingsPath);
    Launch second(folder, settingsPath, {u"--again"_s});
    QCOMPARE(first.nextLine(), u"run %1 unlocked"_s.arg(first.process.processId()));
    QCOMPARE(second.nextLine(), u"run %1 unlocked"_s.arg(second.process.processId()));
    QVERIFY(!QFileInfo::exists(folder));

    // Neither sends the wake-up: nothing arrives within a generous wait.
    QTest::qWait(500);
    QCOMPARE(wakeUps, 0);
}

QTEST_GUILESS_MAIN(TestSingleInstanceProcesses)
#include "tst_singleinstance_processes.moc"
