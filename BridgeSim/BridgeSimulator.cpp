#include "BridgeSimulator.h"

#include "SimCertificates.h"
#include "SimEventQueue.h"
#include "SimHome.h"
#include "SimHttp.h"
#include "SimHttpParser.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QPointer>
#include <QQueue>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>
#include <QUuid>

#include <functional>
#include <map>

using namespace Qt::StringLiterals;

namespace {

// Hands accepted sockets to the simulator instead of queueing them, so that
// TLS starts on a socket we configure ourselves.
class AcceptingServer : public QTcpServer
{
public:
    std::function<void(qintptr)> onIncoming;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        if (onIncoming)
            onIncoming(descriptor);
    }
};

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray json(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QByteArray errorEnvelope(const QString &description)
{
    return json(QJsonObject{{u"errors"_s, QJsonArray{QJsonObject{{u"description"_s, description}}}},
                            {u"data"_s, QJsonArray{}}});
}

QString randomToken(int length, const QString &alphabet)
{
    QString token;
    token.reserve(length);
    for (int i = 0; i < length; ++i)
        token.append(alphabet.at(int(QRandomGenerator::global()->bounded(quint32(alphabet.size())))));
    return token;
}

QByteArray pairingError(int type, const QString &address, const QString &description)
{
    return json(QJsonArray{QJsonObject{
        {u"error"_s, QJsonObject{{u"type"_s, type}, {u"address"_s, address}, {u"description"_s, description}}}}});
}

} // namespace

struct BridgeSimulator::Private
{
    struct Connection
    {
        int id = 0;
        QPointer<QSslSocket> socket;
        SimHttpParser parser;
        bool encrypted = false;
        bool busy = false;
        bool stream = false;
        bool chunked = true;
        QString key;
        QHostAddress localAddress;
        QElapsedTimer idle;
    };

    BridgeSimulator *q = nullptr;
    QString bridgeId = u"001788FFFEA532A7"_s;
    QString modelId = u"BSB002"_s;
    QString name = u"Hue Bridge"_s;
    SimIdentity identity;
    QSslCertificate root;
    bool identityGiven = false;
    SimHome home;
    bool homeSet = false;
    SimEventQueue events;
    // Children of the simulator, so that moveToThread() takes them along.
    AcceptingServer *server = nullptr;
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;
    QStringList keys;
    QDeadlineTimer linkButton{QDeadlineTimer::Forever};
    bool linkButtonPressed = false;
    int linkButtonWindow = 30'000;
    std::function<bool(const QString &)> pairingFilter;
    QTimer *linkButtonTimer = nullptr;
    QTimer *eventTimer = nullptr;
    QTimer *idleSweep = nullptr;
    int idleTimeout = 0;
    StreamFraming framing = StreamFraming::chunked;
    int streamLifetime = 0;
    int delayedRequests = 0;
    int maximumParallel = 0;
    int rateLimit = 0;
    int latency = 0;
    QElapsedTimer clock;
    QQueue<qint64> recentRequests;
    qint64 lastMessageSecond = 0;
    int messageInSecond = 0;
    QList<SimFault> faults;
    QList<SimRequest> log;
    // Requests refer to their log entry by an absolute number, so that
    // clearing the log while a request is pending never hits another entry.
    qint64 logBase = 0;
    int logLimit = 100'000;
    std::map<int, std::unique_ptr<Connection>> connections;
    int nextConnection = 1;
    qint64 receivedBytes = 0;
    int handshakeFailures = 0;
    quint64 cachedRevision = ~quint64(0);
    QByteArray cachedResources;

    void ensureHome()
    {
        if (!homeSet) {
            home.generate(SimHomeSize::small(), bridgeId);
            homeSet = true;
        }
        home.setEventQueue(&events);
    }

    bool ensureIdentity(QString *error)
    {
        if (!identity.isNull())
            return true;
        const SimIdentity generatedRoot = SimCertificates::makeRoot();
        identity = SimCertificates::makeBridgeLeaf(generatedRoot, bridgeId, modelId);
        if (identity.isNull()) {
            if (error)
                *error = u"could not generate the certificates"_s;
            return false;
        }
        root = generatedRoot.certificate;
        return true;
    }

    bool listen(QString *error)
    {
        if (!server->listen(address, port)) {
            if (error)
                *error = server->errorString();
            return false;
        }
        port = server->serverPort();
        Q_EMIT q->listeningChanged(true);
        return true;
    }

    void accept(qintptr descriptor)
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

    Connection *find(int id)
    {
        const auto it = connections.find(id);
        return it == connections.end() ? nullptr : it->second.get();
    }

    void drop(int id)
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

    void read(int id)
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

    void process(int id)
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

    void rejectMalformed(Connection &c)
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
        c.socket->write(
            SimHttp::response(status, "application/json", errorEnvelope(SimHttp::reasonPhrase(status)), false));
        c.socket->disconnectFromHost();
    }

    void handle(int id, SimHttpParser::Request request)
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

    void dispatch(Connection &c, SimHttpParser::Request request, qint64 logIndex)
    {
        const QString path = request.target.section(u'?', 0, 0);
        for (qsizetype i = 0; i < faults.size(); ++i) {
            if (!faults[i].matches(request.method, path))
                continue;
            const SimFault fault = faults[i];
            if (faults[i].remaining > 0 && --faults[i].remaining == 0)
                faults.remove(i);
            applyFault(c, fault, std::move(request), logIndex);
            return;
        }
        route(c, request, logIndex);
    }

    void applyFault(Connection &c, const SimFault &fault, SimHttpParser::Request request, qint64 logIndex)
    {
        switch (fault.action) {
        case SimFault::Action::respond:
            respond(c, logIndex, fault.status, fault.responseContentType(), fault.responseBody(), request.keepAlive);
            return;
        case SimFault::Action::stall:
            c.busy = true;
            return;
        case SimFault::Action::closeConnection:
            c.busy = true;
            c.socket->abort();
            return;
        case SimFault::Action::raw:
            c.busy = true;
            c.socket->write(fault.customBody);
            c.socket->disconnectFromHost();
            return;
        case SimFault::Action::flood:
            c.busy = true;
            flood(c, fault);
            return;
        case SimFault::Action::dribble:
            c.busy = true;
            dribble(c, fault);
            return;
        case SimFault::Action::delay: {
            c.busy = true;
            const int id = c.id;
            ++delayedRequests;
            QTimer::singleShot(fault.delayMs, q, [this, id, request = std::move(request), logIndex] {
                --delayedRequests;
                Connection *later = find(id);
                if (!later || !later->socket)
                    return;
                later->busy = false;
                route(*later, request, logIndex);
                process(id);
            });
            return;
        }
        }
    }

    // Keeps only a little ahead of the client, so that the simulator's own
    // memory stays flat however long (or endless) the flood is: what the
    // client does with it is what a test measures.
    void flood(Connection &c, const SimFault &fault)
    {
        QSslSocket *socket = c.socket;
        socket->write(fault.customBody);
        struct State
        {
            qint64 left;
            bool closed = false;
        };
        auto state = std::make_shared<State>(State{fault.fillSize});
        const QByteArray block(64 * 1024, fault.fill);
        const auto pump = [socket, state, block] {
            if (state->closed)
                return;
            while (state->left != 0 && socket->state() == QAbstractSocket::ConnectedState
                   && socket->bytesToWrite() + socket->encryptedBytesToWrite() < 256 * 1024) {
                const qint64 size = state->left < 0 ? block.size() : std::min<qint64>(state->left, block.size());
                socket->write(block.constData(), size);
                if (state->left > 0)
                    state->left -= size;
            }
            if (state->left == 0) {
                state->closed = true;
                socket->disconnectFromHost();
            }
        };
        QObject::connect(socket, &QSslSocket::bytesWritten, socket, pump);
        QObject::connect(socket, &QSslSocket::encryptedBytesWritten, socket, pump);
        pump();
    }

    void dribble(Connection &c, const SimFault &fault)
    {
        QSslSocket *socket = c.socket;
        const qsizetype head = fault.customBody.indexOf("\r\n\r\n");
        qsizetype sent = head < 0 ? 0 : head + 4;
        socket->write(fault.customBody.left(sent));
        auto *timer = new QTimer(socket); // ends with the connection
        QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, bytes = fault.customBody, sent]() mutable {
            if (sent >= bytes.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(bytes.constData() + sent++, 1);
        });
        timer->start(fault.delayMs);
    }

    // A bridge refuses work it cannot take: its web server answers an HTML
    // 503 when too many requests are in flight, and newer firmware answers
    // 429 beyond its request rate. The event stream is not counted.
    std::optional<SimFault> overload(const QString &path)
    {
        if (path == "/eventstream/clip/v2"_L1)
            return std::nullopt;
        if (maximumParallel > 0 && delayedRequests >= maximumParallel)
            return SimFault::html(503);
        if (rateLimit > 0) {
            const qint64 now = clock.elapsed();
            while (!recentRequests.isEmpty() && recentRequests.head() <= now - 1000)
                recentRequests.dequeue();
            if (recentRequests.size() >= rateLimit)
                return SimFault::respond(429, SimFault::Body::jsonErrors, u"Too many requests"_s);
            recentRequests.enqueue(now);
        }
        return std::nullopt;
    }

    void setStatus(qint64 logIndex, int status)
    {
        const qint64 index = logIndex - logBase;
        if (index >= 0 && index < log.size())
            log[index].status = status;
    }

    void respond(Connection &c, qint64 logIndex, int status, const QByteArray &contentType, const QByteArray &body,
                 bool keepAlive)
    {
        setStatus(logIndex, status);
        c.socket->write(SimHttp::response(status, contentType, body, keepAlive));
        c.idle.start();
        if (!keepAlive) {
            c.busy = true;
            c.socket->disconnectFromHost();
        }
    }

    void respondJson(Connection &c, qint64 logIndex, int status, const QByteArray &body, bool keepAlive)
    {
        respond(c, logIndex, status, "application/json", body, keepAlive);
    }

    // 401 without a key, 403 for a key the bridge does not know (or revoked).
    bool authorize(Connection &c, const SimHttpParser::Request &request, qint64 logIndex, QString *key)
    {
        bool present = false;
        for (const auto &[name, value] : request.headers) {
            if (name == "hue-application-key") {
                present = true;
                *key = QString::fromLatin1(value);
            }
        }
        if (!present) {
            respondJson(c, logIndex, 401, errorEnvelope(u"unauthorized user"_s), request.keepAlive);
            return false;
        }
        if (!keys.contains(*key)) {
            respondJson(c, logIndex, 403, errorEnvelope(u"unauthorized user"_s), request.keepAlive);
            return false;
        }
        return true;
    }

    void route(Connection &c, const SimHttpParser::Request &request, qint64 logIndex)
    {
        const QString path = request.target.section(u'?', 0, 0);
        const QString &method = request.method;
        const bool keepAlive = request.keepAlive;
        if (path == "/api/0/config"_L1) {
            if (method != "GET"_L1)
                return respondJson(c, logIndex, 405, errorEnvelope(u"method not allowed"_s), keepAlive);
            return respondJson(c, logIndex, 200, json(config()), keepAlive);
        }
        if (path == "/api"_L1 || path == "/api/"_L1) {
            if (method != "POST"_L1)
                return respondJson(c, logIndex, 405, errorEnvelope(u"method not allowed"_s), keepAlive);
            return respondJson(c, logIndex, 200, pair(request.body), keepAlive);
        }
        if (path == "/eventstream/clip/v2"_L1) {
            QString key;
            if (!authorize(c, request, logIndex, &key))
                return;
            if (method != "GET"_L1)
                return respondJson(c, logIndex, 405, errorEnvelope(u"method not allowed"_s), keepAlive);
            return openStream(c, logIndex, key);
        }
        if (path == "/clip/v2/resource"_L1 || path.startsWith("/clip/v2/resource/"_L1)) {
            QString key;
            if (!authorize(c, request, logIndex, &key))
                return;
            QStringList parts = path.mid(int(qstrlen("/clip/v2/resource"))).split(u'/', Qt::SkipEmptyParts);
            // Clients escape what a path may not hold; ids are compared unescaped.
            for (QString &part : parts)
                part = QUrl::fromPercentEncoding(part.toUtf8());
            if (parts.size() > 2)
                return respondJson(c, logIndex, 404, errorEnvelope(u"Not Found"_s), keepAlive);
            const SimHome::Result result = resourceRequest(method, parts, request.body);
            if (result.status == 200 && method == "GET"_L1 && parts.isEmpty())
                return respondJson(c, logIndex, 200, allResources(), keepAlive);
            return respondJson(c, logIndex, result.status, json(result.envelope()), keepAlive);
        }
        respondJson(c, logIndex, 404, errorEnvelope(u"Not Found"_s), keepAlive);
    }

    SimHome::Result resourceRequest(const QString &method, const QStringList &parts, const QByteArray &body)
    {
        if (method == "GET"_L1) {
            SimHome::Result result;
            if (parts.isEmpty())
                return result;
            if (parts.size() == 1) {
                result.data = home.resources(parts[0]);
                return result;
            }
            const std::optional<QJsonObject> object = home.resource(parts[1]);
            if (!object || object->value(u"type"_s).toString() != parts[0])
                return SimHome::Result::error(404, u"Not Found"_s);
            result.data.append(*object);
            return result;
        }
        QJsonObject object;
        if (method == "PUT"_L1 || method == "POST"_L1) {
            QJsonParseError parseError;
            const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
            if (!document.isObject())
                return SimHome::Result::error(400, u"body contains invalid JSON"_s);
            object = document.object();
        }
        const QString type = parts.value(0);
        SimHome::Result result;
        if (method == "PUT"_L1 && parts.size() == 2) {
            if (type == "light"_L1)
                result = home.putLight(parts[1], object);
            else if (type == "grouped_light"_L1)
                result = home.putGroupedLight(parts[1], object);
            else if (type == "scene"_L1)
                result = home.putScene(parts[1], object);
            else
                return SimHome::Result::error(405, u"method not allowed for this resource"_s);
        } else if (method == "POST"_L1 && parts.size() == 1 && type == "scene"_L1) {
            result = home.postScene(object);
        } else if (method == "DELETE"_L1 && parts.size() == 2 && type == "scene"_L1) {
            result = home.deleteScene(parts[1]);
        } else {
            return SimHome::Result::error(405, u"method not allowed"_s);
        }
        return result;
    }

    QByteArray allResources()
    {
        if (cachedRevision != home.revision()) {
            cachedResources = json(QJsonObject{{u"errors"_s, QJsonArray{}}, {u"data"_s, home.resources()}});
            cachedRevision = home.revision();
        }
        return cachedResources;
    }

    QJsonObject config() const
    {
        const QString lower = bridgeId.toLower();
        QString mac = lower.left(6) + lower.right(6);
        for (int i = 10; i > 0; i -= 2)
            mac.insert(i, u':');
        return QJsonObject{{u"name"_s, name},
                           {u"datastoreversion"_s, u"172"_s},
                           {u"swversion"_s, u"1967054020"_s},
                           {u"apiversion"_s, u"1.67.0"_s},
                           {u"mac"_s, mac},
                           {u"bridgeid"_s, bridgeId},
                           {u"factorynew"_s, false},
                           {u"replacesbridgeid"_s, QJsonValue::Null},
                           {u"modelid"_s, modelId},
                           {u"starterkitid"_s, u""_s}};
    }

    QByteArray pair(const QByteArray &body)
    {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
        if (!document.isObject())
            return pairingError(2, u""_s, u"body contains invalid json"_s);
        const QJsonValue deviceType = document.object().value(u"devicetype"_s);
        if (!deviceType.isString())
            return pairingError(5, u"/"_s, u"invalid/missing parameters in body"_s);
        if (deviceType.toString().isEmpty() || deviceType.toString().size() > 40)
            return pairingError(7, u"/devicetype"_s,
                                u"invalid value, "_s + deviceType.toString() + u", for parameter, devicetype"_s);
        if (!q->isLinkButtonPressed() || (pairingFilter && !pairingFilter(deviceType.toString())))
            return pairingError(101, u""_s, u"link button not pressed"_s);
        const QString key = q->addApplicationKey();
        QJsonObject success{{u"username"_s, key}};
        if (document.object().value(u"generateclientkey"_s).toBool())
            success.insert(u"clientkey"_s, randomToken(32, u"0123456789ABCDEF"_s));
        return json(QJsonArray{QJsonObject{{u"success"_s, success}}});
    }

    void openStream(Connection &c, qint64 logIndex, const QString &key)
    {
        c.stream = true;
        c.chunked = framing == StreamFraming::chunked;
        c.key = key;
        setStatus(logIndex, 200);
        c.socket->write(SimHttp::streamHead(200, "text/event-stream; charset=utf-8", c.chunked));
        writeStream(c, ": hi\n\n"_ba);
        if (streamLifetime > 0) {
            const int id = c.id;
            QTimer::singleShot(streamLifetime, q, [this, id] {
                if (Connection *open = find(id); open && open->stream)
                    endStream(*open);
            });
        }
        Q_EMIT q->eventStreamsChanged(q->eventStreamCount());
    }

    void writeStream(Connection &c, const QByteArray &bytes)
    {
        if (c.socket)
            c.socket->write(c.chunked ? SimHttp::chunk(bytes) : bytes);
    }

    QList<Connection *> streams()
    {
        QList<Connection *> list;
        for (auto &[id, connection] : connections) {
            if (connection->stream && connection->socket)
                list.append(connection.get());
        }
        return list;
    }

    void sendMessage(const QJsonArray &containers)
    {
        const qint64 second = QDateTime::currentSecsSinceEpoch();
        if (second != lastMessageSecond) {
            lastMessageSecond = second;
            messageInSecond = 0;
        }
        const QByteArray id = QByteArray::number(second) + ':' + QByteArray::number(messageInSecond++);
        const QByteArray message = SimEventQueue::frame(id, containers);
        for (Connection *c : streams())
            writeStream(*c, message);
    }

    void sweepIdle()
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

    void tick()
    {
        if (events.isEmpty())
            return;
        // Changes nobody listens to are gone, as on a bridge.
        const QJsonArray containers = events.take();
        if (!streams().isEmpty())
            sendMessage(containers);
    }

    void endStream(Connection &c)
    {
        if (!c.socket)
            return;
        if (c.chunked)
            c.socket->write(SimHttp::lastChunk());
        c.socket->disconnectFromHost();
    }
};

BridgeSimulator::BridgeSimulator(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->q = this;
    d->clock.start();
    d->server = new AcceptingServer;
    d->server->setParent(this);
    d->eventTimer = new QTimer(this);
    d->linkButtonTimer = new QTimer(this);
    d->idleSweep = new QTimer(this);
    QObject::connect(d->idleSweep, &QTimer::timeout, this, [this] { d->sweepIdle(); });
    d->server->onIncoming = [this](qintptr descriptor) { d->accept(descriptor); };
    d->eventTimer->setInterval(1000);
    QObject::connect(d->eventTimer, &QTimer::timeout, this, [this] { d->tick(); });
    d->linkButtonTimer->setSingleShot(true);
    QObject::connect(d->linkButtonTimer, &QTimer::timeout, this, [this] { releaseLinkButton(); });
}

BridgeSimulator::~BridgeSimulator()
{
    d->server->close();
    for (auto &[id, connection] : d->connections) {
        if (connection->socket) {
            connection->socket->disconnect(this);
            connection->socket->abort();
            delete connection->socket;
        }
    }
    d->connections.clear();
    // Delete the children while the private part still exists.
    delete d->server;
    delete d->eventTimer;
    delete d->linkButtonTimer;
    delete d->idleSweep;
}

void BridgeSimulator::setBridgeId(const QString &bridgeId)
{
    d->bridgeId = bridgeId.toUpper();
    if (d->homeSet)
        d->home.setBridgeId(d->bridgeId);
}

QString BridgeSimulator::bridgeId() const
{
    return d->bridgeId;
}

void BridgeSimulator::setModelId(const QString &modelId)
{
    d->modelId = modelId;
}

QString BridgeSimulator::modelId() const
{
    return d->modelId;
}

void BridgeSimulator::setName(const QString &name)
{
    d->name = name;
}

QString BridgeSimulator::name() const
{
    return d->name;
}

void BridgeSimulator::setServerIdentity(const SimIdentity &identity)
{
    d->identity = identity;
    d->identityGiven = true;
    d->root = identity.chain.isEmpty() ? identity.certificate : identity.chain.last();
}

SimIdentity BridgeSimulator::serverIdentity() const
{
    return d->identity;
}

QSslCertificate BridgeSimulator::rootCertificate() const
{
    return d->root;
}

bool BridgeSimulator::writeRootPem(const QString &path, QString *error) const
{
    if (d->root.isNull()) {
        if (error)
            *error = u"no root certificate yet: start the simulator first"_s;
        return false;
    }
    return SimCertificates::writePem(path, {d->root}, error);
}

bool BridgeSimulator::loadResources(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = path + u": "_s + file.errorString();
        return false;
    }
    return loadResourcesJson(file.readAll(), error);
}

bool BridgeSimulator::loadResourcesJson(const QByteArray &json, QString *error)
{
    d->home.setEventQueue(nullptr);
    const bool ok = d->home.load(json, error);
    if (ok) {
        d->home.setBridgeId(d->bridgeId);
        d->homeSet = true;
    }
    d->home.setEventQueue(&d->events);
    return ok;
}

void BridgeSimulator::setResources(const QJsonArray &resources)
{
    loadResourcesJson(QJsonDocument(resources).toJson(QJsonDocument::Compact));
}

void BridgeSimulator::generateHome(const SimHomeSize &size)
{
    d->home.setEventQueue(nullptr);
    d->home.generate(size, d->bridgeId);
    d->homeSet = true;
    d->home.setEventQueue(&d->events);
}

void BridgeSimulator::setMaximumScenes(int maximum)
{
    d->home.setMaximumScenes(maximum);
}

QJsonArray BridgeSimulator::resources() const
{
    d->ensureHome();
    return d->home.resources();
}

std::optional<QJsonObject> BridgeSimulator::resource(const QString &id) const
{
    d->ensureHome();
    return d->home.resource(id);
}

QStringList BridgeSimulator::resourceIds(const QString &type) const
{
    d->ensureHome();
    return d->home.ids(type);
}

const SimHome &BridgeSimulator::home() const
{
    d->ensureHome();
    return d->home;
}

bool BridgeSimulator::start(const QHostAddress &address, quint16 port, QString *error)
{
    if (d->server->isListening())
        return true;
    d->ensureHome();
    if (!d->ensureIdentity(error))
        return false;
    d->address = address;
    d->port = port;
    if (!d->listen(error))
        return false;
    d->eventTimer->start();
    return true;
}

void BridgeSimulator::stop()
{
    goDown();
    d->eventTimer->stop();
}

bool BridgeSimulator::isListening() const
{
    return d->server->isListening();
}

QHostAddress BridgeSimulator::address() const
{
    return d->address;
}

quint16 BridgeSimulator::port() const
{
    return d->port;
}

QUrl BridgeSimulator::url(const QString &path) const
{
    QUrl url;
    url.setScheme(u"https"_s);
    url.setHost(d->address.toString());
    url.setPort(d->port);
    url.setPath(path);
    return url;
}

QString BridgeSimulator::addApplicationKey(const QString &key)
{
    const QString added =
        key.isEmpty() ? randomToken(40, u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-"_s) : key;
    if (!d->keys.contains(added))
        d->keys.append(added);
    return added;
}

void BridgeSimulator::revokeApplicationKey(const QString &key)
{
    d->keys.removeAll(key);
    for (Private::Connection *c : d->streams()) {
        if (c->key == key)
            d->endStream(*c);
    }
}

void BridgeSimulator::revokeAllApplicationKeys()
{
    const QStringList keys = d->keys;
    for (const QString &key : keys)
        revokeApplicationKey(key);
}

QStringList BridgeSimulator::applicationKeys() const
{
    return d->keys;
}

void BridgeSimulator::pressLinkButton()
{
    d->linkButton = QDeadlineTimer(d->linkButtonWindow);
    d->linkButtonTimer->start(d->linkButtonWindow);
    if (!d->linkButtonPressed) {
        d->linkButtonPressed = true;
        Q_EMIT linkButtonChanged(true);
    }
}

void BridgeSimulator::releaseLinkButton()
{
    d->linkButton = QDeadlineTimer(QDeadlineTimer::Forever);
    d->linkButtonTimer->stop();
    if (d->linkButtonPressed) {
        d->linkButtonPressed = false;
        Q_EMIT linkButtonChanged(false);
    }
}

bool BridgeSimulator::isLinkButtonPressed() const
{
    // The deadline decides, not the timer: a busy event loop must not stretch the window.
    return d->linkButtonPressed && !d->linkButton.hasExpired();
}

void BridgeSimulator::setLinkButtonWindow(int milliseconds)
{
    d->linkButtonWindow = std::max(milliseconds, 0);
}

int BridgeSimulator::linkButtonWindow() const
{
    return d->linkButtonWindow;
}

void BridgeSimulator::setPairingFilter(std::function<bool(const QString &deviceType)> accepts)
{
    d->pairingFilter = std::move(accepts);
}

void BridgeSimulator::setEventInterval(int milliseconds)
{
    d->eventTimer->setInterval(std::max(milliseconds, 1));
}

int BridgeSimulator::eventInterval() const
{
    return d->eventTimer->interval();
}

void BridgeSimulator::setIdleTimeout(int milliseconds)
{
    d->idleTimeout = std::max(milliseconds, 0);
    if (d->idleTimeout > 0)
        d->idleSweep->start(std::clamp(d->idleTimeout / 4, 10, 1000));
    else
        d->idleSweep->stop();
}

void BridgeSimulator::setRateLimit(int requestsPerSecond)
{
    d->rateLimit = std::max(requestsPerSecond, 0);
    d->recentRequests.clear();
}

void BridgeSimulator::setLatency(int milliseconds)
{
    d->latency = std::max(milliseconds, 0);
}

void BridgeSimulator::setMaximumParallelRequests(int maximum)
{
    d->maximumParallel = std::max(maximum, 0);
}

void BridgeSimulator::setEventStreamLifetime(int milliseconds)
{
    d->streamLifetime = std::max(milliseconds, 0);
}

void BridgeSimulator::setStreamFraming(StreamFraming framing)
{
    d->framing = framing;
}

BridgeSimulator::StreamFraming BridgeSimulator::streamFraming() const
{
    return d->framing;
}

int BridgeSimulator::eventStreamCount() const
{
    return int(d->streams().size());
}

bool BridgeSimulator::changeFromOutside(const QString &id, const QJsonObject &patch)
{
    d->ensureHome();
    return d->home.changeFromOutside(id, patch);
}

bool BridgeSimulator::addResource(const QJsonObject &resource)
{
    d->ensureHome();
    return d->home.addResource(resource);
}

bool BridgeSimulator::removeResource(const QString &id)
{
    d->ensureHome();
    return d->home.removeResource(id);
}

void BridgeSimulator::sendRawEventBytes(const QByteArray &bytes)
{
    for (Private::Connection *c : d->streams())
        d->writeStream(*c, bytes);
}

void BridgeSimulator::sendEventContainers(const QJsonArray &containers)
{
    d->sendMessage(containers);
}

void BridgeSimulator::addFault(const SimFault &fault)
{
    d->faults.append(fault);
}

void BridgeSimulator::clearFaults()
{
    d->faults.clear();
}

QList<SimFault> BridgeSimulator::faults() const
{
    return d->faults;
}

void BridgeSimulator::endEventStreams()
{
    for (Private::Connection *c : d->streams())
        d->endStream(*c);
}

void BridgeSimulator::abortEventStreams()
{
    for (Private::Connection *c : d->streams())
        c->socket->abort();
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

void BridgeSimulator::goDown()
{
    const bool was = d->server->isListening();
    d->server->close();
    closeConnections();
    if (was)
        Q_EMIT listeningChanged(false);
}

bool BridgeSimulator::comeBack(QString *error)
{
    if (d->server->isListening())
        return true;
    if (!d->ensureIdentity(error))
        return false;
    d->ensureHome();
    if (!d->listen(error))
        return false;
    d->eventTimer->start();
    return true;
}

bool BridgeSimulator::moveTo(const QHostAddress &address, quint16 port, QString *error)
{
    goDown();
    d->address = address;
    if (port != 0)
        d->port = port;
    return comeBack(error);
}

QList<SimRequest> BridgeSimulator::requestLog() const
{
    return d->log;
}

void BridgeSimulator::clearRequestLog()
{
    d->logBase += d->log.size();
    d->log.clear();
}

void BridgeSimulator::setRequestLogLimit(int maximum)
{
    d->logLimit = std::max(maximum, 0);
}

void BridgeSimulator::sendUpdateBurst(int messages, int itemsPerMessage)
{
    d->ensureHome();
    const QStringList lights = d->home.ids(u"light"_s);
    if (lights.isEmpty())
        return;
    qsizetype next = 0;
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (int m = 0; m < messages; ++m) {
        QJsonArray items;
        for (int i = 0; i < itemsPerMessage; ++i) {
            const QString id = lights.at(next++ % lights.size());
            const QJsonObject light = d->home.resource(id).value_or(QJsonObject{});
            QJsonObject item{
                {u"id"_s, id}, {u"type"_s, u"light"_s}, {u"on"_s, QJsonObject{{u"on"_s, (m + i) % 2 == 0}}}};
            if (light.contains(u"owner"_s))
                item.insert(u"owner"_s, light.value(u"owner"_s));
            if (light.contains(u"dimming"_s))
                item.insert(u"dimming"_s, QJsonObject{{u"brightness"_s, double((m * 7 + i) % 100) + 0.5}});
            items.append(item);
        }
        d->sendMessage(QJsonArray{QJsonObject{{u"creationtime"_s, now},
                                              {u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                              {u"type"_s, u"update"_s},
                                              {u"data"_s, items}}});
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
