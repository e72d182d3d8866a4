#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

/// One bridge found on the network.
struct DiscoveredBridge
{
    /// The DNS-SD service instance name as announced, e.g. "Hue Bridge - A532A7".
    QString name;
    /// The TXT value of "bridgeid"; absent when the service has no TXT record
    /// or no such key.
    std::optional<QString> bridgeID = std::nullopt;
    /// Dotted-quad IPv4 address (or a host name) at which the service
    /// answered, without an interface suffix.
    QString host;

    bool operator==(const DiscoveredBridge &) const = default;
};

inline size_t qHash(const DiscoveredBridge &bridge, size_t seed = 0) noexcept
{
    return qHashMulti(seed, bridge.name, bridge.bridgeID.has_value(), bridge.bridgeID.value_or(QString()), bridge.host);
}
