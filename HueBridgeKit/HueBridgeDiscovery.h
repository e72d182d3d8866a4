#pragma once

#include "DiscoveredBridge.h"
#include "HueCancellationToken.h"
#include "MdnsServiceInstance.h"

#include <QCoro/QCoroTask>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QList>

#include <chrono>
#include <functional>
#include <optional>

/// Finds Hue Bridges on the local network by multicast DNS: a browse for
/// "_hue._tcp" of a fixed length, and, as soon as the browse has resolved a
/// service, a short TCP connection that confirms its IPv4 address. All
/// confirmations run at once and end with the browse, so a call lasts the
/// browse time however many services there are and however long their
/// connections would hang. Never fails: trouble of any kind just means fewer
/// bridges. Cancelling the token ends the browse at once, aborts the running
/// connections and returns what was confirmed so far.
class HueBridgeDiscovery
{
public:
    HueBridgeDiscovery() = delete;

    /// Of each service, at most this many IPv4 addresses are tried (at once,
    /// so that an address someone else added for the bridge's host name
    /// cannot hold up the bridge's own one).
    static constexpr qsizetype addressesPerService = 4;
    /// At most this many connections are opened in one call: a flood of
    /// announcements costs no more sockets than this.
    static constexpr qsizetype maxConnections = 256;

    /// Called with every new snapshot of the browse.
    using Snapshots = std::function<void(const QList<MdnsServiceInstance> &)>;

    /// The network steps the algorithm runs on; tests script them.
    struct Network
    {
        /// Browses until the deadline (sooner when cancelled), handing each
        /// changed snapshot to the callback as it comes; returns the last one.
        std::function<QCoro::Task<QList<MdnsServiceInstance>>(QDeadlineTimer, HueCancellationToken, Snapshots)> browse;
        /// Opens a TCP connection to the address and port, giving up at the
        /// deadline or on cancellation; the remote host as the connection
        /// reports it (an address, possibly with "%scope", or a name), nothing
        /// when it did not connect.
        std::function<QCoro::Task<std::optional<QString>>(QHostAddress, quint16, QDeadlineTimer, HueCancellationToken)>
            connect;
    };

    /// The live steps: our own mDNS querier and a QTcpSocket.
    static Network liveNetwork();

    /// The bridges announced on the network during `timeout` whose address
    /// accepted a connection before it ended, in the order they were found.
    /// Lasts `timeout` (less when cancelled).
    static QCoro::Task<QList<DiscoveredBridge>> bridges(std::chrono::milliseconds timeout,
                                                        HueCancellationToken token = {});
    static QCoro::Task<QList<DiscoveredBridge>> bridges(std::chrono::milliseconds timeout, Network network,
                                                        HueCancellationToken token = {});

    /// The service type browsed.
    static MdnsName serviceType();

    /// The reported remote host as we store it: an IPv4 address cut before any
    /// "%" (interface scope), a host name as it is, nothing for IPv6.
    static std::optional<QString> address(const QString &reportedHost);
    /// The TXT value of "bridgeid", if the service has a TXT record with it.
    static std::optional<QString> bridgeID(const MdnsServiceInstance &service);
};
