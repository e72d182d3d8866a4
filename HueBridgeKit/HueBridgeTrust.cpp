#include "HueBridgeTrust.h"

#include <QByteArray>
#include <QLatin1StringView>

#include <memory>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

using namespace Qt::StringLiterals;

namespace {

// The bridge maker's root certificate authority (C=NL, O=Philips Hue,
// CN=root-bridge; SHA-256 F0:BD:8E:65:...:8D:8A:CF), kept as the Base64 body
// of its PEM form without the marker lines.
constexpr char embeddedRoot[] = "MIICMjCCAdigAwIBAgIUO7FSLbaxikuXAljzVaurLXWmFw4wCgYIKoZIzj0EAwIw\n"
                                "OTELMAkGA1UEBhMCTkwxFDASBgNVBAoMC1BoaWxpcHMgSHVlMRQwEgYDVQQDDAty\n"
                                "b290LWJyaWRnZTAiGA8yMDE3MDEwMTAwMDAwMFoYDzIwMzgwMTE5MDMxNDA3WjA5\n"
                                "MQswCQYDVQQGEwJOTDEUMBIGA1UECgwLUGhpbGlwcyBIdWUxFDASBgNVBAMMC3Jv\n"
                                "b3QtYnJpZGdlMFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEjNw2tx2AplOf9x86\n"
                                "aTdvEcL1FU65QDxziKvBpW9XXSIcibAeQiKxegpq8Exbr9v6LBnYbna2VcaK0G22\n"
                                "jOKkTqOBuTCBtjAPBgNVHRMBAf8EBTADAQH/MA4GA1UdDwEB/wQEAwIBhjAdBgNV\n"
                                "HQ4EFgQUZ2ONTFrDT6o8ItRnKfqWKnHFGmQwdAYDVR0jBG0wa4AUZ2ONTFrDT6o8\n"
                                "ItRnKfqWKnHFGmShPaQ7MDkxCzAJBgNVBAYTAk5MMRQwEgYDVQQKDAtQaGlsaXBz\n"
                                "IEh1ZTEUMBIGA1UEAwwLcm9vdC1icmlkZ2WCFDuxUi22sYpLlwJY81Wrqy11phcO\n"
                                "MAoGCCqGSM49BAMCA0gAMEUCIEBYYEOsa07TH7E5MJnGw557lVkORgit2Rm1h3B2\n"
                                "sFgDAiEA1Fj/C3AN5psFMjo0//mrQebo0eKd3aWRx+pQY08mk48=";

struct X509Free
{
    void operator()(X509 *x) const { X509_free(x); }
};
struct StoreFree
{
    void operator()(X509_STORE *s) const { X509_STORE_free(s); }
};
struct ContextFree
{
    void operator()(X509_STORE_CTX *c) const { X509_STORE_CTX_free(c); }
};
struct StackFree
{
    void operator()(STACK_OF(X509) * s) const { sk_X509_pop_free(s, X509_free); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

X509Ptr toX509(const QSslCertificate &certificate)
{
    if (certificate.isNull())
        return nullptr;
    const QByteArray der = certificate.toDer();
    const auto *bytes = reinterpret_cast<const unsigned char *>(der.constData());
    X509Ptr x509(d2i_X509(nullptr, &bytes, long(der.size())));
    // Trailing bytes after the certificate mean it was not one DER certificate.
    if (x509 && bytes != reinterpret_cast<const unsigned char *>(der.constData()) + der.size())
        return nullptr;
    return x509;
}

// The subject's common name, or nothing when there is none (or several
// that disagree, which no genuine bridge certificate has).
std::optional<QString> commonName(X509 *leaf)
{
    const X509_NAME *subject = X509_get_subject_name(leaf);
    if (!subject)
        return std::nullopt;
    std::optional<QString> result;
    int index = -1;
    while ((index = X509_NAME_get_index_by_NID(subject, NID_commonName, index)) >= 0) {
        const X509_NAME_ENTRY *entry = X509_NAME_get_entry(subject, index);
        const ASN1_STRING *data = X509_NAME_ENTRY_get_data(entry);
        unsigned char *utf8 = nullptr;
        const int length = ASN1_STRING_to_UTF8(&utf8, data);
        if (length < 0)
            return std::nullopt;
        const QString name = QString::fromUtf8(reinterpret_cast<const char *>(utf8), length);
        OPENSSL_free(utf8);
        if (result && *result != name)
            return std::nullopt;
        result = name;
    }
    return result;
}

} // namespace

namespace HueBridgeTrust {

std::optional<QSslCertificate> rootCertificate()
{
    QByteArray joined;
    const QList<QByteArray> pieces = QByteArray(embeddedRoot).split('\n');
    for (const QByteArray &piece : pieces) {
        if (!piece.isEmpty())
            joined += piece;
    }
    const auto decoded = QByteArray::fromBase64Encoding(joined, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    QSslCertificate certificate(*decoded, QSsl::Der);
    if (certificate.isNull())
        return std::nullopt;
    return certificate;
}

bool evaluate(const QList<QSslCertificate> &chain, const std::optional<QString> &expectedBridgeID,
              const QSslCertificate &anchor)
{
    if (chain.isEmpty())
        return false;
    X509Ptr anchorX509 = toX509(anchor);
    if (!anchorX509)
        return false;

    // A store with the one anchor and nothing else: no default paths, so the
    // system's roots never count, and OpenSSL never fetches anything.
    std::unique_ptr<X509_STORE, StoreFree> store(X509_STORE_new());
    if (!store || X509_STORE_add_cert(store.get(), anchorX509.get()) != 1)
        return false;

    X509Ptr leaf = toX509(chain.first());
    if (!leaf)
        return false;
    std::unique_ptr<STACK_OF(X509), StackFree> intermediates(sk_X509_new_null());
    if (!intermediates)
        return false;
    for (qsizetype i = 1; i < chain.size(); ++i) {
        X509Ptr certificate = toX509(chain.at(i));
        if (!certificate)
            return false;
        if (sk_X509_push(intermediates.get(), certificate.get()) <= 0)
            return false;
        // The stack frees it from here on (StackFree).
        static_cast<void>(certificate.release());
    }

    std::unique_ptr<X509_STORE_CTX, ContextFree> context(X509_STORE_CTX_new());
    if (!context || X509_STORE_CTX_init(context.get(), store.get(), leaf.get(), intermediates.get()) != 1)
        return false;
    // Basic X.509 policy (the context's defaults): signatures, validity and CA
    // constraints. No purpose (TLS server) rule and no host-name check:
    // bridges are reached by address and name themselves by id instead.
    if (X509_verify_cert(context.get()) != 1)
        return false;

    if (!expectedBridgeID)
        return true;
    const auto name = commonName(leaf.get());
    if (!name)
        return false;
    return name->compare(*expectedBridgeID, Qt::CaseInsensitive) == 0;
}

bool evaluate(const QList<QSslCertificate> &chain, const std::optional<QString> &expectedBridgeID)
{
    const auto root = rootCertificate();
    if (!root)
        return false;
    return evaluate(chain, expectedBridgeID, *root);
}

} // namespace HueBridgeTrust
