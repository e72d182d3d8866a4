#include "SystemWake.h"

#include <QDBusConnection>

using namespace Qt::StringLiterals;

SystemWake::SystemWake(QObject *parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    m_watching =
        bus.connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s,
                    u"PrepareForSleep"_s, this, SLOT(prepareForSleep(bool)));
}

void SystemWake::prepareForSleep(bool sleeping)
{
    if (!sleeping)
        Q_EMIT woke();
}
