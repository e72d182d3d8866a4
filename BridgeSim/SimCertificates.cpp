#include "SimCertificates.h"

#include <QFile>
#include <QSaveFile>

#include <memory>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

using namespace Qt::StringLiterals;

namespace {

struct Free
{
    void operator()(EVP_PKEY *p) const { EVP_PKEY_free(p); }
    void operator()(X509 *p) const { X509_free(p); }
    void operator()(BIO *p) const { BIO_free(p); }
    void operator()(BIGNUM *p) const { BN_free(p); }
    void operator()(ASN1_TIME *p) const { ASN1_TIME_free(p); }
    void operator()(X509_EXTENSION *p) const { X509_EXTENSION_free(p); }
};
template<typename T>
using Owned = std::unique_ptr<T, Free>;

Owned<EVP_PKEY> generateKey()
{
    return Owned<EVP_PKEY>(EVP_EC_gen("P-256"));
}

Owned<EVP_PKEY> toOpenSsl(const QSslKey &key)
{
    const QByteArray pem = key.toPem();
    Owned<BIO> bio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    return Owned<EVP_PKEY>(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

Owned<X509> toOpenSsl(const QSslCertificate &certificate)
{
    const QByteArray der = certificate.toDer();
    const auto *data = reinterpret_cast<const unsigned char *>(der.constData());
    return Owned<X509>(d2i_X509(nullptr, &data, long(der.size())));
}

QSslKey toQt(EVP_PKEY *key)
{
    Owned<BIO> bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey_traditional(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return {};
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QSslKey(QByteArray(data, qsizetype(size)), QSsl::Ec, QSsl::Pem, QSsl::PrivateKey);
}

QSslCertificate toQt(X509 *certificate)
{
    const int size = i2d_X509(certificate, nullptr);
    if (size <= 0)
        return QSslCertificate();
    QByteArray der(size, Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(der.data());
    i2d_X509(certificate, &out);
    return QSslCertificate(der, QSsl::Der);
}

// Real bridge certificates carry GeneralizedTime even before 2050, which
// some parsers handle differently from UTCTime; tests should meet that form.
bool setTime(X509 *certificate, const QDateTime &when, bool notBefore)
{
    Owned<ASN1_TIME> time(ASN1_GENERALIZEDTIME_set(nullptr, time_t(when.toSecsSinceEpoch())));
    if (!time)
        return false;
    return (notBefore ? X509_set1_notBefore(certificate, time.get()) : X509_set1_notAfter(certificate, time.get()))
           == 1;
}

bool addExtension(X509 *certificate, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    Owned<X509_EXTENSION> extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

bool addSubjectField(X509_NAME *name, const QByteArray &field, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    return X509_NAME_add_entry_by_txt(name, field.constData(), MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char *>(utf8.constData()), int(utf8.size()), -1,
                                      0)
           == 1;
}

// Builds and signs one certificate. A null issuer makes it self-signed.
SimIdentity build(const SimCertificateOptions &options, const SimIdentity *issuer)
{
    Owned<EVP_PKEY> key = generateKey();
    Owned<X509> certificate(X509_new());
    if (!key || !certificate)
        return {};
    Owned<X509> issuerCertificate;
    Owned<EVP_PKEY> issuerKey;
    if (issuer) {
        issuerCertificate = toOpenSsl(issuer->certificate);
        issuerKey = toOpenSsl(issuer->privateKey);
        if (!issuerCertificate || !issuerKey)
            return {};
    }
    X509 *signer = issuer ? issuerCertificate.get() : certificate.get();
    EVP_PKEY *signingKey = issuer ? issuerKey.get() : key.get();

    if (X509_set_version(certificate.get(), X509_VERSION_3) != 1)
        return {};
    Owned<BIGNUM> serial(BN_new());
    if (!serial || BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1
        || !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate.get())))
        return {};

    const QDateTime notBefore =
        options.notBefore.isValid() ? options.notBefore : QDateTime::currentDateTimeUtc().addDays(-1);
    const QDateTime notAfter =
        options.notAfter.isValid() ? options.notAfter : QDateTime(QDate(2038, 1, 19), QTime(3, 14, 7), Qt::UTC);
    if (!setTime(certificate.get(), notBefore, true) || !setTime(certificate.get(), notAfter, false))
        return {};

    X509_NAME *subject = X509_get_subject_name(certificate.get());
    for (const auto &[field, value] : options.extraSubjectFields) {
        if (!addSubjectField(subject, field, value))
            return {};
    }
    if (!options.commonName.isEmpty() && !addSubjectField(subject, "CN"_ba, options.commonName))
        return {};
    if (X509_set_issuer_name(certificate.get(), X509_get_subject_name(signer)) != 1
        || X509_set_pubkey(certificate.get(), key.get()) != 1)
        return {};

    bool ok = addExtension(certificate.get(), signer, NID_subject_key_identifier, "hash");
    if (issuer)
        ok = ok && addExtension(certificate.get(), signer, NID_authority_key_identifier, "keyid:always");
    if (options.certificateAuthority) {
        ok = ok && addExtension(certificate.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
        ok = ok
             && addExtension(certificate.get(), signer, NID_key_usage, "critical,digitalSignature,keyCertSign,cRLSign");
    } else {
        ok = ok && addExtension(certificate.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
        ok = ok && addExtension(certificate.get(), signer, NID_key_usage, "critical,digitalSignature,keyAgreement");
        ok = ok && addExtension(certificate.get(), signer, NID_ext_key_usage, "serverAuth");
    }
    if (!options.subjectAltNames.isEmpty()) {
        const QByteArray names = options.subjectAltNames.join(u',').toUtf8();
        ok = ok && addExtension(certificate.get(), signer, NID_subject_alt_name, names.constData());
    }
    if (!ok || X509_sign(certificate.get(), signingKey, EVP_sha256()) <= 0)
        return {};

    SimIdentity identity{toQt(certificate.get()), toQt(key.get()), {}};
    if (identity.isNull())
        return {};
    identity.chain.append(identity.certificate);
    if (issuer)
        identity.chain.append(issuer->chain);
    return identity;
}

} // namespace

SimIdentity SimCertificates::makeRoot(const QString &commonName)
{
    SimCertificateOptions options;
    options.commonName = commonName;
    options.extraSubjectFields = {{"C"_ba, u"NL"_s}, {"O"_ba, u"Philips Hue"_s}};
    options.notBefore = QDateTime(QDate(2017, 1, 1), QTime(0, 0), Qt::UTC);
    return makeRoot(options);
}

SimIdentity SimCertificates::makeRoot(const SimCertificateOptions &options)
{
    SimCertificateOptions rootOptions = options;
    rootOptions.certificateAuthority = true;
    return build(rootOptions, nullptr);
}

SimIdentity SimCertificates::makeLeaf(const SimIdentity &issuer, const SimCertificateOptions &options)
{
    if (issuer.isNull())
        return {};
    return build(options, &issuer);
}

SimIdentity SimCertificates::makeLeaf(const SimIdentity &issuer, const QString &commonName)
{
    SimCertificateOptions options;
    options.commonName = commonName;
    return makeLeaf(issuer, options);
}

SimIdentity SimCertificates::makeSelfSigned(const SimCertificateOptions &options)
{
    return build(options, nullptr);
}

SimIdentity SimCertificates::makeSelfSigned(const QString &commonName)
{
    SimCertificateOptions options;
    options.commonName = commonName;
    return makeSelfSigned(options);
}

SimIdentity SimCertificates::makeBridgeLeaf(const SimIdentity &root, const QString &bridgeId, const QString &modelId)
{
    SimCertificateOptions options;
    options.commonName = bridgeId.toUpper();
    options.extraSubjectFields = {{"C"_ba, u"NL"_s}, {"O"_ba, u"Philips Hue"_s}};
    if (!modelId.isEmpty())
        options.extraSubjectFields.append({"OU"_ba, modelId});
    return makeLeaf(root, options);
}

bool SimCertificates::writePem(const QString &path, const QList<QSslCertificate> &certificates, QString *error)
{
    QSaveFile file(path);
    QByteArray pem;
    for (const QSslCertificate &certificate : certificates)
        pem += certificate.toPem();
    if (!file.open(QIODevice::WriteOnly) || file.write(pem) != pem.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
