#pragma once

#include "SimCertificateOptions.h"
#include "SimIdentity.h"

#include <QString>

/// Generates the certificates a bridge simulator and trust tests need, with
/// OpenSSL: EC P-256 keys, ECDSA-SHA256 signatures. Every function returns a
/// null identity when OpenSSL fails.
class SimCertificates
{
public:
    /// A self-signed certificate authority (basic constraints CA, critical key
    /// usage keyCertSign/cRLSign), by default shaped like the bridge root.
    static SimIdentity makeRoot(const QString &commonName = QStringLiteral("root-bridge"));
    static SimIdentity makeRoot(const SimCertificateOptions &options);

    /// A certificate signed by `issuer` (a root or an intermediate made with
    /// certificateAuthority = true). Its chain is it followed by the issuer's chain.
    static SimIdentity makeLeaf(const SimIdentity &issuer, const SimCertificateOptions &options);
    static SimIdentity makeLeaf(const SimIdentity &issuer, const QString &commonName);

    /// A self-signed certificate that is not a certificate authority, e.g. a
    /// forged bridge leaf with the right common name.
    static SimIdentity makeSelfSigned(const SimCertificateOptions &options);
    static SimIdentity makeSelfSigned(const QString &commonName);

    /// The leaf a real bridge presents: subject C=NL, O=Philips Hue, OU=model
    /// (when given), CN=the bridge id in upper case; no subjectAltName.
    static SimIdentity makeBridgeLeaf(const SimIdentity &root, const QString &bridgeId, const QString &modelId = {});

    /// Writes the certificates as PEM blocks, in order. Fails (false, with a
    /// readable reason) when the file cannot be written.
    static bool writePem(const QString &path, const QList<QSslCertificate> &certificates, QString *error = nullptr);
};
