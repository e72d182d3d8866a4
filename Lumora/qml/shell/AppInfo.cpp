#include "AppInfo.h"

#include "AppUpdater.h"
#include "AppVersionDisplay.h"
#include "AppVersionInfo.h"
#include "HueText.h"

#include <QQmlEngine>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {
QPointer<AppUpdater> &provided()
{
    static QPointer<AppUpdater> updater;
    return updater;
}
} // namespace

AppInfo::AppInfo(AppUpdater *updater, QObject *parent)
    : QObject(parent)
    , m_updater(updater)
{
    if (!m_updater)
        return;
    connect(m_updater, &AppUpdater::canCheckForUpdatesChanged, this, &AppInfo::updaterChanged);
    connect(m_updater, &AppUpdater::configurationErrorChanged, this, &AppInfo::updaterChanged);
    connect(m_updater, &AppUpdater::automaticallyChecksForUpdatesChanged, this, &AppInfo::updaterChanged);
    connect(m_updater, &AppUpdater::upToDate, this, [this] {
        Q_EMIT updateMessage(HueText::tr(u"Lumora ist auf dem neuesten Stand."_s, u"Lumora is up to date."_s));
    });
    connect(m_updater, &AppUpdater::updateAvailable, this, [this](const UpdateItem &, const QString &version) {
        Q_EMIT updateMessage(
            HueText::tr(u"Lumora "_s + version + u" ist verfügbar."_s, u"Lumora "_s + version + u" is available."_s));
    });
    connect(m_updater, &AppUpdater::updateFailed, this, &AppInfo::updateMessage);
}

void AppInfo::provide(AppUpdater *updater)
{
    provided() = updater;
}

AppInfo *AppInfo::create(QQmlEngine *qmlEngine, QJSEngine *)
{
    return new AppInfo(provided(), qmlEngine);
}

bool AppInfo::canCheckForUpdates() const
{
    return m_updater && m_updater->canCheckForUpdates();
}

QString AppInfo::configurationError() const
{
    // The updater words its own state in English; a build without updates
    // is said in the interface's language. The update engine's reports come
    // as the engine words them.
    if (!m_updater || !m_updater->hasEngine()) {
        return HueText::tr(u"Updates sind für diesen Build nicht eingerichtet."_s,
                           u"Updates are not configured for this build."_s);
    }
    return m_updater->configurationError();
}

bool AppInfo::automaticallyChecksForUpdates() const
{
    return m_updater && m_updater->automaticallyChecksForUpdates();
}

void AppInfo::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (m_updater)
        m_updater->setAutomaticallyChecksForUpdates(enabled);
}

QString AppInfo::versionLabel() const
{
    return AppVersionDisplay::current();
}

QString AppInfo::aboutName() const
{
    return AppVersionDisplay::standardAboutPanelOptions(u"Lumora"_s, AppVersionInfo::current(),
                                                        QTimeZone::systemTimeZone())
        .value(AppVersionDisplay::applicationNameOption)
        .toString();
}

QString AppInfo::aboutVersion() const
{
    return AppVersionDisplay::standardAboutPanelOptions(u"Lumora"_s, AppVersionInfo::current(),
                                                        QTimeZone::systemTimeZone())
        .value(AppVersionDisplay::applicationVersionOption)
        .toString();
}

void AppInfo::checkForUpdates()
{
    if (m_updater)
        m_updater->checkForUpdates();
}
