#pragma once

// The simulator's state, shared by the files that implement BridgeSimulator,
// one job each: BridgeSimulator.cpp (identity, resources, listening, the
// request log), BridgeSimulatorConnections.cpp (TLS connections, the request
// intake, answers), BridgeSimulatorRouting.cpp (the endpoints),
// BridgeSimulatorPairing.cpp (keys and the link button),
// BridgeSimulatorFaults.cpp (faults and overload) and
// BridgeSimulatorEvents.cpp (event streams and changes from outside).

#include "BridgeSimulator.h"
#include "SimEventQueue.h"
#include "SimHome.h"
#include "SimHttpParser.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QQueue>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <map>

struct BridgeSimulator::Private
{
    // Hands accepted sockets to the simulator instead of queueing them, so
    // that TLS starts on a socket we configure ourselves.
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
    QString bridgeId = QStringLiteral("001788FFFEA532A7");
    QString modelId = QStringLiteral("BSB002");
    QString name = QStringLiteral("Hue Bridge");
    SimIdentity identity;
    QSslCertificate root;
    bool identityGiven = false;
    SimHome home;
    bool homeSet = false;
    SimEventQueue events;
    AcceptingServer server;
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;
    QStringList keys;
    QDeadlineTimer linkButton{QDeadlineTimer::Forever};
    bool linkButtonPressed = false;
    int linkButtonWindow = 30'000;
    std::function<bool(const QString &)> pairingFilter;
    QTimer linkButtonTimer;
    QTimer eventTimer;
    QTimer idleSweep;
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

    // BridgeSimulator.cpp: the home, the certificates, listening.
    void ensureHome();
    bool ensureIdentity(QString *error);
    bool listen(QString *error);

    // BridgeSimulatorConnections.cpp: connections and the request intake.
    void accept(qintptr descriptor);
    Connection *find(int id);
    void drop(int id);
    void read(int id);
    void process(int id);
    void rejectMalformed(Connection &c);
    void handle(int id, SimHttpParser::Request request);
    void setStatus(qint64 logIndex, int status);
    void respond(Connection &c, qint64 logIndex, int status, const QByteArray &contentType, const QByteArray &body,
                 bool keepAlive);
    void respondJson(Connection &c, qint64 logIndex, int status, const QByteArray &body, bool keepAlive);
    void sweepIdle();

    // BridgeSimulatorFaults.cpp: faults, and the overload a bridge shows.
    void dispatch(Connection &c, SimHttpParser::Request request, qint64 logIndex);
    void applyFault(Connection &c, const SimFault &fault, SimHttpParser::Request request, qint64 logIndex);
    void flood(Connection &c, const SimFault &fault);
    void dribble(Connection &c, const SimFault &fault);
    std::optional<SimFault> overload(const QString &path);

    // BridgeSimulatorRouting.cpp: the endpoints.
    bool authorize(Connection &c, const SimHttpParser::Request &request, qint64 logIndex, QString *key);
    void route(Connection &c, const SimHttpParser::Request &request, qint64 logIndex);
    SimHome::Result resourceRequest(const QString &method, const QStringList &parts, const QByteArray &body);
    QByteArray allResources();
    QJsonObject config() const;
    static QByteArray json(const QJsonObject &object);
    static QByteArray json(const QJsonArray &array);
    static QByteArray errorEnvelope(const QString &description);

    // BridgeSimulatorPairing.cpp: POST /api.
    QByteArray pair(const QByteArray &body);
    static QByteArray pairingError(int type, const QString &address, const QString &description);
    static QString randomToken(int length, const QString &alphabet);

    // BridgeSimulatorEvents.cpp: the event streams.
    void openStream(Connection &c, qint64 logIndex, const QString &key);
    void writeStream(Connection &c, const QByteArray &bytes);
    QList<Connection *> streams();
    void sendMessage(const QJsonArray &containers);
    void tick();
    void endStream(Connection &c);
};
