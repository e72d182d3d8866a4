#include "DuplicateLaunchSignal.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QThread>

using namespace Qt::StringLiterals;

/// Holds the handler and is the receiver of the bus signal; it lives on the
/// main thread, so Qt DBus delivers there.
class DuplicateLaunchSignalBox : public QObject
{
    Q_OBJECT

public:
    DuplicateLaunchSignalBox(DuplicateLaunchSignal::BusAddress address, std::function<void()> handler)
        : address(std::move(address))
        , handler(std::move(handler))
    {
    }

    DuplicateLaunchSignal::BusAddress address;
    std::function<void()> handler;
    bool connected = false;

public Q_SLOTS:
    void deliver()
    {
        // A delivery already queued when the observation was cancelled ends here.
        if (handler)
            handler();
    }
};

namespace DuplicateLaunchSignal {

namespace {

const QString objectPath = u"/app/lumora/DuplicateLaunchSignal"_s;

QString escapedElement(const QString &element)
{
    QString result;
    for (const QChar c : element) {
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool digit = c >= u'0' && c <= u'9';
        if (letter || (digit && !result.isEmpty())) {
            result.append(c);
        } else {
            for (const char byte : QString(c).toUtf8())
                result += u'_' + QString::number(uchar(byte), 16).rightJustified(2, u'0');
        }
    }
    return result.isEmpty() ? u"_"_s : result;
}

} // namespace

BusAddress busAddress(const QString &name)
{
    QStringList elements = name.split(u'.');
    const QString member = escapedElement(elements.takeLast());
    QStringList interfaceElements;
    for (const QString &element : std::as_const(elements))
        interfaceElements.append(escapedElement(element));
    // An interface needs two elements and at most 255 characters.
    interfaceElements.prepend(u"broadcast"_s);
    QString interface = interfaceElements.join(u'.');
    if (interface.size() > 255 || member.size() > 255) {
        const QByteArray digest = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex();
        return {u"broadcast.hashed.h"_s + QString::fromLatin1(digest), u"h"_s + QString::fromLatin1(digest)};
    }
    return {interface, member};
}

bool post(const QString &name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const BusAddress address = busAddress(name);
    if (!bus.send(QDBusMessage::createSignal(objectPath, address.interface, address.member)))
        return false;
    // Messages leave a connection in order: once the bus answers this ping,
    // it has the signal too, even if this process ends at once.
    const QDBusMessage ping = QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                                             u"org.freedesktop.DBus.Peer"_s, u"Ping"_s);
    bus.call(ping, QDBus::Block, 2000);
    return true;
}

std::unique_ptr<DuplicateLaunchSignalObservation> observe(const QString &name, std::function<void()> handler)
{
    auto *box = new DuplicateLaunchSignalBox(busAddress(name), std::move(handler));
    if (QCoreApplication *app = QCoreApplication::instance(); app && box->thread() != app->thread())
        box->moveToThread(app->thread());
    QDBusConnection bus = QDBusConnection::sessionBus();
    box->connected =
        bus.isConnected()
        && bus.connect(QString(), QString(), box->address.interface, box->address.member, box, SLOT(deliver()));
    return std::make_unique<DuplicateLaunchSignalObservation>(name, box);
}

} // namespace DuplicateLaunchSignal

DuplicateLaunchSignalObservation::DuplicateLaunchSignalObservation(QString name, DuplicateLaunchSignalBox *box)
    : m_name(std::move(name))
    , m_box(box)
{
}

DuplicateLaunchSignalObservation::~DuplicateLaunchSignalObservation()
{
    cancel();
}

bool DuplicateLaunchSignalObservation::isConnected() const
{
    return !m_cancelled && m_box && m_box->connected;
}

void DuplicateLaunchSignalObservation::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    if (!m_box)
        return;
    if (m_box->connected) {
        QDBusConnection::sessionBus().disconnect(QString(), QString(), m_box->address.interface, m_box->address.member,
                                                 m_box, SLOT(deliver()));
    }
    m_box->handler = nullptr;
    m_box->deleteLater();
}

#include "DuplicateLaunchSignal.moc"
