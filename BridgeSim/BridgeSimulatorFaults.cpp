// Faults switched on by tests, and the overload a bridge shows on its own.

#include "BridgeSimulatorPrivate.h"

using namespace Qt::StringLiterals;

void BridgeSimulator::Private::dispatch(Connection &c, SimHttpParser::Request request, qint64 logIndex)
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

void BridgeSimulator::Private::applyFault(Connection &c, const SimFault &fault, SimHttpParser::Request request,
                                          qint64 logIndex)
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
void BridgeSimulator::Private::flood(Connection &c, const SimFault &fault)
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

void BridgeSimulator::Private::dribble(Connection &c, const SimFault &fault)
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
std::optional<SimFault> BridgeSimulator::Private::overload(const QString &path)
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
