#pragma once

#include "AppBundle.h"
#include "UpdateConfiguration.h"
#include "UpdateEngine.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSettings>
#include <QSslCertificate>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;

/// The application's own update engine: it reads the HTTPS update feed,
/// compares the newest release with the running build and, for a newer one,
/// downloads the archive and verifies its Ed25519 signature before offering
/// it. Installing is left to the user (on Linux, the package manager): the
/// engine never opens or runs what it downloads. Main thread only.
class FeedUpdateEngine : public QObject, public UpdateEngine
{
    Q_OBJECT

public:
    struct Options
    {
        /// The running build (compared with the feed's versions) and its
        /// marketing version.
        QString currentVersion;
        QString currentDisplayVersion;
        /// Where the automatic-check switch is kept; the application's
        /// preferences when absent.
        std::shared_ptr<QSettings> settings;
        /// Trust anchors for the feed and archive connections; the system's
        /// when absent (tests give their own).
        std::optional<QList<QSslCertificate>> caCertificates;
        /// Where verified archives are kept for the user.
        QString downloadDirectory;
        std::chrono::milliseconds checkInterval = std::chrono::hours(24);
        /// Idle timeout of the feed and archive transfers (it restarts with
        /// every byte), and the time each may take in all: a server that
        /// sends a byte now and then would otherwise hold the check, and
        /// every later one, for ever.
        std::chrono::milliseconds requestTimeout = std::chrono::seconds(30);
        std::chrono::milliseconds feedDeadline = std::chrono::minutes(1);
        std::chrono::milliseconds archiveDeadline = std::chrono::minutes(30);
        qint64 maximumFeedSize = 1024 * 1024;
        qint64 maximumArchiveSize = qint64(1024) * 1024 * 1024;

        static Options forBundle(const AppBundle &bundle);
    };

    static inline const QString automaticChecksKey = QStringLiteral("updates/automaticallyChecksForUpdates");
    static inline const QString errorDomain = QStringLiteral("FeedUpdateEngine");

    enum ErrorCode { feedUnavailable = 1, feedMalformed, archiveUnavailable, signatureInvalid, notStarted };

    FeedUpdateEngine(UpdateConfiguration configuration, Options options, UpdateEngineDelegate &delegate,
                     QObject *parent = nullptr);
    ~FeedUpdateEngine() override;

    std::optional<UpdateError> start() override;
    bool canCheckForUpdates() const override;
    bool automaticallyChecksForUpdates() const override;
    void setAutomaticallyChecksForUpdates(bool enabled) override;
    void checkForUpdates() override;
    void checkForUpdatesInBackground() override;
    void observeCanCheckForUpdates(Observer observer) override;
    void observeAutomaticallyChecksForUpdates(Observer observer) override;

    bool isChecking() const { return m_checking; }
    /// Whether the daily schedule is armed.
    bool isScheduled() const { return m_schedule.isActive(); }

private:
    void beginCycle(UpdateCheck check);
    QCoro::Task<void> runCycle(UpdateCheck check);
    void finishCycle(UpdateCheck check, const std::optional<UpdateError> &error, bool report);
    void setChecking(bool checking);
    void updateSchedule();

    UpdateConfiguration m_configuration;
    Options m_options;
    UpdateEngineDelegate &m_delegate;
    QNetworkAccessManager *m_network = nullptr;
    QTimer m_schedule;
    bool m_started = false;
    bool m_checking = false;
    bool m_shuttingDown = false;
    Observer m_canCheckObserver;
    Observer m_automaticObserver;
};
