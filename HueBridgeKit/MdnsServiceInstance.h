#pragma once

#include "MdnsName.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

/// What a browse knows about one DNS-SD service instance at a moment.
struct MdnsServiceInstance
{
    /// The instance label as announced, e.g. "Hue Bridge - A532A7".
    QString name;
    /// The full instance name, e.g. "Hue Bridge - A532A7._hue._tcp.local".
    MdnsName fullName;
    /// From the SRV record; absent until one was seen.
    std::optional<MdnsName> host;
    quint16 port = 0;
    /// The TXT strings; absent until a TXT record was seen (an empty record
    /// gives an empty list).
    std::optional<QList<QByteArray>> txt;
    /// Addresses of the SRV target, in the order first seen.
    QList<QHostAddress> ipv4;
    QList<QHostAddress> ipv6;

    bool operator==(const MdnsServiceInstance &) const = default;
};
