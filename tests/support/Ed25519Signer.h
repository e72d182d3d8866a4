#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct evp_pkey_st;

/// A fresh Ed25519 key pair that signs as the update feed's publisher does.
class Ed25519Signer
{
public:
    Ed25519Signer();
    ~Ed25519Signer();

    /// The raw 32-byte public key.
    QByteArray publicKey() const;
    QString publicKeyBase64() const { return QString::fromLatin1(publicKey().toBase64()); }
    /// The 64-byte signature of `data`, in Base64.
    QByteArray sign(QByteArrayView data) const;

private:
    struct Free
    {
        void operator()(evp_pkey_st *key) const;
    };
    std::unique_ptr<evp_pkey_st, Free> m_key;
};
