#include "FeedUpdateEngine.h"

#include "UpdateFeed.h"
#include "UpdateSignature.h"
#include "UpdateVersionComparator.h"

#include <QCoroNetworkReply>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

struct Fetched
{
    QByteArray body;
    std::optional<QString> error;
};

struct DeleteLater
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

/// GETs url over HTTPS, into sink when given (else into the body), and
/// gives up once more than limit bytes arrive or the deadline has passed.
/// Only loopback is ever reached in tests; the addresses come from the
/// signed-off configuration.
QCoro::Task<Fetched> fetch(QPointer<QNetworkAccessManager> network, QNetworkRequest request, qint64 limit,
                           QPointer<QIODevice> sink, std::chrono::milliseconds deadline)
{
    if (!network)
        co_return Fetched{{}, u"cancelled"_s};
    const std::unique_ptr<QNetworkReply, DeleteLater> reply(network->get(request));
    QNetworkReply *raw = reply.get();
    // Qt keeps no more than this of an answer not read yet; without the
    // bound, a sender faster than this thread grows it without limit.
    raw->setReadBufferSize(256 * 1024);
    auto body = std::make_shared<QByteArray>();
    auto received = std::make_shared<qint64>(0);
    auto tooLarge = std::make_shared<bool>(false);
    auto writeFailed = std::make_shared<bool>(false);
    auto pastDeadline = std::make_shared<bool>(false);
    QTimer::singleShot(deadline, Qt::CoarseTimer, raw, [raw, pastDeadline] {
        if (raw->isFinished())
            return;
        *pastDeadline = true;
        raw->abort();
    });

    const auto drain = [raw, body, received, tooLarge, writeFailed, limit, sink] {
        while (raw->bytesAvailable() > 0 && !*tooLarge && !*writeFailed) {
            const QByteArray chunk = raw->read(64 * 1024);
            *received += chunk.size();
            if (*received > limit) {
                *tooLarge = true;
                raw->abort();
                return;
            }
            if (sink) {
                if (sink->write(chunk) != chunk.size()) {
                    *writeFailed = true;
                    raw->abort();
                    return;
                }
            } else {
                body->append(chunk);
            }
        }
    };
    QObject::connect(raw, &QNetworkReply::metaDataChanged, raw, [raw, limit, tooLarge] {
        bool ok = false;
        const qint64 announced = raw->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok && announced > limit && !*tooLarge) {
            *tooLarge = true;
            raw->abort();
        }
    });
    QObject::connect(raw, &QNetworkReply::readyRead, raw, drain);

    co_await raw;
    if (!*tooLarge && !*writeFailed && raw->error() == QNetworkReply::NoError)
        drain();

    if (*tooLarge)
        co_return Fetched{{}, u"the answer is larger than "_s + QString::number(limit) + u" bytes"_s};
    if (*pastDeadline)
        co_return Fetched{{},
                          u"no complete answer within "_s
                              + QString::number(std::chrono::duration_cast<std::chrono::seconds>(deadline).count())
                              + u" seconds"_s};
    if (*writeFailed)
        co_return Fetched{{}, sink ? sink->errorString() : QString()};
    if (raw->error() != QNetworkReply::NoError)
        co_return Fetched{{}, raw->errorString()};
    const int status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299)
        co_return Fetched{{}, u"the server answered with status "_s + QString::number(status)};
    co_return Fetched{*body, std::nullopt};
}

QString archiveFileName(const UpdateItem &item)
{
    // Only the last path segment, and only characters that cannot climb out
    // of the download folder or hide the file.
    QString name = QFileInfo(item.archiveURL.path()).fileName();
    for (QChar &c : name) {
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_' || c == u'+'))
            c = u'_';
    }
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    if (name.isEmpty())
        name = u"Lumora-update-"_s + item.versionString;
    return name;
}

} // namespace

FeedUpdateEngine::Options FeedUpdateEngine::Options::forBundle(const AppBundle &bundle)
{
    Options options;
    options.currentVersion = bundle.info.value(AppBundle::buildVersionKey).toString();
    options.currentDisplayVersion = bundle.info.value(AppBundle::shortVersionKey).toString();
    options.downloadDirectory = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + u"/updates"_s;
    return options;
}

FeedUpdateEngine::FeedUpdateEngine(UpdateConfiguration configuration, Options options, UpdateEngineDelegate &delegate,
                                   QObject *parent)
    : QObject(parent)
    , m_configuration(std::move(configuration))
    , m_options(std::move(options))
    , m_delegate(delegate)
    , m_network(new QNetworkAccessManager(this))
{
    if (!m_options.settings)
        m_options.settings = std::make_shared<QSettings>();
    // A very coarse timer rounds to whole seconds, fine for a daily check but
    // not for the short intervals tests use.
    m_schedule.setTimerType(m_options.checkInterval >= std::chrono::minutes(1) ? Qt::VeryCoarseTimer : Qt::CoarseTimer);
    m_schedule.setInterval(m_options.checkInterval);
    connect(&m_schedule, &QTimer::timeout, this, &FeedUpdateEngine::checkForUpdatesInBackground);
}

FeedUpdateEngine::~FeedUpdateEngine()
{
    // A running check waits for its reply, which would die with the network
    // manager without ever finishing; aborting it lets the check end (and
    // free what it holds) while this object still exists.
    m_shuttingDown = true;
    const QList<QNetworkReply *> replies = m_network->findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies)
        reply->abort();
}

std::optional<UpdateError> FeedUpdateEngine::start()
{
    if (m_started)
        return std::nullopt;
    if (m_configuration.publicKeyBytes().size() != UpdateSignature::publicKeyLength)
        return UpdateError{errorDomain, notStarted, u"The update key of this build is not usable."_s};
    m_started = true;
    // A download cut short by the end of an earlier run leaves its
    // unverified temporary file behind; it is never offered, so remove it.
    const QDir downloads(m_options.downloadDirectory);
    const QStringList stale = downloads.entryList({u".download-*"_s}, QDir::Files | QDir::Hidden);
    for (const QString &name : stale)
        QFile::remove(downloads.filePath(name));
    updateSchedule();
    if (m_canCheckObserver)
        m_canCheckObserver(canCheckForUpdates());
    return std::nullopt;
}

bool FeedUpdateEngine::canCheckForUpdates() const
{
    return m_started && !m_checking;
}

bool FeedUpdateEngine::automaticallyChecksForUpdates() const
{
    const QVariant value = m_options.settings->value(automaticChecksKey, true);
    if (value.typeId() == QMetaType::QString)
        return value.toString() != u"false"_s;
    return value.toBool();
}

void FeedUpdateEngine::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (enabled == automaticallyChecksForUpdates())
        return;
    m_options.settings->setValue(automaticChecksKey, enabled);
    m_options.settings->sync();
    updateSchedule();
    if (m_automaticObserver)
        m_automaticObserver(enabled);
}

void FeedUpdateEngine::checkForUpdates()
{
    beginCycle(UpdateCheck::userInitiated);
}

void FeedUpdateEngine::checkForUpdatesInBackground()
{
    beginCycle(UpdateCheck::background);
}

void FeedUpdateEngine::observeCanCheckForUpdates(Observer observer)
{
    m_canCheckObserver = std::move(observer);
    if (m_canCheckObserver)
        m_canCheckObserver(canCheckForUpdates());
}

void FeedUpdateEngine::observeAutomaticallyChecksForUpdates(Observer observer)
{
    m_automaticObserver = std::move(observer);
}

void FeedUpdateEngine::updateSchedule()
{
    if (m_started && automaticallyChecksForUpdates()) {
        if (!m_schedule.isActive())
            m_schedule.start();
    } else {
        m_schedule.stop();
    }
}

void FeedUpdateEngine::setChecking(bool checking)
{
    if (m_checking == checking)
        return;
    m_checking = checking;
    if (m_canCheckObserver)
        m_canCheckObserver(canCheckForUpdates());
}

void FeedUpdateEngine::beginCycle(UpdateCheck check)
{
    // One cycle at a time; a scheduled check during a running one is moot.
    if (!m_started || m_checking)
        return;
    setChecking(true);
    runCycle(check);
}

void FeedUpdateEngine::finishCycle(UpdateCheck check, const std::optional<UpdateError> &error, bool report)
{
    // Failures of quiet checks reach nobody but the cycle's end: a laptop
    // without network at start-up should not greet its user with an error.
    if (error && report)
        m_delegate.didAbortWithError(*error);
    m_delegate.didFinishUpdateCycle(check, error);
    setChecking(false);
}

QCoro::Task<void> FeedUpdateEngine::runCycle(UpdateCheck check)
{
    const QPointer<FeedUpdateEngine> self(this);
    const bool userInitiated = check == UpdateCheck::userInitiated;

    QNetworkRequest feedRequest(m_configuration.feedURL);
    feedRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    feedRequest.setTransferTimeout(int(m_options.requestTimeout.count()));
    if (m_options.caCertificates) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(*m_options.caCertificates);
        feedRequest.setSslConfiguration(tls);
    }
    const QNetworkRequest archiveTemplate = feedRequest;

    const Fetched feed =
        co_await fetch(m_network, feedRequest, m_options.maximumFeedSize, nullptr, m_options.feedDeadline);
    if (!self || m_shuttingDown)
        co_return;
    if (feed.error) {
        finishCycle(check,
                    UpdateError{errorDomain, feedUnavailable,
                                u"The update information could not be loaded ("_s + *feed.error + u")."_s},
                    userInitiated);
        co_return;
    }

    const UpdateFeed::Parsed parsed = UpdateFeed::parse(feed.body);
    if (parsed.error) {
        finishCycle(check,
                    UpdateError{errorDomain, feedMalformed,
                                u"The update information is not readable ("_s + *parsed.error + u")."_s},
                    userInitiated);
        co_return;
    }

    const std::optional<UpdateItem> newest = UpdateFeed::newest(parsed.items);
    if (!newest || UpdateVersionComparator::compare(newest->versionString, m_options.currentVersion) <= 0) {
        m_delegate.didNotFindUpdate(check);
        finishCycle(check, std::nullopt, false);
        co_return;
    }

    // A veto is always reported: the user should learn why nothing happens.
    if (const std::optional<UpdateError> veto = m_delegate.shouldProceedWithUpdate(*newest, check)) {
        finishCycle(check, veto, true);
        co_return;
    }

    const auto archiveFailed = [](const QString &why) {
        return UpdateError{errorDomain, archiveUnavailable, u"The update could not be downloaded ("_s + why + u")."_s};
    };
    if (newest->archiveLength && *newest->archiveLength > m_options.maximumArchiveSize) {
        finishCycle(check, archiveFailed(u"it is too large"_s), userInitiated);
        co_return;
    }
    // Check the signature's form before downloading anything.
    const std::optional<QByteArray> signature = UpdateSignature::decodeBase64(newest->edSignature);
    if (!signature || signature->size() != UpdateSignature::signatureLength) {
        finishCycle(check, UpdateError{errorDomain, signatureInvalid, u"The update is not correctly signed."_s},
                    userInitiated);
        co_return;
    }

    if (!QDir().mkpath(m_options.downloadDirectory)) {
        finishCycle(check, archiveFailed(u"no folder for it"_s), userInitiated);
        co_return;
    }
    QFile::setPermissions(m_options.downloadDirectory,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    auto file = std::make_unique<QTemporaryFile>(m_options.downloadDirectory + u"/.download-XXXXXX"_s);
    if (!file->open()) {
        finishCycle(check, archiveFailed(file->errorString()), userInitiated);
        co_return;
    }

    QNetworkRequest archiveRequest = archiveTemplate;
    archiveRequest.setUrl(newest->archiveURL);
    const qint64 limit =
        std::min(m_options.maximumArchiveSize, newest->archiveLength.value_or(m_options.maximumArchiveSize));
    const Fetched archive = co_await fetch(m_network, archiveRequest, limit, file.get(), m_options.archiveDeadline);
    if (!self || m_shuttingDown)
        co_return;
    if (archive.error) {
        finishCycle(check, archiveFailed(*archive.error), userInitiated);
        co_return;
    }

    file->flush();
    const qint64 size = file->size();
    uchar *mapped = size > 0 ? file->map(0, size) : nullptr;
    if (size > 0 && !mapped) {
        finishCycle(check, archiveFailed(file->errorString()), userInitiated);
        co_return;
    }
    const QByteArrayView bytes(reinterpret_cast<const char *>(mapped), size > 0 ? size : 0);
    const UpdateSignature::Result verified =
        UpdateSignature::verify(m_configuration.publicKeyBytes(), newest->edSignature, bytes);
    if (mapped)
        file->unmap(mapped);
    if (verified != UpdateSignature::Result::valid) {
        // The temporary file goes away with its object: nothing unverified
        // is ever left for the user to open.
        finishCycle(check, UpdateError{errorDomain, signatureInvalid, u"The update is not correctly signed."_s},
                    userInitiated);
        co_return;
    }

    const QString target = QDir(m_options.downloadDirectory).filePath(archiveFileName(*newest));
    QFile::remove(target);
    if (!file->rename(target)) {
        finishCycle(check, archiveFailed(file->errorString()), userInitiated);
        co_return;
    }
    file->setAutoRemove(false);
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    UpdateItem offered = *newest;
    offered.archivePath = target;
    m_delegate.didFindValidUpdate(offered);
    finishCycle(check, std::nullopt, false);
}
