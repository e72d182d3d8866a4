#include "DuplicateLaunchRequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

std::optional<QStringList> strings(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList result;
    for (const QJsonValue &item : value.toArray()) {
        if (!item.isString())
            return std::nullopt;
        result.append(item.toString());
    }
    return result;
}

std::optional<QDateTime> isoDate(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    // Qt also accepts dates without a zone (local time); the encoder always
    // writes one, so a request without it is not ours.
    static const QRegularExpression withZone(
        u"^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}(\\.\\d+)?(Z|[+-]\\d{2}:?\\d{2})$"_s);
    if (!withZone.match(text).hasMatch())
        return std::nullopt;
    const QDateTime date = QDateTime::fromString(text, Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace

QByteArray DuplicateLaunchRequest::toJson() const
{
    QJsonArray urls;
    for (const QUrl &url : fileURLs)
        urls.append(url.toString(QUrl::FullyEncoded));
    QDateTime utc = createdAt.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    const QJsonObject object{
        {u"arguments"_s, QJsonArray::fromStringList(arguments)},
        {u"fileURLs"_s, urls},
        {u"createdAt"_s, utc.toString(Qt::ISODate)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<DuplicateLaunchRequest> DuplicateLaunchRequest::fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    const std::optional<QStringList> arguments = strings(object.value(u"arguments"_s));
    const std::optional<QStringList> urlTexts = strings(object.value(u"fileURLs"_s));
    const std::optional<QDateTime> createdAt = isoDate(object.value(u"createdAt"_s));
    if (!arguments || !urlTexts || !createdAt)
        return std::nullopt;

    QList<QUrl> urls;
    for (const QString &text : *urlTexts) {
        const QUrl url(text, QUrl::StrictMode);
        if (!url.isValid() || url.isRelative())
            return std::nullopt;
        urls.append(url);
    }
    return DuplicateLaunchRequest{*arguments, urls, *createdAt};
}
