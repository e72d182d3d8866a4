#include "HueHttpManager.h"

#include "HueHttpReply.h"

#include <QSslSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString hostKey(const QUrl &url)
{
    return url.host() + u':' + QString::number(url.port(443));
}

} // namespace

HueHttpManager::HueHttpManager(QObject *parent)
    : QNetworkAccessManager(parent)
{
}

HueHttpManager::~HueHttpManager()
{
    // The replies are this manager's children and die after this body has
    // run; they must not hand connections back to what is left of it.
    for (HueHttpReply *reply : findChildren<HueHttpReply *>(Qt::FindDirectChildrenOnly))
        reply->detachFromManager();
}

QNetworkReply *HueHttpManager::createRequest(Operation operation, const QNetworkRequest &request,
                                             QIODevice *outgoingData)
{
    QByteArray verb;
    switch (operation) {
    case HeadOperation:
        verb = "HEAD";
        break;
    case GetOperation:
        verb = "GET";
        break;
    case PutOperation:
        verb = "PUT";
        break;
    case PostOperation:
        verb = "POST";
        break;
    case DeleteOperation:
        verb = "DELETE";
        break;
    case CustomOperation:
        verb = request.attribute(QNetworkRequest::CustomVerbAttribute).toByteArray();
        break;
    case UnknownOperation:
        break;
    }
    // Qt hands a body as a device; the bodies sent here are small and whole.
    QByteArray body = outgoingData ? outgoingData->readAll() : QByteArray();
    return new HueHttpReply(this, operation, request, std::move(verb), std::move(body));
}

void HueHttpManager::requestConnection(HueHttpReply *reply, bool fresh)
{
    const QString key = hostKey(reply->url());
    Host &host = m_hosts[key];
    while (!fresh && !host.idle.isEmpty()) {
        QSslSocket *socket = host.idle.takeLast(); // the most recently used is the least likely closed
        disconnect(socket, nullptr, this, nullptr);
        delete socket->findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly); // its idle expiry
        if (socket->state() != QAbstractSocket::ConnectedState || !socket->isEncrypted()
            || socket->bytesAvailable() > 0) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++host.busy;
        reply->start(socket, true);
        return;
    }
    if (host.busy >= connectionsPerHost) {
        host.waiting.append(reply);
        return;
    }
    ++host.busy;
    reply->start(new QSslSocket(this), false);
}

void HueHttpManager::releaseConnection(HueHttpReply *reply, QSslSocket *socket, bool reusable)
{
    const QString key = hostKey(reply->url());
    Host &host = m_hosts[key];
    --host.busy;
    if (socket) {
        if (reusable)
            keepIdle(key, socket);
        else {
            disconnect(socket, nullptr, this, nullptr);
            socket->abort();
            socket->deleteLater();
        }
    }
    // Not from inside the reply that just ended: it is still emitting.
    QMetaObject::invokeMethod(
        this, [this, key] { serveWaiting(key); }, Qt::QueuedConnection);
}

void HueHttpManager::serveWaiting(const QString &key)
{
    auto it = m_hosts.find(key);
    if (it == m_hosts.end())
        return;
    while (!it->waiting.isEmpty() && (it->busy < connectionsPerHost || !it->idle.isEmpty())) {
        const QPointer<HueHttpReply> next = it->waiting.takeFirst();
        if (next)
            requestConnection(next);
        it = m_hosts.find(key); // requestConnection may have grown the table
    }
    if (it->waiting.isEmpty() && it->idle.isEmpty() && it->busy == 0)
        m_hosts.erase(it);
}

void HueHttpManager::forget(HueHttpReply *reply)
{
    for (Host &host : m_hosts)
        host.waiting.removeAll(reply);
}

void HueHttpManager::keepIdle(const QString &key, QSslSocket *socket)
{
    m_hosts[key].idle.append(socket);
    // Whatever a kept connection hears (the peer closing it, bytes nobody
    // asked for) ends it; so does time.
    const auto drop = [this, key, socket] { dropIdle(key, socket); };
    connect(socket, &QAbstractSocket::disconnected, this, drop);
    connect(socket, &QIODevice::readyRead, this, drop);
    connect(socket, &QAbstractSocket::errorOccurred, this, drop);
    auto *expiry = new QTimer(socket);
    expiry->setSingleShot(true);
    connect(expiry, &QTimer::timeout, this, drop);
    expiry->start(idleLifetime);
}

void HueHttpManager::dropIdle(const QString &key, QSslSocket *socket)
{
    auto it = m_hosts.find(key);
    if (it == m_hosts.end() || !it->idle.removeOne(socket))
        return;
    disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater();
    if (it->waiting.isEmpty() && it->idle.isEmpty() && it->busy == 0)
        m_hosts.erase(it);
}
