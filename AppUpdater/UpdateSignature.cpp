#include "UpdateSignature.h"

#include <memory>
#include <openssl/evp.h>

namespace UpdateSignature {

std::optional<QByteArray> decodeBase64(const QString &text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool allowed = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')
                             || u == u'+' || u == u'/' || u == u'=';
        if (!allowed)
            return std::nullopt;
    }
    const QByteArray::FromBase64Result result = QByteArray::fromBase64Encoding(
        text.toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return result.decoded;
}

Result verify(const QByteArray &publicKey, const QString &signature, QByteArrayView data)
{
    if (publicKey.size() != publicKeyLength)
        return Result::malformedKey;
    const std::optional<QByteArray> signatureBytes = decodeBase64(signature);
    if (!signatureBytes || signatureBytes->size() != signatureLength)
        return Result::malformedSignature;

    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char *>(publicKey.constData()),
                                    size_t(publicKey.size())),
        &EVP_PKEY_free);
    if (!key)
        return Result::malformedKey;
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return Result::invalid;
    const int verified = EVP_DigestVerify(
        context.get(), reinterpret_cast<const unsigned char *>(signatureBytes->constData()),
        size_t(signatureBytes->size()), reinterpret_cast<const unsigned char *>(data.data()), size_t(data.size()));
    return verified == 1 ? Result::valid : Result::invalid;
}

} // namespace UpdateSignature
