#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// Ed25519 verification of update archives (OpenSSL).
namespace UpdateSignature {

inline constexpr qsizetype publicKeyLength = 32;
inline constexpr qsizetype signatureLength = 64;

/// Strict standard base64: the standard alphabet, padding to a multiple of
/// four, no white space; anything else gives none.
std::optional<QByteArray> decodeBase64(const QString &text);

enum class Result { valid, invalid, malformedKey, malformedSignature };

/// Verifies signature (base64 of 64 bytes) over data with the 32-byte key.
Result verify(const QByteArray &publicKey, const QString &signature, QByteArrayView data);

} // namespace UpdateSignature
