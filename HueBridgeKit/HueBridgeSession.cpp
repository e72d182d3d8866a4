#include "HueBridgeSession.h"

#include "HueBridgeTrust.h"
#include "HueHttpManager.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

namespace {

// The bridge sets no cookies we want, and a stored cookie would go back as a
// header nobody asked for: the jar keeps nothing.
class NoCookies : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) override { return false; }
};

} // namespace

std::shared_ptr<HueBridgeSession> HueBridgeSession::create(Options options)
{
    return std::shared_ptr<HueBridgeSession>(new HueBridgeSession(std::move(options)));
}

HueBridgeSession::HueBridgeSession(Options options)
    : m_options(std::move(options))
    , m_manager(std::make_unique<HueHttpManager>())
{
    m_manager->setCookieJar(new NoCookies(m_manager.get()));
    m_manager->setCache(nullptr);
    m_manager->setStrictTransportSecurityEnabled(false);
    // A redirect would carry the application key to wherever it points.
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_manager->setAutoDeleteReplies(false);
}

HueBridgeSession::~HueBridgeSession() = default;

void HueBridgeSession::configure(QNetworkRequest &request) const
{
    // No CA certificate at all, and no system roots either (an explicit list,
    // even an empty one, turns their loading off). Qt's own check therefore
    // fails for every chain and reports it, and the sslErrors handler in
    // `send`, where the bridge trust evaluation alone decides against the
    // anchor, runs for every handshake. With the anchor in Qt's list, a leaf
    // issued by it whose subjectAltName matched the name Qt verifies (the
    // address, or any name set here) would pass without ever being judged.
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates({});
    ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
    ssl.setOcspStaplingEnabled(false);
    // A bridge serves one certificate whatever name is asked for.
    ssl.setSslOption(QSsl::SslOptionDisableServerNameIndication, true);
    request.setSslConfiguration(ssl);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    // HTTP/1.1 only: the event stream and aborts are plain and predictable there.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
}

QNetworkReply *HueBridgeSession::send(const QNetworkRequest &request, const QByteArray &verb,
                                      const std::optional<QByteArray> &body) const
{
    // A custom verb even for POST and PUT: Qt's post() and put() would add a
    // form Content-Type that the pairing request must not carry.
    QNetworkReply *reply =
        body ? m_manager->sendCustomRequest(request, verb, *body) : m_manager->sendCustomRequest(request, verb);
    // Set before the transfer starts (it starts from the event loop), so
    // that the reply obeys it from the first byte.
    reply->setReadBufferSize(readBufferSize);
    // sslErrors is delivered while the handshake waits for the answer, before
    // any request byte is written: the decision is made here and only here.
    QObject::connect(
        reply, &QNetworkReply::sslErrors, reply,
        [reply, expected = m_options.expectedBridgeID, injected = m_options.trustAnchor](const QList<QSslError> &) {
            const QList<QSslCertificate> chain = reply->sslConfiguration().peerCertificateChain();
            const bool trusted = injected ? HueBridgeTrust::evaluate(chain, expected, *injected)
                                          : HueBridgeTrust::evaluate(chain, expected);
            if (trusted)
                reply->ignoreSslErrors();
        });
    return reply;
}
