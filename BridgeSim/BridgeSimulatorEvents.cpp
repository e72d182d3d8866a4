// Event streams: opening and ending them, and the messages they carry.

#include "BridgeSimulatorPrivate.h"
#include "SimHttp.h"

#include <QUuid>

using namespace Qt::StringLiterals;

void BridgeSimulator::Private::openStream(Connection &c, qint64 logIndex, const QString &key)
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

void BridgeSimulator::Private::writeStream(Connection &c, const QByteArray &bytes)
{
    if (c.socket)
        c.socket->write(c.chunked ? SimHttp::chunk(bytes) : bytes);
}

QList<BridgeSimulator::Private::Connection *> BridgeSimulator::Private::streams()
{
    QList<Connection *> list;
    for (auto &[id, connection] : connections) {
        if (connection->stream && connection->socket)
            list.append(connection.get());
    }
    return list;
}

void BridgeSimulator::Private::sendMessage(const QJsonArray &containers)
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

void BridgeSimulator::Private::tick()
{
    if (events.isEmpty())
        return;
    // Changes nobody listens to are gone, as on a bridge.
    const QJsonArray containers = events.take();
    if (!streams().isEmpty())
        sendMessage(containers);
}

void BridgeSimulator::Private::endStream(Connection &c)
{
    if (!c.socket)
        return;
    if (c.chunked)
        c.socket->write(SimHttp::lastChunk());
    c.socket->disconnectFromHost();
}

void BridgeSimulator::setEventInterval(int milliseconds)
{
    d->eventTimer.setInterval(std::max(milliseconds, 1));
}

int BridgeSimulator::eventInterval() const
{
    return d->eventTimer.interval();
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
            const QString &id = lights.at(next++ % lights.size());
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
