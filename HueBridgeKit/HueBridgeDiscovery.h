#pragma once

#include "DiscoveredBridge.h"
#include "HueCancellationToken.h"
#include "MdnsServiceInstance.h"

#include <QCoro/QCoroTask>
#include <QList>

#include <chrono>
#include <functional>
#include <optional>

/// Finds Hue Bridges on the local network by multicast DNS: a browse for
/// "_hue._tcp" of a fixed length, then for each service found, one after the
/// other, a short TCP connection that confirms its IPv4 address. Never fails:
/// trouble of any kind just means fewer bridges. Cancelling the token ends the
/// browse at once, starts no further connection, aborts the running one and
/// returns what was confirmed so far.
class HueBridgeDiscovery
{
public:
    HueBridgeDiscovery() = delete;

    /// How long one service may take to accept the confirming connection.
    static constexpr std::chrono::milliseconds connectLimit{3000};

    /// What the confirming connection learned about one service.
    struct Confirmed
    {
        /// The remote host as the connection reports it: an address,
        /// possibly with "%scope", or a name.
        QString host;
        /// The TXT strings once known, also when they were only learned
        /// while resolving a service the browse left unfinished; absent when
        /// none are known.
        std::optional<QList<QByteArray>> txt;

        bool operator==(const Confirmed &) const = default;
    };

    /// The network steps the algorithm runs on; tests script them.
    struct Network
    {
        /// Browses for the whole given time (less when cancelled) and returns
        /// the last snapshot.
        std::function<QCoro::Task<QList<MdnsServiceInstance>>(std::chrono::milliseconds, HueCancellationToken)> browse;
        /// Connects to the service (resolving it first if the browse did not
        /// finish that) within the given limit; nothing when it did not answer.
        std::function<QCoro::Task<std::optional<Confirmed>>(MdnsServiceInstance, std::chrono::milliseconds,
                                                            HueCancellationToken)>
            connect;
    };

    /// The live steps: our own mDNS querier and a QTcpSocket.
    static Network liveNetwork();

    /// The bridges announced on the network during `timeout`, in the order
    /// they were found. Lasts the browse time plus up to 3 s per service.
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
