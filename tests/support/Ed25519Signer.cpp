#include "Ed25519Signer.h"

#include <openssl/evp.h>

void Ed25519Signer::Free::operator()(evp_pkey_st *key) const
{
    EVP_PKEY_free(key);
}

Ed25519Signer::Ed25519Signer()
    : m_key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"))
{
}

Ed25519Signer::~Ed25519Signer() = default;

QByteArray Ed25519Signer::publicKey() const
{
    QByteArray raw(32, '\0');
    size_t length = 32;
    EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char *>(raw.data()), &length);
    return raw;
}

QByteArray Ed25519Signer::sign(QByteArrayView data) const
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, m_key.get());
    QByteArray signature(64, '\0');
    size_t length = 64;
    EVP_DigestSign(context.get(), reinterpret_cast<unsigned char *>(signature.data()), &length,
                   reinterpret_cast<const unsigned char *>(data.data()), size_t(data.size()));
    return signature.toBase64();
}
