#include "DuplicateLaunchSignal.h"
#include "SingleInstanceConfiguration.h"
#include "TestProcess.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// One launch of the helper application; it prints one line per thing it did.
class Launch : public TestProcess
{
public:
    Launch(const QString &folder, const QString &settings, const QStringList &arguments = {})
        : TestProcess(QString::fromUtf8(SINGLE_INSTANCE_HELPER))
    {
        start(QStringList{folder, settings} + arguments);
    }
    QString line() { return QString::fromUtf8(nextLine()).trimmed(); }
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
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run under scripts/with-test-env");
    }
    void secondLaunchHandsOverToFirst()
    {
        const QString folder = m_dir.filePath(u"single"_s);
        const QString settings = m_dir.filePath(u"single.ini"_s);

        Launch first(folder, settings);
        const QString started = first.line();
        QCOMPARE(started.section(u' ', 0, 0), u"run"_s);
        QCOMPARE(started.section(u' ', 2, 2), u"locked"_s);
        const QString pid = started.section(u' ', 1, 1);

        QFile lockFile(lockPath(folder));
        QVERIFY(lockFile.open(QIODevice::ReadOnly));
        QCOMPARE(lockFile.readAll(), pid.toUtf8() + '\n');
        lockFile.close();
        QCOMPARE(lockFile.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());

        {
            Launch second(folder, settings, {u"--open"_s, u"Wohnzimmer"_s});
            QCOMPARE(second.line(), u"alreadyRunning"_s);
            QVERIFY(second.finishes());
            QCOMPARE(second.exitCode(), 3);
        }
        QCOMPARE(first.line(), u"activated 1"_s);
        QCOMPARE(first.line(), u"received --open Wohnzimmer"_s);
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
            QVERIFY(bare.finishes());
            QCOMPARE(bare.exitCode(), 3);
        }
        QCOMPARE(first.line(), u"activated 0"_s);

        // A process that dies without cleaning up leaves no stale lock behind.
        first.process.kill();
        QVERIFY(first.finishes());
        Launch next(folder, settings);
        QCOMPARE(next.line().section(u' ', 0, 0), u"run"_s);
    }
    void allowMultipleInstances()
    {
        const QString folder = m_dir.filePath(u"multiple"_s);
        const QString settingsPath = m_dir.filePath(u"multiple.ini"_s);
        {
            QSettings settings(settingsPath, QSettings::IniFormat);
            settings.setValue(u"allowMultipleInstances"_s, true);
        }
        int wakeUps = 0;
        const auto observation = DuplicateLaunchSignal::observe(u"app.lumora.HelperTest.single-instance.activate"_s,
                                                                [&wakeUps] { ++wakeUps; });
        QVERIFY(observation->isConnected());

        Launch first(folder, settingsPath);
        Launch second(folder, settingsPath, {u"--again"_s});
        QCOMPARE(first.line(), u"run %1 unlocked"_s.arg(first.process.processId()));
        QCOMPARE(second.line(), u"run %1 unlocked"_s.arg(second.process.processId()));
        QVERIFY(!QFileInfo::exists(folder));

        // Neither sent the wake-up: one sent now is the first to arrive.
        QVERIFY(DuplicateLaunchSignal::post(u"app.lumora.HelperTest.single-instance.activate"_s));
        QTRY_VERIFY_WITH_TIMEOUT(wakeUps > 0, 10000);
        QCOMPARE(wakeUps, 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSingleInstanceProcesses)
#include "tst_singleinstance_processes.moc"
