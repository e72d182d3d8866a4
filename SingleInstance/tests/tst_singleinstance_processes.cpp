#include "SingleInstanceConfiguration.h"
#include "TestProcess.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// One launch of the helper application; it prints one line per thing it did.
class Launch : public TestProcess
{
public:
    explicit Launch(const QString &folder, const QStringList &arguments = {})
        : TestProcess(QString::fromUtf8(SINGLE_INSTANCE_HELPER))
    {
        start(QStringList{folder} + arguments);
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
        Launch first(folder);
        QCOMPARE(first.line(), u"run %1"_s.arg(first.process.processId()));

        {
            Launch second(folder, {u"--open"_s, u"Wohnzimmer"_s});
            QCOMPARE(second.line(), u"alreadyRunning"_s);
            QVERIFY(second.finishes());
            QCOMPARE(second.exitCode(), 3);
        }
        // The second launch ended at once, yet its wake-up and request arrive.
        QCOMPARE(first.line(), u"activated 1"_s);
        QCOMPARE(first.line(), u"received --open Wohnzimmer"_s);
        const QDir requests(QFileInfo(lockPath(folder)).dir().filePath(u"DuplicateLaunchRequests"_s));
        QVERIFY(requests.exists());
        QCOMPARE(requests.entryList(QDir::Files | QDir::Hidden).size(), 0);

        // The second launch left the first one's record in the lock alone.
        QFile lockFile(lockPath(folder));
        QVERIFY(lockFile.open(QIODevice::ReadOnly));
        QCOMPARE(lockFile.readAll(), QByteArray::number(first.process.processId()) + '\n');

        // A process that dies without cleaning up leaves no stale lock behind.
        first.process.kill();
        QVERIFY(first.finishes());
        Launch next(folder);
        QCOMPARE(next.line(), u"run %1"_s.arg(next.process.processId()));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSingleInstanceProcesses)
#include "tst_singleinstance_processes.moc"
