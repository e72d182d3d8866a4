#include "MdnsSocket.h"

#include <QLoggingCategory>
#include <QNetworkDatagram>
#include <QPointer>
#include <QUdpSocket>
#include <QVariant>

namespace {

// Silent unless a user asks for it with QT_LOGGING_RULES (for example
// "lumora.*=true"): the application writes no log lines of its own by default.
Q_LOGGING_CATEGORY(lcMdns, "lumora.discovery", QtFatalMsg)

// mDNS packets are at most 9000 bytes on the wire; larger datagrams are read
// whole by the kernel anyway, so the cap only limits what we look at.
constexpr qint64 maxDatagramSize = 65535;
// A burst of packets is handled in slices so that a flood cannot starve the
// event loop.
constexpr int maxDatagramsPerRead = 256;

} // namespace

QHostAddress MdnsSocket::group()
{
    return QHostAddress(QStringLiteral("224.0.0.251"));
}

MdnsSocket::MdnsSocket(QObject *parent)
    : QObject(parent)
{
}

MdnsSocket::~MdnsSocket() = default;

QList<QNetworkInterface> MdnsSocket::multicastInterfaces()
{
    QList<QNetworkInterface> result;
    const auto all = QNetworkInterface::allInterfaces();
    for (const auto &interface : all) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || !flags.testFlag(QNetworkInterface::CanMulticast))
            continue;
        const auto entries = interface.addressEntries();
        const bool hasIPv4 = std::any_of(entries.cbegin(), entries.cend(), [](const QNetworkAddressEntry &entry) {
            return entry.ip().protocol() == QAbstractSocket::IPv4Protocol;
        });
        if (hasIPv4)
            result.append(interface);
    }
    return result;
}

bool MdnsSocket::open(bool allowEphemeralPort, QString *error)
{
    close();
    m_socket = new QUdpSocket(this);
    const auto mode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
    m_onMdnsPort = m_socket->bind(QHostAddress::AnyIPv4, port, mode);
    if (!m_onMdnsPort && !(allowEphemeralPort && m_socket->bind(QHostAddress::AnyIPv4, 0))) {
        if (error)
            *error = m_socket->errorString();
        close();
        return false;
    }
    // Link-local traffic: TTL 255 as RFC 6762 asks, and our own packets looped
    // back so that a querier and a responder on one machine hear each other.
    m_socket->setSocketOption(QAbstractSocket::MulticastTtlOption, QVariant(255));
    m_socket->setSocketOption(QAbstractSocket::MulticastLoopbackOption, QVariant(1));

    for (const auto &interface : multicastInterfaces()) {
        if (m_socket->joinMulticastGroup(group(), interface))
            m_interfaces.append(interface);
    }
    if (m_interfaces.isEmpty() && !m_socket->joinMulticastGroup(group())) {
        if (error)
            *error = m_socket->errorString();
        close();
        return false;
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &MdnsSocket::readPending);
    return true;
}

void MdnsSocket::close()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->close();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    m_interfaces.clear();
    m_onMdnsPort = false;
}

bool MdnsSocket::isOpen() const
{
    return m_socket != nullptr;
}

bool MdnsSocket::isOnMdnsPort() const
{
    return m_onMdnsPort;
}

void MdnsSocket::sendMulticast(const MdnsMessage &message)
{
    if (!m_socket)
        return;
    const QByteArray bytes = message.toBytes();
    if (m_interfaces.isEmpty()) {
        m_socket->writeDatagram(bytes, group(), port);
        return;
    }
    for (const auto &interface : std::as_const(m_interfaces)) {
        m_socket->setMulticastInterface(interface);
        if (m_socket->writeDatagram(bytes, group(), port) < 0)
            qCDebug(lcMdns) << "send on" << interface.name() << "failed:" << m_socket->errorString();
    }
}

void MdnsSocket::sendTo(const MdnsMessage &message, const QHostAddress &address, quint16 peerPort)
{
    if (m_socket)
        m_socket->writeDatagram(message.toBytes(), address, peerPort);
}

void MdnsSocket::readPending()
{
    // The socket may be closed by a receiver of messageReceived.
    QPointer<QUdpSocket> socket = m_socket;
    for (int i = 0; i < maxDatagramsPerRead && socket && socket->hasPendingDatagrams(); ++i) {
        const QNetworkDatagram datagram = socket->receiveDatagram(maxDatagramSize);
        if (datagram.isNull())
            continue;
        auto message = MdnsMessage::parse(datagram.data());
        if (!message) {
            qCDebug(lcMdns) << "dropped a malformed packet of" << datagram.data().size() << "bytes";
            continue;
        }
        Q_EMIT messageReceived(*message, datagram.senderAddress(), quint16(datagram.senderPort()));
    }
    if (socket && socket->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, &MdnsSocket::readPending, Qt::QueuedConnection);
}
