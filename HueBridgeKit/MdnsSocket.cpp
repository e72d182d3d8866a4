#include "MdnsSocket.h"

#include "LumoraLogging.h"

#include <QNetworkDatagram>
#include <QPointer>
#include <QUdpSocket>
#include <QVariant>

namespace {

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
    for (const auto &interface : QNetworkInterface::allInterfaces()) {
        if (interface.flags().testFlag(QNetworkInterface::IsUp))
            m_links.append(interface);
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
    m_links.clear();
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
            qCDebug(lcDiscovery) << "send on" << interface.name() << "failed:" << m_socket->errorString();
    }
}

void MdnsSocket::sendTo(const MdnsMessage &message, const QHostAddress &address, quint16 peerPort)
{
    if (m_socket)
        m_socket->writeDatagram(message.toBytes(), address, peerPort);
}

bool MdnsSocket::isOnLink(const QHostAddress &sender, const QList<QNetworkAddressEntry> &localAddresses)
{
    bool isIPv4 = false;
    const quint32 ipv4 = sender.toIPv4Address(&isIPv4);
    if (!isIPv4)
        return false;
    const QHostAddress address(ipv4);
    if (address.isLoopback() || address.isInSubnet(QHostAddress(QStringLiteral("169.254.0.0")), 16))
        return true;
    return std::any_of(localAddresses.cbegin(), localAddresses.cend(), [&](const QNetworkAddressEntry &entry) {
        return entry.ip().protocol() == QAbstractSocket::IPv4Protocol && entry.prefixLength() >= 0
               && address.isInSubnet(entry.ip(), entry.prefixLength());
    });
}

bool MdnsSocket::isOnLink(const QHostAddress &sender, uint interfaceIndex) const
{
    // The interfaces as they were when the socket was opened: a browse is
    // short, and looking them up again for every packet would let a flood
    // cost a system call each.
    const auto arrival = std::find_if(m_links.cbegin(), m_links.cend(), [&](const QNetworkInterface &interface) {
        return uint(interface.index()) == interfaceIndex;
    });
    if (arrival != m_links.cend())
        return isOnLink(sender, arrival->addressEntries());
    QList<QNetworkAddressEntry> local;
    for (const auto &interface : m_links)
        local += interface.addressEntries();
    return isOnLink(sender, local);
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
            qCDebug(lcDiscovery) << "dropped a malformed packet of" << datagram.data().size() << "bytes";
            continue;
        }
        Q_EMIT messageReceived(*message, datagram.senderAddress(), quint16(datagram.senderPort()),
                               isOnLink(datagram.senderAddress(), datagram.interfaceIndex()));
    }
    if (socket && socket->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, &MdnsSocket::readPending, Qt::QueuedConnection);
}
