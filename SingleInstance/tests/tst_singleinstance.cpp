#include "DuplicateLaunchRequestStore.h"
#include "DuplicateLaunchSignal.h"
#include "InstanceLock.h"
#include "SingleInstanceController.h"
#include "SingleInstanceStartup.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimeZone>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

DuplicateLaunchRequest request(const QStringList &arguments, const QDateTime &createdAt, const QList<QUrl> &urls = {})
{
    return {arguments, urls, createdAt};
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QStringList filesIn(const QString &path)
{
    return QDir(path).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

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

    void configurationDefaults()
    {
        const SingleInstanceConfiguration config(
            u"app.lumora.Lumora"_s, SingleInstancePolicy::alwaysSingle(),
            SingleInstanceLockLocation::directory(QUrl::fromLocalFile(u"/base"_s)));
        QCOMPARE(config.lockFileName, u"app.lumora.Lumora.lock"_s);
        QCOMPARE(config.activationSignalName, u"app.lumora.Lumora.single-instance.activate"_s);
        QCOMPARE(config.lockURL(), QUrl::fromLocalFile(u"/base/app.lumora.Lumora/app.lumora.Lumora.lock"_s));
        QCOMPARE(config.duplicateLaunchRequestsURL(),
                 QUrl::fromLocalFile(u"/base/app.lumora.Lumora/DuplicateLaunchRequests"_s));

        const SingleInstanceConfiguration named(u"x"_s, {}, SingleInstanceLockLocation::applicationSupport(),
                                                u"custom.lock"_s, u"custom.signal"_s);
        QCOMPARE(named.lockFileName, u"custom.lock"_s);
        QCOMPARE(named.activationSignalName, u"custom.signal"_s);
        // The test environment points the data directory into its own folder.
        QCOMPARE(named.lockURL().toLocalFile(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/x/custom.lock"_s);

        // An empty identifier: the application's, else the program's name.
        QCOMPARE(SingleInstanceConfiguration::defaultBundleIdentifier(u"app.lumora.Lumora"_s, u"lumora"_s),
                 u"app.lumora.Lumora"_s);
        QCOMPARE(SingleInstanceConfiguration::defaultBundleIdentifier(QString(), u"lumora"_s), u"lumora"_s);
        const SingleInstanceConfiguration fallback(QString(), {}, SingleInstanceLockLocation::applicationSupport());
        QCOMPARE(fallback.bundleIdentifier, u"tst_singleinstance"_s);
        QCOMPARE(fallback.lockFileName, u"tst_singleinstance.lock"_s);
        QCOMPARE(fallback.activationSignalName, u"tst_singleinstance.single-instance.activate"_s);
    }
    void policyReadsTheSetting_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("absent") << QVariant() << false;
        QTest::newRow("true") << QVariant(true) << true;
        QTest::newRow("false") << QVariant(false) << false;
        QTest::newRow("one") << QVariant(1) << true;
        QTest::newRow("zero") << QVariant(0) << false;
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
        {
            QSettings settings(path, QSettings::IniFormat);
            if (stored.isValid())
                settings.setValue(u"allowMultipleInstances"_s, stored);
        }
        const auto policy = SingleInstancePolicy::userDefaults(std::make_shared<QSettings>(path, QSettings::IniFormat));
        QCOMPARE(policy.allowsMultipleInstances(), allowed);
        auto always = SingleInstancePolicy::alwaysSingle();
        QVERIFY(!always.allowsMultipleInstances());
    }
    void lockIsExclusiveAndReleased()
    {
        const QUrl url = configuration(u"lock"_s).lockURL();
        auto first = InstanceLock::acquire(url);
        QVERIFY(std::holds_alternative<std::unique_ptr<InstanceLock>>(first));
        QCOMPARE(std::get<0>(first)->lockURL(), url);

        QFile file(url.toLocalFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        QCOMPARE(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        // flock belongs to the open file, so a second open in this process
        // contends exactly like another process would.
        auto second = InstanceLock::acquire(url);
        QVERIFY(std::holds_alternative<SingleInstanceError>(second));
        QCOMPARE(std::get<SingleInstanceError>(second), SingleInstanceError::lock(InstanceLockError::alreadyRunning()));

        std::get<0>(first).reset();
        auto third = InstanceLock::acquire(url);
        QVERIFY(std::holds_alternative<std::unique_ptr<InstanceLock>>(third));
    }
    void lockFailures()
    {
        QDir().mkpath(m_base);
        // A file where the folder should be: the folder cannot be created.
        writeFile(m_base + u"/blocker"_s, "x");
        auto blocked = InstanceLock::acquire(QUrl::fromLocalFile(m_base + u"/blocker/app/app.lock"_s));
        QVERIFY(std::holds_alternative<SingleInstanceError>(blocked));
        const SingleInstanceError folderError = std::get<SingleInstanceError>(blocked);
        QVERIFY(!folderError.lockError);
        QVERIFY2(folderError.description().contains(u"blocker"_s), qPrintable(folderError.description()));

        // A folder where the lock file should be: open fails with EISDIR.
        QVERIFY(QDir().mkpath(m_base + u"/app/app.lock"_s));
        auto notAFile = InstanceLock::acquire(QUrl::fromLocalFile(m_base + u"/app/app.lock"_s));
        QVERIFY(std::holds_alternative<SingleInstanceError>(notAFile));
        QCOMPARE(std::get<SingleInstanceError>(notAFile),
                 SingleInstanceError::lock(InstanceLockError::openFailed(EISDIR)));
        QVERIFY(std::get<SingleInstanceError>(notAFile).description().startsWith(u"openFailed(errno: "_s));
    }

    void requestJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        QTest::newRow("complete") << QByteArray("{\"arguments\":[\"a\"],\"fileURLs\":[\"file:///tmp/x%20y\"],"
                                                R"("createdAt":"2026-12-06T16:27:20Z"})")
                                  << true;
        QTest::newRow("offset zone") << QByteArray(
            R"({"arguments":[],"fileURLs":[],"createdAt":"2026-12-06T17:27:20+01:00"})")
                                     << true;
        QTest::newRow("no zone") << QByteArray(R"({"arguments":[],"fileURLs":[],"createdAt":"2026-12-06T16:27:20"})")
                                 << false;
        QTest::newRow("missing arguments")
            << QByteArray(R"({"fileURLs":[],"createdAt":"2026-12-06T16:27:20Z"})") << false;
        QTest::newRow("missing fileURLs")
            << QByteArray(R"({"arguments":[],"createdAt":"2026-12-06T16:27:20Z"})") << false;
        QTest::newRow("missing createdAt") << QByteArray(R"({"arguments":[],"fileURLs":[]})") << false;
        QTest::newRow("number argument") << QByteArray(
            R"({"arguments":[1],"fileURLs":[],"createdAt":"2026-12-06T16:27:20Z"})")
                                         << false;
        QTest::newRow("relative url") << QByteArray(
            R"({"arguments":[],"fileURLs":["x"],"createdAt":"2026-12-06T16:27:20Z"})")
                                      << false;
        QTest::newRow("impossible date") << QByteArray(
            R"({"arguments":[],"fileURLs":[],"createdAt":"2026-02-30T16:27:20Z"})")
                                         << false;
        QTest::newRow("array") << QByteArray("[]") << false;
        QTest::newRow("garbage") << QByteArray("\x00\xff{", 3) << false;
    }
    void requestJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        const auto decoded = DuplicateLaunchRequest::fromJson(json);
        QCOMPARE(decoded.has_value(), valid);
        if (decoded) {
            QCOMPARE(decoded->createdAt, QDateTime(QDate(2026, 12, 6), QTime(16, 27, 20), QTimeZone::utc()));
            // Encoding and decoding again gives the same request.
            QCOMPARE(DuplicateLaunchRequest::fromJson(decoded->toJson()), decoded);
        }
    }
    void emptyRequestOnlySignals()
    {
        const auto config = configuration(u"empty"_s);
        int wakeUps = 0;
        const auto observation = DuplicateLaunchSignal::observe(config.activationSignalName, [&wakeUps] { ++wakeUps; });
        QVERIFY(observation->isConnected());

        QCOMPARE(DuplicateLaunchRequestStore::post(request({}, QDateTime::currentDateTimeUtc()), config), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(wakeUps, 1, 10000);
        QVERIFY(!QFileInfo::exists(config.duplicateLaunchRequestsURL().toLocalFile()));
    }
    void consumeInOrderAndDropGarbage()
    {
        const auto config = configuration(u"consume"_s);
        const QString folder = config.duplicateLaunchRequestsURL().toLocalFile();
        const QDateTime now(QDate(2026, 12, 6), QTime(12, 0), QTimeZone::utc());
        const auto newer = request({u"newer"_s}, now.addSecs(5), {QUrl::fromLocalFile(u"/tmp/Ä b.txt"_s)});
        const auto older = request({u"older"_s}, now);
        QCOMPARE(DuplicateLaunchRequestStore::post(newer, config), std::nullopt);
        QCOMPARE(DuplicateLaunchRequestStore::post(older, config), std::nullopt);

        const QStringList written = filesIn(folder);
        QCOMPARE(written.size(), 2);
        for (const QString &name : written) {
            QVERIFY2(QUuid::fromString(name.chopped(5)).toString(QUuid::WithoutBraces).toUpper() == name.chopped(5),
                     qPrintable(name));
            QVERIFY(name.endsWith(u".json"_s));
        }
        QCOMPARE(QFile::permissions(folder), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                 | QFileDevice::ReadUser | QFileDevice::WriteUser
                                                 | QFileDevice::ExeUser);

        writeFile(folder + u"/garbage.json"_s, "{not json");
        writeFile(folder + u"/half.json"_s, R"({"arguments":["x"]})");
        writeFile(folder + u"/keep.txt"_s, "other extension");
        writeFile(folder + u"/keep.JSON"_s, "other letter case");
        writeFile(folder + u"/temp.json.Xa1b2c"_s, "a writer's temporary file");
        // An oversized file is not read into memory; it is dropped like garbage.
        {
            QFile big(folder + u"/big.json"_s);
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize(DuplicateLaunchRequestStore::maximumRequestFileSize + 1));
        }
        QVERIFY(QFile::link(u"/nonexistent-target"_s, folder + u"/dangling.json"_s));

        const QList<DuplicateLaunchRequest> consumed = DuplicateLaunchRequestStore::consumePending(config);
        QCOMPARE(consumed, (QList<DuplicateLaunchRequest>{older, newer}));
        QCOMPARE(filesIn(folder), (QStringList{u"keep.JSON"_s, u"keep.txt"_s, u"temp.json.Xa1b2c"_s}));
        QVERIFY(!QFileInfo(folder + u"/dangling.json"_s).isSymLink());

        QVERIFY(DuplicateLaunchRequestStore::consumePending(config).isEmpty());
    }
    void consumeMissingFolder()
    {
        const auto config = configuration(u"missing"_s);
        QVERIFY(DuplicateLaunchRequestStore::consumePending(config).isEmpty());
        QVERIFY(!QFileInfo::exists(config.duplicateLaunchRequestsURL().toLocalFile()));
    }
    void postIntoUnwritableFolderStillSignals()
    {
        const auto config = configuration(u"blocked"_s);
        const QString folder = config.duplicateLaunchRequestsURL().toLocalFile();
        QVERIFY(QDir().mkpath(QFileInfo(folder).path()));
        writeFile(folder, "a file where the folder belongs");

        int wakeUps = 0;
        const auto observation = DuplicateLaunchSignal::observe(config.activationSignalName, [&wakeUps] { ++wakeUps; });
        const auto failure =
            DuplicateLaunchRequestStore::post(request({u"x"_s}, QDateTime::currentDateTimeUtc()), config);
        QVERIFY(failure);
        QVERIFY(!failure->isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(wakeUps, 1, 10000);
        QVERIFY(DuplicateLaunchRequestStore::consumePending(config).isEmpty());
    }

    void busAddresses()
    {
        using DuplicateLaunchSignal::BusAddress;
        QCOMPARE(DuplicateLaunchSignal::busAddress(u"app.lumora.Lumora.single-instance.activate"_s),
                 (BusAddress{u"broadcast.app.lumora.Lumora.single_2dinstance"_s, u"activate"_s}));
        // Names that differ only in characters D-Bus forbids stay apart.
        QVERIFY(DuplicateLaunchSignal::busAddress(u"a.b-c.d"_s) != DuplicateLaunchSignal::busAddress(u"a.b_c.d"_s));
        QCOMPARE(DuplicateLaunchSignal::busAddress(u"plain"_s), (BusAddress{u"broadcast"_s, u"plain"_s}));
        QCOMPARE(DuplicateLaunchSignal::busAddress(u"1.2"_s).member, u"_32"_s);
        QVERIFY(DuplicateLaunchSignal::busAddress(QString(400, u'a') + u".b"_s).interface.size() <= 255);
    }
    void signalObserveAndCancel()
    {
        const QString name = u"app.lumora.Test.signal-%1"_s.arg(m_case);
        int first = 0;
        int other = 0;
        Qt::HANDLE deliveredOn = nullptr;
        auto observation = DuplicateLaunchSignal::observe(name, [&] {
            ++first;
            deliveredOn = QThread::currentThreadId();
        });
        const auto unrelated = DuplicateLaunchSignal::observe(name + u"-other"_s, [&other] { ++other; });
        QCOMPARE(observation->name(), name);
        QVERIFY(!observation->isCancelled());

        QVERIFY(DuplicateLaunchSignal::post(name));
        QVERIFY(DuplicateLaunchSignal::post(name));
        QTRY_COMPARE_WITH_TIMEOUT(first, 2, 10000);
        QCOMPARE(deliveredOn, QCoreApplication::instance()->thread()->currentThreadId());
        QCOMPARE(other, 0);

        // A post already on its way when the observation is cancelled is dropped.
        QVERIFY(DuplicateLaunchSignal::post(name));
        observation->cancel();
        QVERIFY(observation->isCancelled());
        observation->cancel();
        QVERIFY(observation->isCancelled());
        QVERIFY(DuplicateLaunchSignal::post(name));
        QVERIFY(DuplicateLaunchSignal::post(name + u"-other"_s));
        QTRY_COMPARE_WITH_TIMEOUT(other, 1, 10000);
        QCOMPARE(first, 2);
        observation.reset();
    }

    void pendingActivationRunsOnce()
    {
        const auto config = configuration(u"pending"_s);
        const SingleInstanceStartupResult result = SingleInstanceController::start(config, {});
        QCOMPARE(result.kind, SingleInstanceStartupResult::Kind::run);
        QVERIFY(result.controller->isEnforcingSingleInstance());

        int seen = 0;
        const auto counter = DuplicateLaunchSignal::observe(config.activationSignalName, [&seen] { ++seen; });
        QVERIFY(!DuplicateLaunchRequestStore::post(request({u"one"_s}, QDateTime::currentDateTimeUtc()), config));
        QVERIFY(!DuplicateLaunchRequestStore::post({}, config));
        QTRY_COMPARE_WITH_TIMEOUT(seen, 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(result.controller->hasPendingActivation(), 10000);
        QCoreApplication::processEvents();

        QList<QList<DuplicateLaunchRequest>> calls;
        result.controller->setDuplicateLaunchHandler(
            [&calls](const QList<DuplicateLaunchRequest> &requests) { calls.append(requests); });
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().size(), 1);
        QCOMPARE(calls.first().first().arguments, QStringList{u"one"_s});
        QVERIFY(!result.controller->hasPendingActivation());

        // Replacing the handler does not replay the activation.
        int plainCalls = 0;
        result.controller->setActivationHandler([&plainCalls] { ++plainCalls; });
        QCOMPARE(plainCalls, 0);
        QCOMPARE(calls.size(), 1);
    }
    void handlerReceivesRequests()
    {
        const auto config = configuration(u"handler"_s);
        SingleInstanceStartupResult result = SingleInstanceController::start(config, {});
        QCOMPARE(result.kind, SingleInstanceStartupResult::Kind::run);
        QList<DuplicateLaunchRequest> received;
        int calls = 0;
        result.controller->setDuplicateLaunchHandler([&](const QList<DuplicateLaunchRequest> &requests) {
            ++calls;
            received += requests;
        });
        QCOMPARE(calls, 0);

        // A second start with the lock held hands its request over.
        // Whole seconds: the stored form has no fractions.
        const auto second = request({u"--show"_s}, QDateTime(QDate(2026, 12, 6), QTime(10, 0, 1), QTimeZone::utc()));
        const SingleInstanceStartupResult blocked = SingleInstanceController::start(config, second);
        QCOMPARE(blocked.kind, SingleInstanceStartupResult::Kind::alreadyRunning);
        QVERIFY(!blocked.controller);
        QTRY_COMPARE_WITH_TIMEOUT(received, QList<DuplicateLaunchRequest>{second}, 10000);
        QVERIFY(filesIn(config.duplicateLaunchRequestsURL().toLocalFile()).isEmpty());

        // Once the controller is gone the lock is free and nothing is called: by
        // the time another observer has heard the wake-up, the handler has not.
        const int callsBefore = calls;
        result.controller.reset();
        int heard = 0;
        const auto witness = DuplicateLaunchSignal::observe(config.activationSignalName, [&heard] { ++heard; });
        QVERIFY(DuplicateLaunchSignal::post(config.activationSignalName));
        const SingleInstanceStartupResult after = SingleInstanceController::start(config, {});
        QCOMPARE(after.kind, SingleInstanceStartupResult::Kind::run);
        QTRY_VERIFY_WITH_TIMEOUT(heard > 0, 10000);
        QCOMPARE(calls, callsBefore);
    }
    void allowMultipleInstancesTakesNoLock()
    {
        const QString settingsPath = m_dir.filePath(u"allow.ini"_s);
        auto settings = std::make_shared<QSettings>(settingsPath, QSettings::IniFormat);
        settings->setValue(u"allowMultipleInstances"_s, true);
        settings->sync();
        const auto config = configuration(u"allow"_s, SingleInstancePolicy::userDefaults(settings));

        const auto first = SingleInstanceController::start(config, request({u"a"_s}, QDateTime::currentDateTimeUtc()));
        const auto second = SingleInstanceController::start(config, request({u"b"_s}, QDateTime::currentDateTimeUtc()));
        QCOMPARE(first.kind, SingleInstanceStartupResult::Kind::run);
        QCOMPARE(second.kind, SingleInstanceStartupResult::Kind::run);
        QVERIFY(!first.controller->isEnforcingSingleInstance());
        QVERIFY(!QFileInfo::exists(m_base));

        // Switching the setting off takes effect at the next start.
        settings->setValue(u"allowMultipleInstances"_s, false);
        settings->sync();
        const auto third = SingleInstanceController::start(config, {});
        QCOMPARE(third.kind, SingleInstanceStartupResult::Kind::run);
        QVERIFY(third.controller->isEnforcingSingleInstance());
    }
    void startFailures()
    {
        QVERIFY(QDir().mkpath(m_base));
        writeFile(m_base + u"/app.lumora.Test.unwritable"_s, "a file where the folder belongs");
        const auto config = configuration(u"unwritable"_s);

        int wakeUps = 0;
        const auto observation = DuplicateLaunchSignal::observe(config.activationSignalName, [&wakeUps] { ++wakeUps; });
        const SingleInstanceStartupResult result =
            SingleInstanceController::start(config, request({u"x"_s}, QDateTime::currentDateTimeUtc()));
        QCOMPARE(result.kind, SingleInstanceStartupResult::Kind::failed);
        QVERIFY(result.error);
        QVERIFY(!result.error->lockError);
        // The running instance, if any, is still asked to come forward.
        QTRY_COMPARE_WITH_TIMEOUT(wakeUps, 1, 10000);

        std::optional<SingleInstanceError> reported;
        const auto controller =
            SingleInstanceStartup::start(config, {}, [&](const SingleInstanceError &error) { reported = error; });
        QVERIFY(!controller);
        QCOMPARE(reported, result.error);

        // alreadyRunning is silent.
        const auto free = configuration(u"startup"_s);
        bool failed = false;
        const auto running =
            SingleInstanceStartup::start(free, {}, [&failed](const SingleInstanceError &) { failed = true; });
        QVERIFY(running);
        QVERIFY(!SingleInstanceStartup::start(free, {}, [&failed](const SingleInstanceError &) { failed = true; }));
        QVERIFY(!failed);
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

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
