#pragma once

#include "AppBundle.h"
#include "BuildVersionDisplay.h"
#include "UpdateConfiguration.h"
#include "UpdateEngine.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

/// Creates the engine for a configuration; the default makes the feed engine.
using UpdateEngineFactory = std::function<std::unique_ptr<UpdateEngine>(
    const AppBundle &bundle, const UpdateConfiguration &configuration, UpdateEngineDelegate &delegate)>;

/// The update controller the user interface observes. It creates an engine
/// only when the bundle carries a complete and safe update configuration;
/// otherwise it stays inert with configurationError set. Main thread only.
class AppUpdater : public QObject, private UpdateEngineDelegate
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(QString configurationError READ configurationError NOTIFY configurationErrorChanged)
    Q_PROPERTY(bool isInstallingUpdate READ isInstallingUpdate NOTIFY isInstallingUpdateChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
                   setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)

public:
    static inline const QString installationErrorDomain = QStringLiteral("AppUpdater.Installation");

    explicit AppUpdater(const AppBundle &bundle = AppBundle::main(), UpdateEngineFactory factory = defaultFactory(),
                        QObject *parent = nullptr);
    ~AppUpdater() override;

    /// The feed engine of this application.
    static UpdateEngineFactory defaultFactory();

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    /// Empty when updates can work.
    QString configurationError() const { return m_configurationError.value_or(QString()); }
    bool isInstallingUpdate() const { return m_isInstallingUpdate; }
    bool hasEngine() const { return m_engine != nullptr; }

    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);

    /// A host may veto installation by returning a reason.
    std::function<std::optional<QString>()> installationBlockReason;

    /// Starts the engine once (a failed start may be tried again) and runs
    /// a background check when automatic checks are on.
    Q_INVOKABLE void start();
    /// A user-initiated check, only while one can run.
    Q_INVOKABLE void checkForUpdates();

    BuildVersionDisplay &versionDisplay() { return m_versionDisplay; }
    /// What the engine's user driver uses to show versions.
    BuildVersionDisplay *standardUserDriverRequestsVersionDisplayer() { return &m_versionDisplay; }

    // The engine's delegate calls, public so that the engine (and tests) reach
    // them through the interface and by name alike.
    std::optional<UpdateError> shouldProceedWithUpdate(const UpdateItem &item, UpdateCheck check) override;
    void willInstallUpdate(const UpdateItem &item) override;
    void willRelaunchApplication() override;
    void didAbortWithError(const UpdateError &error) override;
    void didFinishUpdateCycle(UpdateCheck check, const std::optional<UpdateError> &error) override;
    void didFindValidUpdate(const UpdateItem &item) override;
    void didNotFindUpdate(UpdateCheck check) override;
    BuildVersionDisplay *versionDisplayer() override { return &m_versionDisplay; }

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    void configurationErrorChanged();
    void isInstallingUpdateChanged();
    void automaticallyChecksForUpdatesChanged();

    /// A verified update is ready; the text is "<version> (<readable build>)".
    void updateAvailable(const UpdateItem &item, const QString &displayVersion);
    /// A check the user asked for found nothing newer.
    void upToDate();
    /// An update cycle failed or was vetoed; the text is for the user.
    void updateFailed(const QString &message);

private:
    void setCanCheckForUpdates(bool value);
    void setConfigurationError(std::optional<QString> value);
    void setInstallingUpdate(bool value);

    bool m_canCheckForUpdates = false;
    std::optional<QString> m_configurationError;
    bool m_isInstallingUpdate = false;
    BuildVersionDisplay m_versionDisplay;
    AppBundle m_bundle;
    std::unique_ptr<UpdateEngine> m_engine;
    bool m_started = false;
};
