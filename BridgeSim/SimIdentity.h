#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslKey>

/// A certificate with its private key and the chain a TLS server presents for
/// it: the certificate first, then its issuers up to and including the
/// self-signed root. A root's chain is the root alone.
struct SimIdentity
{
    // Initialised explicitly so that SimIdentity{} works: the Qt default
    // constructors are explicit.
    QSslCertificate certificate = QSslCertificate();
    QSslKey privateKey = QSslKey();
    QList<QSslCertificate> chain;

    bool isNull() const { return certificate.isNull() || privateKey.isNull(); }

    friend bool operator==(const SimIdentity &, const SimIdentity &) = default;
};
