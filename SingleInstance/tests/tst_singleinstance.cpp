#include "DuplicateLaunchRequestStore.h"
#include "DuplicateLaunchSignal.h"
#include "InstanceLock.h"
#include "SingleInstanceController.h"
#include "SingleInstanceStartup.h"
#include "TestProcess.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimeZone>
#include <QTimer>

using namespace Qt::StringLiterals;
using Kind = SingleInstanceStartupResult::Kind;

namespace {

DuplicateLaunchRequest request(const QStringList &arguments)
{
    return {arguments, {}, QDateTime::currentDateTimeUtc()};
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

/// Counts the wake-ups posted under a name, and notes the thread they arrive on.
struct WakeUps
{
    explicit WakeUps(const QString &name)
        : observation(DuplicateLaunchSignal::observe(name, [this] {
            ++count;
            thread = QThread::currentThreadId();
        }))
    {
    }
    int count = 0;
    Qt::HANDLE thread = nullptr;
    std::unique_ptr<DuplicateLaunchSignalObservation> observation;
};

/// This binary launched as the application (see main): it runs the start-up
/// against a folder and says whether it runs.
int runInstance(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const SingleInstanceConfiguration configuration(
        u"app.lumora.Test.instance"_s, SingleInstancePolicy::alwaysSingle(),
        SingleInstanceLockLocation::directory(QUrl::fromLocalFile(app.arguments().at(2))));
    const SingleInstanceStartupResult result = SingleInstanceController::start(configuration, {});
    QTextStream(stdout) << (result.kind == Kind::run ? "run " : "not run ") << QCoreApplication::applicationPid()
                        << Qt::endl;
    if (result.kind != Kind::run)
        return 3;
    // Never outlive a test that forgot to end us.
    QTimer::singleShot(120'000, &app, &QCoreApplication::quit);
    return app.exec();
}

class Launch : public TestProcess
{
public:
    explicit Launch(const QString &folder)
        : TestProcess(QCoreApplication::applicationFilePath())
    {
        start(QStringList{u"--instance"_s, folder});
    }
    QString line() { return QString::fromUtf8(nextLine()).trimmed(); }
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run under scripts/with-test-env");
    }
    void init()
    {
        // Every case gets fresh folders and signal names of its own.
        m_base = m_dir.filePath(QString::number(++m_case));
    }

    void policyReadsTheSetting_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("absent") << QVariant() << false;
        QTest::newRow("true") << QVariant(true) << true;
        QTest::newRow("false") << QVariant(false) << false;
        QTest::newRow("one") << QVariant(1) << true;
        QTest::newRow("another number") << QVariant(2) << false;
        for (const QString &yes : {u"1"_s, u"yes"_s, u"YES"_s, u"On"_s, u"TRUE"_s})
            QTest::newRow(qPrintable(u"text "_s + yes)) << QVariant(yes) << true;
        for (const QString &no : {u"0"_s, u"no"_s, u"off"_s, u"y"_s, u" yes"_s, u"enabled"_s, QString()})
            QTest::newRow(qPrintable(u"text '"_s + no + u"'"_s)) << QVariant(no) << false;
    }
    void policyReadsTheSetting()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, allowed);
        const QString path = m_dir.filePath(u"policy-%1.ini"_s.arg(m_case));
        if (stored.isValid())
            QSettings(path, QSettings::IniFormat).setValue(u"allowMultipleInstances"_s, stored);
        const auto policy = SingleInstancePolicy::userDefaults(std::make_shared<QSettings>(path, QSettings::IniFormat));
        QCOMPARE(policy.allowsMultipleInstances(), allowed);
    }
    void lockIsExclusiveAndReleased()
    {
        const QUrl url = configuration(u"lock"_s).lockURL();
        auto first = InstanceLock::acquire(url);
        QVERIFY(std::holds_alternative<std::unique_ptr<InstanceLock>>(first));

        // flock belongs to the open file, so a second open in this process
        // contends exactly like another process would.
        auto second = InstanceLock::acquire(url);
        QCOMPARE(std::get<SingleInstanceError>(second), SingleInstanceError::lock(InstanceLockError::alreadyRunning()));

        // The holder's process id, readable by its user only, and left alone by the loser.
        QFile file(url.toLocalFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        QCOMPARE(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        std::get<0>(first).reset();
        QVERIFY(std::holds_alternative<std::unique_ptr<InstanceLock>>(InstanceLock::acquire(url)));

        // A folder where the lock file should be: open fails with EISDIR.
        QVERIFY(QFile::remove(url.toLocalFile()) && QDir().mkpath(url.toLocalFile()));
        QCOMPARE(std::get<SingleInstanceError>(InstanceLock::acquire(url)),
                 SingleInstanceError::lock(InstanceLockError::openFailed(EISDIR)));
    }

    void consumeInOrderAndDropGarbage()
    {
        const auto config = configuration(u"consume"_s);
        const QString folder = config.duplicateLaunchRequestsURL().toLocalFile();
        QVERIFY(DuplicateLaunchRequestStore::consumePending(config).isEmpty());
        QVERIFY(!QFileInfo::exists(folder)); // consuming creates nothing

        const QDateTime now(QDate(2026, 12, 6), QTime(12, 0), QTimeZone::utc());
        const DuplicateLaunchRequest newer{{u"newer"_s}, {QUrl::fromLocalFile(u"/tmp/Ä b.txt"_s)}, now.addSecs(5)};
        const DuplicateLaunchRequest older{{u"older"_s}, {}, now};
        QCOMPARE(DuplicateLaunchRequestStore::post(newer, config), std::nullopt);
        QCOMPARE(DuplicateLaunchRequestStore::post(older, config), std::nullopt);
        QCOMPARE(QFile::permissions(folder), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                 | QFileDevice::ReadUser | QFileDevice::WriteUser
                                                 | QFileDevice::ExeUser);

        // Written by other processes: one file per kind of damage, all dropped (and
        // deleted); a zone offset is read right; other names are left alone.
        writeFile(folder + u"/garbage.json"_s, "{not json");
        writeFile(folder + u"/array.json"_s, "[]");
        writeFile(folder + u"/half.json"_s, R"({"arguments":["x"]})");
        writeFile(folder + u"/number.json"_s, R"({"arguments":[1],"fileURLs":[],"createdAt":"2026-12-06T16:27:20Z"})");
        writeFile(folder + u"/relative.json"_s,
                  R"({"arguments":[],"fileURLs":["x"],"createdAt":"2026-12-06T16:27:20Z"})");
        writeFile(folder + u"/nozone.json"_s, R"({"arguments":["x"],"fileURLs":[],"createdAt":"2026-12-06T16:27:20"})");
        writeFile(folder + u"/feb30.json"_s, R"({"arguments":["x"],"fileURLs":[],"createdAt":"2026-02-30T16:27:20Z"})");
        writeFile(folder + u"/zone.json"_s,
                  R"({"arguments":["zone"],"fileURLs":[],"createdAt":"2026-12-06T12:00:03+01:00"})");
        writeFile(folder + u"/keep.txt"_s, "other extension");
        writeFile(folder + u"/keep.JSON"_s, "other letter case");
        writeFile(folder + u"/temp.json.Xa1b2c"_s, "a writer's temporary file");
        // A file of the largest size is read; one byte more is not read into
        // memory, it is dropped like garbage.
        writeFile(folder + u"/padded.json"_s,
                  QByteArray(R"({"arguments":["padded"],"fileURLs":[],"createdAt":"2026-12-06T12:00:10Z"})")
                      .leftJustified(DuplicateLaunchRequestStore::maximumRequestFileSize, ' '));
        QFile big(folder + u"/big.json"_s);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(DuplicateLaunchRequestStore::maximumRequestFileSize + 1));
        big.close();
        QVERIFY(QFile::link(u"/nonexistent-target"_s, folder + u"/dangling.json"_s));

        const DuplicateLaunchRequest zone{{u"zone"_s}, {}, now.addSecs(-3597)};
        const DuplicateLaunchRequest padded{{u"padded"_s}, {}, now.addSecs(10)};
        QCOMPARE(DuplicateLaunchRequestStore::consumePending(config),
                 (QList<DuplicateLaunchRequest>{zone, older, newer, padded}));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{u"keep.JSON"_s, u"keep.txt"_s, u"temp.json.Xa1b2c"_s}));
        QVERIFY(!QFileInfo(folder + u"/dangling.json"_s).isSymLink());
        QVERIFY(DuplicateLaunchRequestStore::consumePending(config).isEmpty());
    }
    void signalObserveAndCancel()
    {
        const QString name = u"app.lumora.Test.signal-%1"_s.arg(m_case);
        WakeUps mine(name);
        WakeUps unrelated(name + u"-other"_s);
        QVERIFY(DuplicateLaunchSignal::post(name));
        QTRY_COMPARE_WITH_TIMEOUT(mine.count, 1, 10000);
        QCOMPARE(mine.thread, QThread::currentThreadId()); // the main thread

        // A post already on its way when the observation is cancelled is
        // dropped: by the time a later post to another name arrives, nothing came.
        QVERIFY(DuplicateLaunchSignal::post(name));
        mine.observation->cancel();
        mine.observation->cancel();
        QVERIFY(DuplicateLaunchSignal::post(name));
        QVERIFY(DuplicateLaunchSignal::post(name + u"-other"_s));
        QTRY_COMPARE_WITH_TIMEOUT(unrelated.count, 1, 10000);
        QCOMPARE(mine.count, 1);
    }

    void handlerReceivesRequests()
    {
        const auto config = configuration(u"handler"_s);
        SingleInstanceStartupResult result = SingleInstanceController::start(config, {});
        QCOMPARE(result.kind, Kind::run);

        // Wake-ups before any handler is set are kept for the first one, once;
        // the empty request only wakes, it is not written.
        WakeUps seen(config.activationSignalName);
        QVERIFY(!DuplicateLaunchRequestStore::post(request({u"one"_s}), config));
        QVERIFY(!DuplicateLaunchRequestStore::post(request({}), config));
        QTRY_COMPARE_WITH_TIMEOUT(seen.count, 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(result.controller->hasPendingActivation(), 10000);
        QCoreApplication::processEvents();
        QList<QList<DuplicateLaunchRequest>> calls;
        result.controller->setDuplicateLaunchHandler(
            [&calls](const QList<DuplicateLaunchRequest> &requests) { calls.append(requests); });
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().size(), 1);
        QCOMPARE(calls.first().first().arguments, QStringList{u"one"_s});
        QVERIFY(!result.controller->hasPendingActivation());

        // Replacing the handler replays nothing; once the controller is gone
        // the lock is free and nothing is called: by the time another
        // observer has heard the wake-up, the handler has not.
        int plainCalls = 0;
        result.controller->setActivationHandler([&plainCalls] { ++plainCalls; });
        QCOMPARE(plainCalls, 0);
        result.controller.reset();
        WakeUps witness(config.activationSignalName);
        QVERIFY(DuplicateLaunchSignal::post(config.activationSignalName));
        QCOMPARE(SingleInstanceController::start(config, {}).kind, Kind::run);
        QTRY_VERIFY_WITH_TIMEOUT(witness.count > 0, 10000);
        QCOMPARE(plainCalls, 0);
        QCOMPARE(calls.size(), 1);
    }
    void allowMultipleInstancesTakesNoLock()
    {
        auto settings = std::make_shared<QSettings>(m_dir.filePath(u"allow.ini"_s), QSettings::IniFormat);
        settings->setValue(u"allowMultipleInstances"_s, true);
        const auto config = configuration(u"allow"_s, SingleInstancePolicy::userDefaults(settings));
        WakeUps wakeUps(config.activationSignalName);

        const auto first = SingleInstanceController::start(config, request({u"a"_s}));
        const auto second = SingleInstanceController::start(config, request({u"b"_s}));
        QCOMPARE(first.kind, Kind::run);
        QCOMPARE(second.kind, Kind::run);
        QVERIFY(!QFileInfo::exists(m_base));
        // Neither sent the wake-up: one sent now is the first to arrive.
        QVERIFY(DuplicateLaunchSignal::post(config.activationSignalName));
        QTRY_VERIFY_WITH_TIMEOUT(wakeUps.count > 0, 10000);
        QCOMPARE(wakeUps.count, 1);

        // Switching the setting off takes effect at the next start.
        settings->setValue(u"allowMultipleInstances"_s, false);
        const auto third = SingleInstanceController::start(config, {});
        QVERIFY(third.controller && third.controller->isEnforcingSingleInstance());
    }
    void startFailures()
    {
        QVERIFY(QDir().mkpath(m_base));
        writeFile(m_base + u"/app.lumora.Test.unwritable"_s, "a file where the folder belongs");
        const auto config = configuration(u"unwritable"_s);

        WakeUps wakeUps(config.activationSignalName);
        const SingleInstanceStartupResult result = SingleInstanceController::start(config, request({u"x"_s}));
        QCOMPARE(result.kind, Kind::failed);
        QVERIFY(result.error && !result.error->lockError);
        QVERIFY2(result.error->description().contains(u"app.lumora.Test.unwritable"_s),
                 qPrintable(result.error->description()));
        // The running instance, if any, is still asked to come forward.
        QTRY_COMPARE_WITH_TIMEOUT(wakeUps.count, 1, 10000);

        std::optional<SingleInstanceError> reported;
        QVERIFY(!SingleInstanceStartup::start(config, {}, [&](const SingleInstanceError &error) { reported = error; }));
        QCOMPARE(reported, result.error);

        // alreadyRunning is silent.
        const auto free = configuration(u"startup"_s);
        const auto onFailure = [](const SingleInstanceError &error) { QFAIL(qPrintable(error.description())); };
        const auto running = SingleInstanceStartup::start(free, {}, onFailure);
        QVERIFY(running);
        QVERIFY(!SingleInstanceStartup::start(free, {}, onFailure));
    }

    // What only separate processes show: a process that dies without cleaning
    // up leaves no stale lock behind. (The hand-over between two real launches
    // is checked on the application itself.)
    void crashLeavesNoStaleLock()
    {
        Launch first(m_base);
        QCOMPARE(first.line(), u"run %1"_s.arg(first.process.processId()));
        first.process.kill();
        QVERIFY(first.finishes());
        Launch next(m_base);
        QCOMPARE(next.line(), u"run %1"_s.arg(next.process.processId()));
    }

private:
    SingleInstanceConfiguration configuration(const QString &name, SingleInstancePolicy policy = {}) const
    {
        return SingleInstanceConfiguration(u"app.lumora.Test."_s + name, std::move(policy),
                                           SingleInstanceLockLocation::directory(QUrl::fromLocalFile(m_base)));
    }

    QTemporaryDir m_dir;
    QString m_base;
    int m_case = 0;
};

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--instance") == 0)
        return runInstance(argc, argv);
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
