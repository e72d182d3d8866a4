// TLS connections, reading requests off them, the request log and answers.

#include "BridgeSimulatorPrivate.h"
#include "SimHttp.h"

#include <QSslConfiguration>

using namespace Qt::StringLiterals;

void BridgeSimulator::Private::accept(qintptr descriptor)
{
    auto connection = std::make_unique<Connection>();
    connection->id = nextConnection++;
    auto *socket = new QSslSocket(q);
    connection->socket = socket;
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    connection->localAddress = socket->localAddress();
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(identity.chain);
    configuration.setPrivateKey(identity.privateKey);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    socket->setSslConfiguration(configuration);
    const int id = connection->id;
    QObject::connect(socket, &QSslSocket::encrypted, q, [this, id] {
        if (Connection *c = find(id))
            c->encrypted = true;
    });
    QObject::connect(socket, &QSslSocket::readyRead, q, [this, id] { read(id); });
    QObject::connect(socket, &QSslSocket::disconnected, q, [this, id] { drop(id); });
    QObject::connect(socket, &QSslSocket::errorOccurred, q, [this, id](QAbstractSocket::SocketError) {
        Connection *c = find(id);
        if (c && c->socket && c->socket->state() == QAbstractSocket::UnconnectedState)
            drop(id);
    });
    connection->idle.start();
    connections.emplace(id, std::move(connection));
    socket->startServerEncryption();
}

BridgeSimulator::Private::Connection *BridgeSimulator::Private::find(int id)
{
    const auto it = connections.find(id);
    return it == connections.end() ? nullptr : it->second.get();
}

void BridgeSimulator::Private::drop(int id)
{
    const auto it = connections.find(id);
    if (it == connections.end())
        return;
    std::unique_ptr<Connection> connection = std::move(it->second);
    connections.erase(it);
    if (!connection->encrypted)
        ++handshakeFailures;
    if (connection->socket) {
        connection->socket->disconnect(q);
        connection->socket->deleteLater();
    }
    if (connection->stream)
        Q_EMIT q->eventStreamsChanged(q->eventStreamCount());
}

void BridgeSimulator::Private::read(int id)
{
    Connection *c = find(id);
    if (!c || !c->socket)
        return;
    const QByteArray bytes = c->socket->readAll();
    receivedBytes += bytes.size();
    c->idle.start();
    if (c->stream)
        return;
    c->parser.feed(bytes);
    process(id);
}

void BridgeSimulator::Private::process(int id)
{
    for (;;) {
        Connection *c = find(id);
        if (!c || c->busy || c->stream || !c->socket)
            return;
        std::optional<SimHttpParser::Request> request = c->parser.next();
        if (!request) {
            rejectMalformed(*c);
            return;
        }
        handle(id, std::move(*request));
    }
}

void BridgeSimulator::Private::rejectMalformed(Connection &c)
{
    int status = 0;
    switch (c.parser.error()) {
    case SimHttpParser::Error::none:
        return;
    case SimHttpParser::Error::badRequest:
        status = 400;
        break;
    case SimHttpParser::Error::headTooLarge:
        status = 431;
        break;
    case SimHttpParser::Error::bodyTooLarge:
        status = 413;
        break;
    case SimHttpParser::Error::lengthRequired:
        status = 411;
        break;
    }
    c.busy = true;
    c.socket->write(SimHttp::response(status, "application/json", errorEnvelope(SimHttp::reasonPhrase(status)), false));
    c.socket->disconnectFromHost();
}

void BridgeSimulator::Private::handle(int id, SimHttpParser::Request request)
{
    Connection &c = *find(id);
    SimRequest entry;
    entry.time = QDateTime::currentDateTimeUtc();
    entry.method = request.method;
    entry.target = request.target;
    entry.headers = request.headers;
    entry.body = request.body;
    entry.localAddress = c.localAddress;
    entry.connection = c.id;
    log.append(entry);
    const qint64 logIndex = logBase + log.size() - 1;
    if (logLimit > 0 && log.size() > logLimit) {
        const qsizetype excess = log.size() - logLimit;
        log.remove(0, excess);
        logBase += excess;
    }
    Q_EMIT q->requestReceived(entry);
    // A receiver may have closed the connection or taken the simulator down.
    Connection *still = find(id);
    if (!still || !still->socket)
        return;

    const QString path = entry.path();
    if (const std::optional<SimFault> refusal = overload(path)) {
        applyFault(*still, *refusal, std::move(request), logIndex);
        return;
    }
    if (latency > 0 && path != "/eventstream/clip/v2"_L1) {
        // Faults are looked at when the answer is due, so that they can
        // still be switched on while a request waits.
        still->busy = true;
        ++delayedRequests;
        QTimer::singleShot(latency, q, [this, id, request = std::move(request), logIndex]() mutable {
            --delayedRequests;
            Connection *later = find(id);
            if (!later || !later->socket)
                return;
            later->busy = false;
            dispatch(*later, std::move(request), logIndex);
            process(id);
        });
        return;
    }
    dispatch(*still, std::move(request), logIndex);
}

void BridgeSimulator::Private::setStatus(qint64 logIndex, int status)
{
    const qint64 index = logIndex - logBase;
    if (index >= 0 && index < log.size())
        log[index].status = status;
}

void BridgeSimulator::Private::respond(Connection &c, qint64 logIndex, int status, const QByteArray &contentType,
                                       const QByteArray &body, bool keepAlive)
{
    setStatus(logIndex, status);
    c.socket->write(SimHttp::response(status, contentType, body, keepAlive));
    c.idle.start();
    if (!keepAlive) {
        c.busy = true;
        c.socket->disconnectFromHost();
    }
}

void BridgeSimulator::Private::respondJson(Connection &c, qint64 logIndex, int status, const QByteArray &body,
                                           bool keepAlive)
{
    respond(c, logIndex, status, "application/json", body, keepAlive);
}

void BridgeSimulator::Private::sweepIdle()
{
    if (idleTimeout <= 0)
        return;
    for (auto &[id, c] : connections) {
        if (c->encrypted && c->socket && !c->stream && !c->busy && c->parser.buffered() == 0
            && c->idle.hasExpired(idleTimeout)) {
            c->busy = true;
            c->socket->disconnectFromHost();
        }
    }
}

void BridgeSimulator::setIdleTimeout(int milliseconds)
{
    d->idleTimeout = std::max(milliseconds, 0);
    if (d->idleTimeout > 0)
        d->idleSweep.start(std::clamp(d->idleTimeout / 4, 10, 1000));
    else
        d->idleSweep.stop();
}

void BridgeSimulator::closeConnections()
{
    QList<int> ids;
    for (const auto &[id, connection] : d->connections)
        ids.append(id);
    for (int id : std::as_const(ids)) {
        Private::Connection *c = d->find(id);
        if (c && c->socket)
            c->socket->abort();
        d->drop(id);
    }
}

qint64 BridgeSimulator::receivedBytes() const
{
    return d->receivedBytes;
}

int BridgeSimulator::connectionCount() const
{
    return d->nextConnection - 1;
}

int BridgeSimulator::handshakeFailures() const
{
    return d->handshakeFailures;
}
