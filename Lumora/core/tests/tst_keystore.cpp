#include "BridgeKeyStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QTest>
#include <QUuid>
#include <qt6keychain/keychain.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using OptionalKey = std::optional<QString>;

// What finish() gives for a load that ended: the outer optional says "it
// ended", the inner one "with a key".
std::optional<OptionalKey> answered(const QString &key)
{
    return OptionalKey(key);
}
const std::optional<OptionalKey> noKey{OptionalKey{}};

bool expectUnavailable()
{
    return qgetenv("LUMORA_KEYSTORE_EXPECT") == "unavailable";
}

/// Runs a task until it ends or `limit` passes (a bounded loop). Nothing
/// when it did not end: the caller's "never hangs" check.
template<typename T>
std::optional<T> finish(QCoro::Task<T> task, std::chrono::milliseconds limit = 20s)
{
    auto result = std::make_shared<std::optional<T>>();
    QCoro::connect(std::move(task), qApp, [result](T value) { *result = std::move(value); });
    const QDeadlineTimer deadline(limit);
    while (!*result && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return *result;
}

QCoro::Task<bool> ended(QCoro::Task<void> task)
{
    co_await std::move(task);
    co_return true;
}

bool finish(QCoro::Task<void> task)
{
    return finish(ended(std::move(task))).has_value();
}

QString uniqueAccount()
{
    return u"LumoraTest-"_s + QUuid::createUuid().toString(QUuid::Id128).left(12).toUpper();
}

/// Items of our service for one account, asked of the Secret Service itself.
int storedItemCount(const QString &account)
{
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.secrets"_s, u"/org/freedesktop/secrets"_s,
                                                       u"org.freedesktop.Secret.Service"_s, u"SearchItems"_s);
    // QtKeychain files its items under "user" (the account) and "server" (the service).
    const QMap<QString, QString> attributes{{u"user"_s, account}, {u"server"_s, BridgeKeyStore::service()}};
    call << QVariant::fromValue(attributes);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10'000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return -1;
    const auto paths = [](const QVariant &v) { return qdbus_cast<QList<QDBusObjectPath>>(v).size(); };
    return int(paths(reply.arguments().at(0)) + paths(reply.arguments().at(1)));
}

/// True when some regular file below the test's home and XDG folders
/// contains `needle` in plain text.
bool foundInPlainFiles(const QByteArray &needle)
{
    for (const char *variable : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
        const QString root = qEnvironmentVariable(variable);
        if (root.isEmpty())
            continue;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        for (int count = 0; it.hasNext() && count < 10'000; ++count) {
            QFile file(it.next());
            if (file.size() > 16 * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
                continue;
            if (file.readAll().contains(needle))
                return true;
        }
    }
    return false;
}

/// A Secret Service that accepts every call and never answers, like a
/// keyring daemon that is stuck.
class SilentSecretService : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override
    {
        ++calls;
        return true;
    }
    int calls = 0;
};

QCoro::Task<bool> step(QStringList *log, QString name, bool outcome)
{
    log->append(name);
    co_return outcome;
}

} // namespace

class TestKeyStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qDBusRegisterMetaType<QMap<QString, QString>>();
        if (!expectUnavailable() && qgetenv("LUMORA_IN_TEST_ENV") != "1")
            QSKIP("needs scripts/with-test-env: this test must never touch the user's own keyring");
    }

    void saveLoadReplaceDelete()
    {
        if (expectUnavailable())
            QSKIP("no Secret Service on this bus");
        const BridgeKeyStore keys = BridgeKeyStore::keychain();
        const QString account = uniqueAccount();
        const QString first = u"key-"_s + QUuid::createUuid().toString(QUuid::Id128);
        const QString second = u"Schlüssel-ü-🔑-"_s + QUuid::createUuid().toString(QUuid::Id128);

        QCOMPARE(finish(keys.save(first, account)), std::optional<bool>(true));
        QCOMPARE(finish(keys.load(account)), answered(first));

        QCOMPARE(finish(keys.save(second, account)), std::optional<bool>(true));
        QCOMPARE(finish(keys.load(account)), answered(second));
        QCOMPARE(storedItemCount(account), 1); // replaced, not added

        // Neither key ever lands in a file of ours in plain text (no insecure
        // fallback into the settings).
        QVERIFY(!foundInPlainFiles(first.toUtf8()) && !foundInPlainFiles(second.toUtf8()));

        // The account is not case-folded: the lower-case id is another item.
        const QString lower = account.toLower();
        QCOMPARE(finish(keys.save(u"lower"_s, lower)), std::optional<bool>(true));
        QCOMPARE(finish(keys.load(account)), answered(second));
        QCOMPARE(finish(keys.load(lower)), answered(u"lower"_s));

        QVERIFY(finish(keys.delete_(account)));
        QCOMPARE(finish(keys.load(account)), noKey);
        QVERIFY(finish(keys.delete_(account))); // deleting nothing is fine
        QCOMPARE(finish(keys.load(lower)), answered(u"lower"_s));
        QVERIFY(finish(keys.delete_(lower)));
    }

    void storedBytesThatAreNotUtf8()
    {
        if (expectUnavailable())
            QSKIP("no Secret Service on this bus");
        const QString account = uniqueAccount();
        // Another program (or an older version) left bytes that are not text.
        auto *job = new QKeychain::WritePasswordJob(BridgeKeyStore::service());
        job->setKey(account);
        job->setBinaryData(QByteArray("\xff\xfe\x80key", 6));
        bool written = false;
        connect(job, &QKeychain::Job::finished, this,
                [&written](QKeychain::Job *j) { written = j->error() == QKeychain::NoError; });
        job->start();
        QTRY_VERIFY_WITH_TIMEOUT(written, 20000);

        const BridgeKeyStore keys = BridgeKeyStore::keychain();
        QCOMPARE(finish(keys.load(account)), noKey);
        QVERIFY(finish(keys.delete_(account)));
        QCOMPARE(storedItemCount(account), 0);
    }

    void noSecretService()
    {
        if (!expectUnavailable())
            QSKIP("only on a bus without the Secret Service");
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.freedesktop.secrets"_s));
        // The bus answers at once that nobody is there: no key, no save.
        BridgeKeyStore keys = BridgeKeyStore::keychain(5s);
        QCOMPARE(finish(keys.load(uniqueAccount())), noKey);
        QCOMPARE(finish(keys.save(u"k"_s, uniqueAccount())), std::optional<bool>(false));
        QVERIFY(finish(keys.delete_(uniqueAccount())));

        // A service that takes every call and never answers: each call still
        // ends within its time limit. Last in this process: a call that never
        // gets an answer keeps the keychain library's queue busy until the bus
        // gives up on it.
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"silent-secrets"_s);
        QVERIFY(bus.isConnected());
        SilentSecretService service;
        QVERIFY(bus.registerVirtualObject(u"/"_s, &service, QDBusConnection::SubPath));
        QVERIFY(bus.registerService(u"org.freedesktop.secrets"_s));
        keys = BridgeKeyStore::keychain(1500ms);
        QCOMPARE(finish(keys.load(uniqueAccount())), noKey);
        QVERIFY(service.calls > 0); // the call really went to the silent service
        QCOMPARE(finish(keys.save(u"k"_s, uniqueAccount())), std::optional<bool>(false));

        bus.unregisterObject(u"/"_s, QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(u"silent-secrets"_s);
    }

    void saveAddsWhateverTheRemovalGave()
    {
        // A removal that failed or timed out still lets the add run, and only
        // the add decides the outcome.
        for (const auto &[removalAnswered, added] : {std::pair(false, true), std::pair(true, false)}) {
            QStringList log;
            const auto saved = finish(BridgeKeyStore::replace([&] { return step(&log, u"remove"_s, removalAnswered); },
                                                              [&] { return step(&log, u"add"_s, added); }));
            QCOMPARE(saved, std::optional<bool>(added));
            QCOMPARE(log, (QStringList{u"remove"_s, u"add"_s}));
        }
    }
};

QTEST_GUILESS_MAIN(TestKeyStore)
#include "tst_keystore.moc"
