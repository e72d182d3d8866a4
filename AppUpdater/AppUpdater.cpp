#include "AppUpdater.h"

#include "FeedUpdateEngine.h"

#include <QCoreApplication>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

/// Runs work on the object's (main) thread later; dropped when the object is
/// gone by then.
template<typename Work>
void onMainThread(const QPointer<AppUpdater> &weak, Work work)
{
    if (!weak)
        return;
    QMetaObject::invokeMethod(
        weak.data(),
        [weak, work] {
            if (weak)
                work(*weak);
        },
        Qt::QueuedConnection);
}

} // namespace

AppUpdater::AppUpdater(const AppBundle &bundle, UpdateEngineFactory factory, QObject *parent)
    : QObject(parent)
    , m_versionDisplay(QTimeZone::systemTimeZone())
    , m_bundle(bundle)
{
    const std::optional<UpdateConfiguration> configuration = UpdateConfiguration::fromInfo(bundle.info);
    if (!configuration || !factory) {
        m_configurationError = u"Updates are not configured for this build."_s;
        return;
    }
    m_engine = factory(bundle, *configuration, *this);
    if (!m_engine) {
        m_configurationError = u"Updates are not configured for this build."_s;
        return;
    }

    // The observers hold this object weakly: a report that arrives after it
    // is gone is dropped.
    const QPointer<AppUpdater> weak(this);
    m_engine->observeCanCheckForUpdates(
        [weak](bool value) { onMainThread(weak, [value](AppUpdater &self) { self.setCanCheckForUpdates(value); }); });
    m_engine->observeAutomaticallyChecksForUpdates([weak](bool) {
        onMainThread(weak, [](AppUpdater &self) { Q_EMIT self.automaticallyChecksForUpdatesChanged(); });
    });
}

AppUpdater::~AppUpdater() = default;

UpdateEngineFactory AppUpdater::defaultFactory()
{
    return [](const AppBundle &bundle, const UpdateConfiguration &configuration,
              UpdateEngineDelegate &delegate) -> std::unique_ptr<UpdateEngine> {
        return std::make_unique<FeedUpdateEngine>(configuration, FeedUpdateEngine::Options::forBundle(bundle),
                                                  delegate);
    };
}

bool AppUpdater::automaticallyChecksForUpdates() const
{
    return m_engine && m_engine->automaticallyChecksForUpdates();
}

void AppUpdater::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (!m_engine || enabled == m_engine->automaticallyChecksForUpdates())
        return;
    Q_EMIT automaticallyChecksForUpdatesChanged();
    m_engine->setAutomaticallyChecksForUpdates(enabled);
}

void AppUpdater::start()
{
    if (m_started || !m_engine)
        return;
    if (const std::optional<UpdateError> error = m_engine->start()) {
        setConfigurationError(error->localizedDescription);
        return;
    }
    m_started = true;
    // A retry that works takes back the error the failed start published.
    setConfigurationError(std::nullopt);
    if (m_engine->automaticallyChecksForUpdates())
        m_engine->checkForUpdatesInBackground();
}

void AppUpdater::checkForUpdates()
{
    if (m_canCheckForUpdates && m_engine)
        m_engine->checkForUpdates();
}

std::optional<UpdateError> AppUpdater::shouldProceedWithUpdate(const UpdateItem &, UpdateCheck)
{
    if (installationBlockReason) {
        if (const std::optional<QString> reason = installationBlockReason())
            return UpdateError{installationErrorDomain, 1, *reason};
    }
    return std::nullopt;
}

void AppUpdater::willInstallUpdate(const UpdateItem &)
{
    setInstallingUpdate(true);
}

void AppUpdater::willRelaunchApplication()
{
    setInstallingUpdate(true);
}

void AppUpdater::didAbortWithError(const UpdateError &error)
{
    setInstallingUpdate(false);
    Q_EMIT updateFailed(error.localizedDescription);
}

void AppUpdater::didFinishUpdateCycle(UpdateCheck, const std::optional<UpdateError> &)
{
    setInstallingUpdate(false);
}

void AppUpdater::didFindValidUpdate(const UpdateItem &item)
{
    Q_EMIT updateAvailable(
        item, m_versionDisplay.formatBundleDisplayVersion(item.displayVersionString, item.versionString, item));
}

void AppUpdater::didNotFindUpdate(UpdateCheck check)
{
    if (check == UpdateCheck::userInitiated)
        Q_EMIT upToDate();
}

void AppUpdater::setCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    Q_EMIT canCheckForUpdatesChanged();
}

void AppUpdater::setConfigurationError(std::optional<QString> value)
{
    if (m_configurationError == value)
        return;
    m_configurationError = std::move(value);
    Q_EMIT configurationErrorChanged();
}

void AppUpdater::setInstallingUpdate(bool value)
{
    if (m_isInstallingUpdate == value)
        return;
    m_isInstallingUpdate = value;
    Q_EMIT isInstallingUpdateChanged();
}
