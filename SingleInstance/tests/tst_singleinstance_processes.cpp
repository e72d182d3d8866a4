#include "TestProcess.h"

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

} // namespace

// What only separate processes show: the lock held by another process, a
// wake-up that outlives the launch that sent it, and a lock freed by a crash.
// The rest (the lock's record, the request files) is checked in-process.
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
        }
        // The second launch ended at once, yet its wake-up and request arrive.
        QCOMPARE(first.line(), u"activated 1"_s);
        QCOMPARE(first.line(), u"received --open Wohnzimmer"_s);

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
