#include "Desktop.h"

#include "AutostartEntry.h"

#include <QQmlEngine>
#include <QSettings>

namespace {
QPointer<Desktop> &provided()
{
    static QPointer<Desktop> desktop;
    return desktop;
}
} // namespace

Desktop::Desktop(std::shared_ptr<QSettings> settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
}

Desktop::~Desktop() = default;

void Desktop::provide(Desktop *desktop)
{
    provided() = desktop;
}

Desktop *Desktop::create(QQmlEngine *, QJSEngine *)
{
    if (Desktop *desktop = provided()) {
        QJSEngine::setObjectOwnership(desktop, QJSEngine::CppOwnership);
        return desktop;
    }
    return new Desktop(std::make_shared<QSettings>());
}

void Desktop::setTrayShown(bool shown)
{
    if (m_trayShown == shown)
        return;
    m_trayShown = shown;
    Q_EMIT trayShownChanged();
}

bool Desktop::showsTray() const
{
    // Anything but a stored "false" keeps the default.
    return m_settings->value(QLatin1StringView(showsTrayKey)).toString() != QLatin1StringView("false");
}

void Desktop::setShowsTray(bool shows)
{
    if (shows == showsTray())
        return;
    m_settings->setValue(QLatin1StringView(showsTrayKey), shows);
    Q_EMIT showsTrayChanged();
}

bool Desktop::startsAtLogin() const
{
    return AutostartEntry::isEnabled();
}

void Desktop::setStartsAtLogin(bool starts)
{
    AutostartEntry::setEnabled(starts, &m_autostartError);
    Q_EMIT startsAtLoginChanged();
}
