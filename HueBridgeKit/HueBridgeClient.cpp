#include "HueBridgeClient.h"

#include "HueBridgeError.h"
#include "HueCancelledError.h"
#include "HueText.h"
#include "HueTransportError.h"
#include "LossyArray.h"
#include "LumoraLogging.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QByteArray applicationKeyHeader = QByteArrayLiteral("hue-application-key");

// Owns a reply for the length of one transfer. When the transfer's coroutine
// ends early (an exception, a cancellation) the reply is stopped first. Only
// this code's own connections are cut (they hang on a context object of the
// frame); the manager's own (its finished signal) stay.
struct ReplyDeleter
{
    void operator()(QNetworkReply *reply) const
    {
        if (!reply)
            return;
        if (!reply->isFinished())
            reply->abort();
        reply->deleteLater();
    }
};
using ReplyPtr = std::unique_ptr<QNetworkReply, ReplyDeleter>;

// The wire records that read answers. A required key that is missing or of the
// wrong type makes the record fail.
std::optional<QString> apiErrorDescription(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    return HueJson::string(value.toObject().value("description"_L1));
}

// The description of the first element of a Failure body ({"errors": [...]}),
// when the whole body decodes as one and the list is not empty.
std::optional<QString> failureDescription(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue errors = document.object().value("errors"_L1);
    if (!errors.isArray())
        return std::nullopt;
    std::optional<QString> first;
    const QJsonArray list = errors.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        auto description = apiErrorDescription(list.at(i));
        if (!description)
            return std::nullopt;
        if (i == 0)
            first = std::move(description);
    }
    return first;
}

std::optional<QJsonDocument> parse(const QByteArray &body)
{
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

} // namespace

std::optional<HueBridgeError> HueBridgeClient::check(const QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return HueBridgeError::invalidResponse();
    const int code = status.toInt();
    if (code >= 200 && code <= 299)
        return std::nullopt;
    if (code == 401 || code == 403)
        return HueBridgeError::unauthorized();
    return HueBridgeError::http(code);
}

namespace {

// Sends one request and waits for the whole body; maps status and transfer
// failures the same way for every operation.
QCoro::Task<QByteArray> transfer(std::shared_ptr<HueBridgeSession> session, QNetworkRequest request, QByteArray verb,
                                 std::optional<QByteArray> body, HueCancellationToken cancel)
{
    cancel.throwIfCancelled();
    // A host that formed no URL leaves the request on the file URL of "/";
    // it is never sent, and there is no HTTP answer to read.
    if (request.url().scheme() != "https"_L1)
        throw HueBridgeError::invalidResponse();

    ReplyPtr reply(session->send(request, verb, body));
    // Declared after the reply, so destroyed (with its connections and the
    // deadline) before it.
    QObject context;
    // The body is taken out of the reply as it arrives (the reply keeps only
    // a bounded buffer) and counted against the answer limit: an answer
    // larger than any bridge sends is dropped instead of filling memory.
    struct Progress
    {
        QByteArray body;
        bool oversized = false;
        bool pastDeadline = false;
    };
    auto progress = std::make_shared<Progress>();
    const qint64 limit = session->options().maximumAnswerSize;
    const QPointer<QNetworkReply> replyPointer(reply.get());
    const auto drop = [replyPointer, progress] {
        progress->oversized = true;
        progress->body = QByteArray();
        // Not from inside the reply's own signal: Qt would report the end twice.
        abortReplyLater(replyPointer.data());
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &context, [replyPointer, progress, limit, drop] {
        bool known = false;
        const qint64 announced = replyPointer->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (!progress->oversized && known && announced > limit)
            drop();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &context, [replyPointer, progress, limit, drop] {
        if (progress->oversized || !replyPointer)
            return;
        progress->body += replyPointer->readAll();
        if (progress->body.size() > limit)
            drop();
    });
    QTimer::singleShot(session->options().requestDeadline, Qt::CoarseTimer, &context, [replyPointer, progress] {
        if (!replyPointer || replyPointer->isFinished())
            return;
        progress->pastDeadline = true;
        replyPointer->abort();
    });

    co_await cancel.waitFor(reply.get());
    if (progress->oversized) {
        qCWarning(lcBridge) << "dropped an answer larger than" << limit << "bytes";
        throw HueBridgeError::invalidResponse();
    }
    if (progress->pastDeadline)
        throw HueTransportError(QNetworkReply::TimeoutError, u"Operation timed out"_s);
    if (reply->isOpen())
        progress->body += reply->readAll();
    if (progress->body.size() > limit)
        throw HueBridgeError::invalidResponse();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (reply->error() != QNetworkReply::NoError)
            std::rethrow_exception(replyFailure(reply.get()));
        throw HueBridgeError::invalidResponse();
    }
    auto failure = HueBridgeClient::check(reply.get());
    if (!failure) {
        // A success status whose body broke off is a failed transfer.
        if (reply->error() != QNetworkReply::NoError)
            std::rethrow_exception(replyFailure(reply.get()));
        co_return std::move(progress->body);
    }
    if (failure->kind() == HueBridgeError::Kind::http) {
        if (auto description = failureDescription(progress->body))
            throw HueBridgeError::api(*description);
    }
    throw *failure;
}

QCoro::Task<HueBridgeConfig> configTask(HueBridgeClient client, HueCancellationToken cancel)
{
    const QByteArray body =
        co_await transfer(client.session(), client.request(u"/api/0/config"_s), "GET", std::nullopt, cancel);
    const auto document = parse(body);
    if (!document || !document->isObject())
        throw HueBridgeError::invalidResponse();
    auto config = HueBridgeConfig::fromJson(document->object());
    if (!config)
        throw HueBridgeError::invalidResponse();
    co_return *config;
}

QCoro::Task<QString> pairTask(HueBridgeClient client, QString deviceType, HueCancellationToken cancel)
{
    // The one request with a body but without Content-Type.
    const QByteArray requestBody = HueJson::compact(QJsonObject{{"devicetype"_L1, deviceType}});
    const QByteArray body = co_await transfer(client.session(), client.request(u"/api"_s), "POST", requestBody, cancel);
    const auto document = parse(body);
    if (!document || !document->isArray() || document->array().isEmpty())
        throw HueBridgeError::invalidResponse();

    // Only the first entry is looked at: once it carries a key, the bridge has
    // created it, and whatever follows must not lose it.
    if (!document->array().first().isObject())
        throw HueBridgeError::invalidResponse();
    const QJsonObject entry = document->array().first().toObject();
    std::optional<QString> username;
    if (!HueJson::isAbsent(entry, "success"_L1)) {
        const QJsonValue success = entry.value("success"_L1);
        username = success.isObject() ? HueJson::string(success.toObject().value("username"_L1)) : std::nullopt;
        if (!username)
            throw HueBridgeError::invalidResponse();
    }
    std::optional<std::pair<int, QString>> firstError;
    if (!HueJson::isAbsent(entry, "error"_L1)) {
        const QJsonValue value = entry.value("error"_L1);
        if (!value.isObject())
            throw HueBridgeError::invalidResponse();
        const auto type = HueJson::integer(value.toObject().value("type"_L1));
        const auto description = HueJson::string(value.toObject().value("description"_L1));
        if (!type || !description)
            throw HueBridgeError::invalidResponse();
        firstError = std::pair(*type, *description);
    }

    if (username)
        co_return *username;
    if (!firstError)
        throw HueBridgeError::api(HueText::tr(u"unbekannter Fehler"_s, u"unknown error"_s));
    if (firstError->first == 101)
        throw HueBridgeError::linkButtonNotPressed();
    throw HueBridgeError::api(firstError->second);
}

QCoro::Task<QList<HueResource>> resourcesTask(HueBridgeClient client, HueCancellationToken cancel)
{
    const QByteArray body =
        co_await transfer(client.session(), client.request(u"/clip/v2/resource"_s), "GET", std::nullopt, cancel);
    const auto document = parse(body);
    if (!document || !document->isObject())
        throw HueBridgeError::invalidResponse();
    const QJsonObject envelope = document->object();
    // "errors" is optional but must be a list of APIError when present; it is
    // not used on success.
    if (!HueJson::isAbsent(envelope, "errors"_L1)) {
        const QJsonValue errors = envelope.value("errors"_L1);
        if (!errors.isArray())
            throw HueBridgeError::invalidResponse();
        for (const QJsonValue error : errors.toArray()) {
            if (!apiErrorDescription(error))
                throw HueBridgeError::invalidResponse();
        }
    }
    auto data = LossyArray<HueResource>::fromJson(envelope.value("data"_L1));
    if (!data)
        throw HueBridgeError::invalidResponse();
    co_return std::move(data->elements);
}

QCoro::Task<void> putTask(HueBridgeClient client, QString path, QJsonObject body, HueCancellationToken cancel)
{
    // Serialised inside the operation: a body that cannot be written fails
    // it like any other error, before anything is sent.
    QByteArray bytes = HueJson::compact(body);
    QNetworkRequest request = client.request(path);
    request.setRawHeader(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json"));
    co_await transfer(client.session(), std::move(request), "PUT", std::move(bytes), cancel);
}

QCoro::Task<QString> createSceneTask(HueBridgeClient client, QString name, HueResourceRef group,
                                     QList<HueSceneAction> actions, HueCancellationToken cancel)
{
    const QJsonObject object{
        {"type"_L1, u"scene"_s},
        {"metadata"_L1, QJsonObject{{"name"_L1, name}}},
        {"group"_L1, QJsonObject{{"rid"_L1, group.rid}, {"rtype"_L1, group.rtype}}},
        {"actions"_L1, HueSceneAction::body(actions)},
    };
    QNetworkRequest request = client.request(u"/clip/v2/resource/scene"_s);
    request.setRawHeader(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json"));
    const QByteArray body =
        co_await transfer(client.session(), std::move(request), "POST", HueJson::compact(object), cancel);
    const auto document = parse(body);
    if (!document || !document->isObject())
        throw HueBridgeError::invalidResponse();
    const QJsonValue data = document->object().value("data"_L1);
    if (!data.isArray())
        throw HueBridgeError::invalidResponse();
    std::optional<HueResourceRef> first;
    const QJsonArray list = data.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        auto ref = HueResourceRef::fromJson(list.at(i));
        if (!ref)
            throw HueBridgeError::invalidResponse();
        if (i == 0)
            first = std::move(ref);
    }
    if (!first)
        throw HueBridgeError::invalidResponse();
    co_return first->rid;
}

QCoro::Task<void> deleteTask(HueBridgeClient client, QString path, HueCancellationToken cancel)
{
    co_await transfer(client.session(), client.request(path), "DELETE", std::nullopt, cancel);
}

} // namespace

HueBridgeClient::HueBridgeClient(QString host, std::optional<QString> applicationKey,
                                 std::shared_ptr<HueBridgeSession> session)
    : m_host(std::move(host))
    , m_applicationKey(std::move(applicationKey))
    , m_session(std::move(session))
{
    Q_ASSERT(m_session);
}

HueBridgeClient HueBridgeClient::live(QString host, std::optional<QString> bridgeID,
                                      std::optional<QString> applicationKey)
{
    HueBridgeSession::Options options;
    options.expectedBridgeID = std::move(bridgeID);
    return HueBridgeClient(std::move(host), std::move(applicationKey), HueBridgeSession::create(std::move(options)));
}

HueBridgeClient HueBridgeClient::live(QString host, std::optional<QString> bridgeID,
                                      std::optional<QString> applicationKey, QSslCertificate trustAnchor)
{
    HueBridgeSession::Options options;
    options.expectedBridgeID = std::move(bridgeID);
    options.trustAnchor = std::move(trustAnchor);
    return HueBridgeClient(std::move(host), std::move(applicationKey), HueBridgeSession::create(std::move(options)));
}

QUrl HueBridgeClient::url(const QString &host, const QString &path, std::optional<quint16> port)
{
    QUrl url;
    url.setScheme(u"https"_s);
    url.setHost(host.contains(u':') ? u'[' + host + u']' : host);
    url.setPath(path, QUrl::DecodedMode);
    if (port)
        url.setPort(*port);
    // Qt leaves the host empty when it is not one; such a request must not
    // go anywhere.
    if (url.host().isEmpty() || !url.isValid())
        return QUrl::fromLocalFile(u"/"_s);
    return url;
}

QNetworkRequest HueBridgeClient::request(const QString &path) const
{
    QNetworkRequest request(url(m_host, path, m_session->options().port));
    m_session->configure(request);
    request.setTransferTimeout(int(m_session->options().requestTimeout.count()));
    if (m_applicationKey)
        request.setRawHeader(applicationKeyHeader, m_applicationKey->toUtf8());
    return request;
}

QCoro::Task<HueBridgeConfig> HueBridgeClient::config(HueCancellationToken cancel) const
{
    return configTask(*this, std::move(cancel));
}

QCoro::Task<QString> HueBridgeClient::pair(QString deviceType, HueCancellationToken cancel) const
{
    return pairTask(*this, std::move(deviceType), std::move(cancel));
}

QCoro::Task<QList<HueResource>> HueBridgeClient::resources(HueCancellationToken cancel) const
{
    return resourcesTask(*this, std::move(cancel));
}

QCoro::Task<void> HueBridgeClient::sendToLight(HueLightCommand command, QString lightID,
                                               HueCancellationToken cancel) const
{
    return putTask(*this, u"/clip/v2/resource/light/"_s + lightID, command.body(), std::move(cancel));
}

QCoro::Task<void> HueBridgeClient::sendToGroupedLight(HueLightCommand command, QString groupedLightID,
                                                      HueCancellationToken cancel) const
{
    return putTask(*this, u"/clip/v2/resource/grouped_light/"_s + groupedLightID, command.body(), std::move(cancel));
}

QCoro::Task<void> HueBridgeClient::recallScene(QString id, HueCancellationToken cancel) const
{
    const QJsonObject body{{"recall"_L1, QJsonObject{{"action"_L1, u"active"_s}}}};
    return putTask(*this, u"/clip/v2/resource/scene/"_s + id, body, std::move(cancel));
}

QCoro::Task<QString> HueBridgeClient::createScene(QString name, HueResourceRef group, QList<HueSceneAction> actions,
                                                  HueCancellationToken cancel) const
{
    return createSceneTask(*this, std::move(name), std::move(group), std::move(actions), std::move(cancel));
}

QCoro::Task<void> HueBridgeClient::updateScene(QString id, QList<HueSceneAction> actions,
                                               HueCancellationToken cancel) const
{
    return putTask(*this, u"/clip/v2/resource/scene/"_s + id,
                   QJsonObject{{"actions"_L1, HueSceneAction::body(actions)}}, std::move(cancel));
}

QCoro::Task<void> HueBridgeClient::deleteScene(QString id, HueCancellationToken cancel) const
{
    return deleteTask(*this, u"/clip/v2/resource/scene/"_s + id, std::move(cancel));
}
