#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>

#include <optional>

/// The trust decision for a bridge's HTTPS server. A bridge's certificate is
/// issued by the bridge maker's own root and names the bridge id, not an
/// address, so neither the public web PKI nor a host-name check can vouch for
/// it. A server is trusted only when its chain leads to one anchor (the
/// embedded bridge root) and, once the bridge id is known, its leaf names
/// that bridge.
namespace HueBridgeTrust {

/// The embedded bridge root, decoded afresh; std::nullopt if it cannot be.
std::optional<QSslCertificate> rootCertificate();

/// Checks the chain a server presented (leaf first) against `anchor` alone:
/// signatures, validity periods and CA constraints; no system roots, no
/// host-name check, no TLS-server purpose rule, no fetching. With an expected
/// bridge id, the leaf's subject common name must equal it ignoring letter
/// case. Any failure means "not trusted".
bool evaluate(const QList<QSslCertificate> &chain, const std::optional<QString> &expectedBridgeID,
              const QSslCertificate &anchor);

/// The same against the embedded root; false when it cannot be decoded.
bool evaluate(const QList<QSslCertificate> &chain, const std::optional<QString> &expectedBridgeID);

} // namespace HueBridgeTrust
