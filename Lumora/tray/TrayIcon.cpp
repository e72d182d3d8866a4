#include "TrayIcon.h"

#include "LumoraLogging.h"
#include "Theme.h"
#include "TrayAdaptors.h"
#include "TrayMenu.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

QImage bulb(int size, bool lit)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 24.0, size / 24.0);
    // A bulb on a base, as in the application's own light symbol.
    QPainterPath glass;
    glass.addEllipse(QRectF(5, 2, 14, 14));
    const QColor ink = lit ? Theme::attention() : Theme::textSubtle();
    painter.setPen(QPen(ink, 1.8));
    painter.setBrush(lit ? ink : QColor(Qt::transparent));
    painter.drawPath(glass);
    painter.setBrush(ink);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(8.5, 17, 7, 2.2), 1, 1);
    painter.drawRoundedRect(QRectF(9.5, 20, 5, 2.2), 1, 1);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TrayIcon::TrayIcon(TrayMenu *menu, QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_menu(menu)
    , m_bus(std::move(bus))
{
    registerTrayDBusTypes();
    // The name hosts expect: one per process and item.
    static int counter = 0;
    m_serviceName = u"org.kde.StatusNotifierItem-%1-%2"_s.arg(QCoreApplication::applicationPid()).arg(++counter);
    m_itemObject = new QObject(this);
    auto *item = new StatusNotifierItemAdaptor(this, m_itemObject);
    m_menuObject = new QObject(this);
    new DBusMenuAdaptor(m_menu, m_menuObject);
    connect(m_menu, &TrayMenu::statusChanged, item, [item] {
        Q_EMIT item->NewIcon();
        Q_EMIT item->NewToolTip();
    });
}

TrayIcon::~TrayIcon()
{
    hide();
}

QList<TrayIconPixmap> TrayIcon::pixmaps(bool lit)
{
    QList<TrayIconPixmap> list;
    for (int size : {16, 22, 32, 48}) {
        const QImage image = bulb(size, lit);
        QByteArray bytes(image.sizeInBytes(), Qt::Uninitialized);
        auto *out = reinterpret_cast<quint32 *>(bytes.data());
        for (int y = 0; y < size; ++y) {
            const auto *line = reinterpret_cast<const quint32 *>(image.constScanLine(y));
            for (int x = 0; x < size; ++x)
                *out++ = qToBigEndian(line[x]);
        }
        list.append({size, size, bytes});
    }
    return list;
}

TrayToolTip TrayIcon::toolTip() const
{
    return {QString(), {}, u"Lumora"_s, m_menu->summary()};
}

void TrayIcon::show()
{
    if (!m_exported) {
        const auto options = QDBusConnection::ExportAdaptors;
        m_exported = m_bus.registerObject(QString::fromLatin1(itemPath), m_itemObject, options)
                     && m_bus.registerObject(QString::fromLatin1(menuPath), m_menuObject, options)
                     && m_bus.registerService(m_serviceName);
        if (!m_exported) {
            qCDebug(lcApp) << "no tray: the item could not be put on the session bus";
            hide();
            settle();
            return;
        }
    }
    if (!m_watcher) {
        m_watcher = new QDBusServiceWatcher(QString::fromLatin1(watcherService), m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString &, const QString &, const QString &owner) {
                    if (owner.isEmpty())
                        setShown(false);
                    else
                        registerWithWatcher();
                });
    }
    registerWithWatcher();
}

void TrayIcon::hide()
{
    delete m_watcher;
    m_watcher = nullptr;
    ++m_attempt;
    if (m_exported || m_bus.objectRegisteredAt(QString::fromLatin1(itemPath)) == m_itemObject) {
        m_bus.unregisterService(m_serviceName);
        m_bus.unregisterObject(QString::fromLatin1(itemPath));
        m_bus.unregisterObject(QString::fromLatin1(menuPath));
        m_exported = false;
    }
    setShown(false);
}

void TrayIcon::registerWithWatcher()
{
    const quint64 attempt = ++m_attempt;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(watcherService), u"/StatusNotifierWatcher"_s,
                                       u"org.kde.StatusNotifierWatcher"_s, u"RegisterStatusNotifierItem"_s);
    call << m_serviceName;
    // Without a watcher the call fails at once (the bus knows no such name);
    // a watcher that never answers counts as absent after the timeout.
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, registrationTimeout), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, attempt](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (attempt != m_attempt)
            return;
        if (call->isError())
            qCDebug(lcApp) << "no tray:" << call->error().message();
        else
            qCDebug(lcApp) << "the tray item is registered";
        setShown(!call->isError());
        settle();
    });
}

void TrayIcon::setShown(bool shown)
{
    if (m_shown == shown)
        return;
    m_shown = shown;
    Q_EMIT shownChanged();
}

void TrayIcon::settle()
{
    if (m_settled)
        return;
    m_settled = true;
    Q_EMIT settled();
}
