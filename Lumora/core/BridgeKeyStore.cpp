#include "BridgeKeyStore.h"

#include "LumoraLogging.h"

#include <QCoro/QCoroSignal>
#include <QStringDecoder>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <memory>

namespace {

/// Watches one keychain job for its end or for the time limit, whichever
/// comes first, and reports exactly once. The job is never deleted while it
/// runs: the keychain backends call back into it when the platform answers,
/// however late that is.
class KeychainWait : public QObject
{
    Q_OBJECT

public:
    KeychainWait(QKeychain::Job *job, std::chrono::milliseconds timeout)
    {
        connect(job, &QKeychain::Job::finished, this, [this] { end(true); });
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { end(false); });
        m_timer.start(timeout);
    }

    bool isOver() const { return m_over; }
    bool finished() const { return m_finished; }

Q_SIGNALS:
    void over();

private:
    void end(bool finished)
    {
        if (m_over)
            return;
        m_over = true;
        m_finished = finished;
        m_timer.stop();
        Q_EMIT over();
    }

    QTimer m_timer;
    bool m_over = false;
    bool m_finished = false;
};

/// Runs `job` to its end or the time limit. True when it finished (with or
/// without error); the caller then reads its outcome and deletes it. On a
/// timeout the job is left to delete itself whenever it does finish.
QCoro::Task<bool> run(QKeychain::Job *job, std::chrono::milliseconds timeout)
{
    // Never fall back to an unencrypted file when no keyring is available.
    job->setInsecureFallback(false);
    job->setAutoDelete(false);
    auto wait = std::make_unique<KeychainWait>(job, timeout);
    job->start();
    if (!wait->isOver())
        co_await qCoro(wait.get(), &KeychainWait::over);
    if (!wait->finished()) {
        job->setAutoDelete(true);
        qCWarning(lcKeyStore) << "the credential store did not answer in time";
        co_return false;
    }
    co_return true;
}

QCoro::Task<std::optional<QString>> keychainLoad(QString account, std::chrono::milliseconds timeout)
{
    auto *job = new QKeychain::ReadPasswordJob(BridgeKeyStore::service());
    job->setKey(account);
    if (!co_await run(job, timeout))
        co_return std::nullopt;
    const QKeychain::Error error = job->error();
    const QString errorString = job->errorString();
    const QByteArray data = job->binaryData();
    job->deleteLater();
    if (error != QKeychain::NoError) {
        if (error != QKeychain::EntryNotFound)
            qCWarning(lcKeyStore) << "could not read a bridge key:" << errorString;
        co_return std::nullopt;
    }
    // Decoded strictly: bytes that are not UTF-8 are not a key of ours.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString key = decoder(data);
    if (decoder.hasError()) {
        qCWarning(lcKeyStore) << "ignoring a stored bridge key that is not UTF-8";
        co_return std::nullopt;
    }
    co_return key;
}

/// The outcome of a finished delete is ignored; false only when the store
/// did not answer at all.
QCoro::Task<bool> keychainDelete(QString account, std::chrono::milliseconds timeout)
{
    auto *job = new QKeychain::DeletePasswordJob(BridgeKeyStore::service());
    job->setKey(account);
    if (!co_await run(job, timeout))
        co_return false;
    job->deleteLater();
    co_return true;
}

QCoro::Task<bool> keychainWrite(QString key, QString account, std::chrono::milliseconds timeout)
{
    auto *job = new QKeychain::WritePasswordJob(BridgeKeyStore::service());
    job->setKey(account);
    job->setTextData(key);
    if (!co_await run(job, timeout))
        co_return false;
    const bool stored = job->error() == QKeychain::NoError;
    if (!stored)
        qCWarning(lcKeyStore) << "could not store a bridge key:" << job->errorString();
    job->deleteLater();
    co_return stored;
}

QCoro::Task<bool> keychainSave(QString key, QString account, std::chrono::milliseconds timeout)
{
    // One item per account: clear whatever is there first. The steps are
    // built as locals, not as temporaries inside the awaited expression.
    std::function<QCoro::Task<bool>()> remove = [account, timeout] { return keychainDelete(account, timeout); };
    std::function<QCoro::Task<bool>()> add = [key, account, timeout] { return keychainWrite(key, account, timeout); };
    QCoro::Task<bool> replacing = BridgeKeyStore::replace(std::move(remove), std::move(add));
    co_return co_await replacing;
}

QCoro::Task<void> keychainDeleteIgnoringOutcome(QString account, std::chrono::milliseconds timeout)
{
    co_await keychainDelete(std::move(account), timeout);
}

} // namespace

BridgeKeyStore BridgeKeyStore::keychain(std::chrono::milliseconds timeout)
{
    return BridgeKeyStore{
        .load = [timeout](QString account) { return keychainLoad(std::move(account), timeout); },
        .save = [timeout](QString key,
                          QString account) { return keychainSave(std::move(key), std::move(account), timeout); },
        .delete_ = [timeout](QString account) { return keychainDeleteIgnoringOutcome(std::move(account), timeout); },
    };
}

QCoro::Task<bool> BridgeKeyStore::replace(std::function<QCoro::Task<bool>()> remove,
                                          std::function<QCoro::Task<bool>()> add)
{
    // A removal that did not answer in time may still finish; the add then
    // gets its own full time behind it.
    co_await remove();
    co_return co_await add();
}

#include "BridgeKeyStore.moc"
