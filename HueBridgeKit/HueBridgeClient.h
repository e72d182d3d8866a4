#pragma once

#include "HueBridgeConfig.h"
#include "HueBridgeError.h"
#include "HueBridgeSession.h"
#include "HueCancellationToken.h"
#include "HueEventStream.h"
#include "HueLightCommand.h"
#include "HueResource.h"
#include "HueValues.h"

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QNetworkReply;

/// The only component that speaks HTTP to a Hue Bridge: where the bridge is,
/// the application key once paired, and the HTTPS session whose server-trust
/// decisions are `HueBridgeTrust`'s. An immutable value; copies share the session.
///
/// Every operation is a coroutine that throws:
/// - `HueBridgeError` when the bridge answered with something unusable,
/// - `HueTransportError` when the transfer failed (unchanged Qt code and text;
///   a refused server trust is one, so are the 8-second idle timeout and the
///   30-second deadline, both as TimeoutError),
/// - `HueCancelledError` when `cancel` was cancelled while it waited,
/// - `HueSerializationError` when a request body holds a number that is not
///   finite (nothing is sent then).
/// No operation retries. Operations may run concurrently on one client; they
/// run on the thread that created the session (the main thread), where the
/// coroutines resume. Pass a `HueCancellationToken` to be able to stop one.
class HueBridgeClient
{
public:
    HueBridgeClient(QString host, std::optional<QString> applicationKey, std::shared_ptr<HueBridgeSession> session);

    /// A client with a fresh session that trusts only the embedded bridge
    /// root and, when `bridgeID` is given, only that bridge's certificate.
    static HueBridgeClient live(QString host, std::optional<QString> bridgeID, std::optional<QString> applicationKey);
    /// The same with another trust anchor instead of the embedded root: for
    /// tests and an explicit option of a command-line tool only.
    static HueBridgeClient live(QString host, std::optional<QString> bridgeID, std::optional<QString> applicationKey,
                                QSslCertificate trustAnchor);

    /// IP address or host name exactly as supplied (IPv6 literals without brackets).
    QString host() const { return m_host; }
    std::optional<QString> applicationKey() const { return m_applicationKey; }
    std::shared_ptr<HueBridgeSession> session() const { return m_session; }

    /// GET /api/0/config.
    QCoro::Task<HueBridgeConfig> config(HueCancellationToken cancel = {}) const;
    /// POST /api; the new application key. `linkButtonNotPressed` until the
    /// bridge's button has been pressed.
    QCoro::Task<QString> pair(QString deviceType, HueCancellationToken cancel = {}) const;
    /// GET /clip/v2/resource; resources that do not decode are dropped.
    QCoro::Task<QList<HueResource>> resources(HueCancellationToken cancel = {}) const;
    /// PUT /clip/v2/resource/light/<lightID> with the command's body.
    QCoro::Task<void> sendToLight(HueLightCommand command, QString lightID, HueCancellationToken cancel = {}) const;
    /// PUT /clip/v2/resource/grouped_light/<groupedLightID> with the command's body.
    QCoro::Task<void> sendToGroupedLight(HueLightCommand command, QString groupedLightID,
                                         HueCancellationToken cancel = {}) const;
    /// PUT /clip/v2/resource/scene/<id> {"recall": {"action": "active"}}.
    QCoro::Task<void> recallScene(QString id, HueCancellationToken cancel = {}) const;
    /// POST /clip/v2/resource/scene; the id of the new scene.
    QCoro::Task<QString> createScene(QString name, HueResourceRef group, QList<HueSceneAction> actions,
                                     HueCancellationToken cancel = {}) const;
    /// PUT /clip/v2/resource/scene/<id> {"actions": [...]}.
    QCoro::Task<void> updateScene(QString id, QList<HueSceneAction> actions, HueCancellationToken cancel = {}) const;
    /// DELETE /clip/v2/resource/scene/<id>.
    QCoro::Task<void> deleteScene(QString id, HueCancellationToken cancel = {}) const;

    /// GET /eventstream/clip/v2 as a stream of event batches; returns at once
    /// and the transfer starts at once.
    HueEventStream events() const;

    /// The URL of `path` on `host`: "https", the host (in brackets when it
    /// contains ":"), the path; no query, and no port unless the session sets
    /// one. When these do not form a URL, the file URL of "/", which is never
    /// sent anywhere.
    static QUrl url(const QString &host, const QString &path, std::optional<quint16> port = std::nullopt);

    /// The request every operation starts from (URL, timeout, TLS settings and
    /// the "hue-application-key" header when the client has a key).
    QNetworkRequest request(const QString &path) const;

    /// The status check of every answer: nothing when it may be used;
    /// `invalidResponse` without an HTTP status, `unauthorized` for 401/403,
    /// `http` for any other status outside 200-299.
    static std::optional<HueBridgeError> check(const QNetworkReply *reply);

private:
    QString m_host;
    std::optional<QString> m_applicationKey;
    std::shared_ptr<HueBridgeSession> m_session;
};
