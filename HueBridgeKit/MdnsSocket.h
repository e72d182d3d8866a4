#pragma once

#include "MdnsMessage.h"

#include <QHostAddress>
#include <QList>
#include <QNetworkInterface>
#include <QObject>

class QUdpSocket;

/// The UDP side of multicast DNS: port 5353 shared with every other mDNS
/// program on the machine, the group 224.0.0.251 joined on each IPv4
/// multicast interface, and incoming packets decoded (malformed ones dropped).
class MdnsSocket : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 port = 5353;
    static QHostAddress group();

    explicit MdnsSocket(QObject *parent = nullptr);
    ~MdnsSocket() override;

    /// Binds and joins the group. When port 5353 is taken exclusively by
    /// another program and `allowEphemeralPort` is set, a query-only socket on a
    /// free port is used instead: responders then answer it by unicast.
    bool open(bool allowEphemeralPort, QString *error = nullptr);
    void close();
    bool isOpen() const;
    /// True when bound to 5353 and so receiving every multicast answer.
    bool isOnMdnsPort() const;

    /// Sends to the group on every joined interface.
    void sendMulticast(const MdnsMessage &message);
    /// Sends to one peer (unicast answers, legacy queries).
    void sendTo(const MdnsMessage &message, const QHostAddress &address, quint16 peerPort);

    /// The interfaces multicast DNS runs on: up, multicast-capable, with an
    /// IPv4 address (the loopback only where it is marked multicast-capable,
    /// as in a test's private network namespace).
    static QList<QNetworkInterface> multicastInterfaces();

    /// Whether `sender` is on the link of an interface with these addresses
    /// (RFC 6762, 11): a loopback or IPv4 link-local address, or one inside
    /// the subnet of one of them. Only such a sender can be a neighbour; a
    /// packet from elsewhere was routed to us, which no responder does.
    static bool isOnLink(const QHostAddress &sender, const QList<QNetworkAddressEntry> &localAddresses);

Q_SIGNALS:
    /// `onLink`: the sender is on the link of the interface the packet came
    /// in on (of any joined interface when the system did not say which).
    void messageReceived(const MdnsMessage &message, const QHostAddress &sender, quint16 senderPort, bool onLink);

private:
    void readPending();
    bool isOnLink(const QHostAddress &sender, uint interfaceIndex) const;

    QUdpSocket *m_socket = nullptr;
    QList<QNetworkInterface> m_interfaces;
    /// Every interface that was up when the socket was opened, for isOnLink.
    QList<QNetworkInterface> m_links;
    bool m_onMdnsPort = false;
};
