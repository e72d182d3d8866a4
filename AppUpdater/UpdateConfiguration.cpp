#include "UpdateConfiguration.h"

#include "UpdateSignature.h"

using namespace Qt::StringLiterals;

namespace {

std::optional<QString> text(const QVariantMap &info, const QString &key)
{
    const auto it = info.constFind(key);
    if (it == info.cend() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}

} // namespace

std::optional<UpdateConfiguration> UpdateConfiguration::fromInfo(const QVariantMap &info)
{
    const std::optional<QString> feed = text(info, u"SUFeedURL"_s);
    if (!feed)
        return std::nullopt;
    const QUrl url(*feed, QUrl::StrictMode);
    if (!url.isValid() || feed->isEmpty())
        return std::nullopt;
    // QUrl lower-cases the scheme; the rule compares it as written.
    if (!feed->startsWith(u"https:"_s) || url.scheme() != u"https"_s)
        return std::nullopt;
    if (url.host().isEmpty())
        return std::nullopt;
    if (!url.userName().isEmpty() || !url.password().isEmpty() || url.authority(QUrl::FullyEncoded).contains(u'@'))
        return std::nullopt;

    const std::optional<QString> key = text(info, u"SUPublicEDKey"_s);
    if (!key)
        return std::nullopt;
    const std::optional<QByteArray> bytes = UpdateSignature::decodeBase64(*key);
    if (!bytes || bytes->size() != UpdateSignature::publicKeyLength)
        return std::nullopt;
    return UpdateConfiguration{url, *key};
}

QByteArray UpdateConfiguration::publicKeyBytes() const
{
    return UpdateSignature::decodeBase64(publicKey).value_or(QByteArray());
}
