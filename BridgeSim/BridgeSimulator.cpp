#include "BridgeSimulator.h"

#include "BridgeSimulatorPrivate.h"
#include "SimCertificates.h"

#include <QFile>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

void BridgeSimulator::Private::ensureHome()
{
    if (!homeSet) {
        home.generate(SimHomeSize::small(), bridgeId);
        homeSet = true;
    }
    home.setEventQueue(&events);
}

bool BridgeSimulator::Private::ensureIdentity(QString *error)
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

bool BridgeSimulator::Private::listen(QString *error)
{
    if (!server.listen(address, port)) {
        if (error)
            *error = server.errorString();
        return false;
    }
    port = server.serverPort();
    Q_EMIT q->listeningChanged(true);
    return true;
}

BridgeSimulator::BridgeSimulator(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->q = this;
    d->clock.start();
    QObject::connect(&d->idleSweep, &QTimer::timeout, this, [this] { d->sweepIdle(); });
    d->server.onIncoming = [this](qintptr descriptor) { d->accept(descriptor); };
    d->eventTimer.setInterval(1000);
    QObject::connect(&d->eventTimer, &QTimer::timeout, this, [this] { d->tick(); });
    d->linkButtonTimer.setSingleShot(true);
    QObject::connect(&d->linkButtonTimer, &QTimer::timeout, this, [this] { releaseLinkButton(); });
}

BridgeSimulator::~BridgeSimulator()
{
    d->server.close();
    for (auto &[id, connection] : d->connections) {
        if (connection->socket) {
            connection->socket->disconnect(this);
            connection->socket->abort();
            delete connection->socket;
        }
    }
    d->connections.clear();
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
    if (d->server.isListening())
        return true;
    d->ensureHome();
    if (!d->ensureIdentity(error))
        return false;
    d->address = address;
    d->port = port;
    if (!d->listen(error))
        return false;
    d->eventTimer.start();
    return true;
}

void BridgeSimulator::stop()
{
    goDown();
    d->eventTimer.stop();
}

bool BridgeSimulator::isListening() const
{
    return d->server.isListening();
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

void BridgeSimulator::goDown()
{
    const bool was = d->server.isListening();
    d->server.close();
    closeConnections();
    if (was)
        Q_EMIT listeningChanged(false);
}

bool BridgeSimulator::comeBack(QString *error)
{
    if (d->server.isListening())
        return true;
    if (!d->ensureIdentity(error))
        return false;
    d->ensureHome();
    if (!d->listen(error))
        return false;
    d->eventTimer.start();
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
