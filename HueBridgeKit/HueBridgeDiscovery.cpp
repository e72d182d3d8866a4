#include "HueBridgeDiscovery.h"

#include "HueResumeGate.h"
#include "MdnsBrowser.h"

#include <QCoro/QCoroTimer>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

using namespace std::chrono_literals;

namespace {

std::chrono::milliseconds remaining(const QDeadlineTimer &deadline)
{
    return std::chrono::milliseconds(qMax<qint64>(0, deadline.remainingTime()));
}

/// A sleep that does not end early, unless cancelled: a coarse timer may fire
/// up to 5 % before its time, and the browse time is a promise to the caller.
QCoro::Task<> sleepFor(std::chrono::milliseconds duration, HueCancellationToken token)
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(duration);
    const auto registration = token.onCancel([&timer] { timer.start(0); });
    co_await timer;
}

/// Waits until `object` emits `signal` or `limit` has passed. The signal may
/// fire any number of times, also after the wait is over (QCoro's own signal
/// wait would resume a finished coroutine in that case).
template<typename Object, typename Signal>
QCoro::Task<> signalOrTimeout(Object *object, Signal signal, std::chrono::milliseconds limit)
{
    HueResumeGate gate;
    QTimer timer;
    timer.setSingleShot(true);
    // The limit is a promise too: a service gets its full time to answer.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(object, signal, gate.context(), [&gate] { gate.open(); });
    QObject::connect(&timer, &QTimer::timeout, gate.context(), [&gate] { gate.open(); });
    timer.start(limit);
    co_await gate.wait();
}

QCoro::Task<QList<MdnsServiceInstance>> liveBrowse(std::chrono::milliseconds timeout, HueCancellationToken token)
{
    MdnsBrowser browser(HueBridgeDiscovery::serviceType());
    // Without a socket there is nothing to hear; the call still takes the
    // browse time, as it would on a silent network.
    browser.start();
    co_await sleepFor(timeout, token);
    QList<MdnsServiceInstance> services = browser.instances();
    browser.stop();
    co_return services;
}

/// Finishes a service the browse left unresolved (no SRV record or no IPv4
/// address of its host yet) by asking for just that instance.
QCoro::Task<std::optional<MdnsServiceInstance>> liveResolve(MdnsServiceInstance service, QDeadlineTimer deadline,
                                                            HueCancellationToken token)
{
    MdnsBrowser resolver(HueBridgeDiscovery::serviceType());
    resolver.setBrowsing(false);
    resolver.addInstance(service.fullName);
    if (!resolver.start())
        co_return std::nullopt;
    // Wakes the wait below, which then sees the cancellation.
    const auto registration = token.onCancel([&resolver] { Q_EMIT resolver.instancesChanged(); });
    while (!deadline.hasExpired() && !token.isCancelled()) {
        const auto instances = resolver.instances();
        if (!instances.isEmpty() && instances.constFirst().host && !instances.constFirst().ipv4.isEmpty())
            co_return instances.constFirst();
        co_await signalOrTimeout(&resolver, &MdnsBrowser::instancesChanged, remaining(deadline));
    }
    co_return std::nullopt;
}

/// Waits until the socket is connected or has given up, within the deadline.
QCoro::Task<bool> connected(QTcpSocket *socket, QDeadlineTimer deadline)
{
    QPointer<QTcpSocket> guard = socket;
    while (guard && !deadline.hasExpired()) {
        const auto state = guard->state();
        if (state == QAbstractSocket::ConnectedState)
            co_return true;
        if (state == QAbstractSocket::UnconnectedState)
            co_return false;
        co_await signalOrTimeout(guard.data(), &QAbstractSocket::stateChanged, remaining(deadline));
    }
    co_return guard && guard->state() == QAbstractSocket::ConnectedState;
}

QCoro::Task<std::optional<HueBridgeDiscovery::Confirmed>>
liveConnect(MdnsServiceInstance service, std::chrono::milliseconds limit, HueCancellationToken token)
{
    const QDeadlineTimer deadline(limit);
    if (!service.host || service.ipv4.isEmpty()) {
        auto resolved = co_await liveResolve(service, deadline, token);
        if (!resolved)
            co_return std::nullopt;
        // The TXT record usually comes with the SRV and address records that
        // finish the service; it carries the bridge id and must not be lost.
        if (!resolved->txt)
            resolved->txt = service.txt;
        service = std::move(*resolved);
    }
    // Only IPv4: the address is what the application later talks to, and an
    // IPv6-only bridge is out of reach for it.
    for (const auto &address : std::as_const(service.ipv4)) {
        if (deadline.hasExpired() || token.isCancelled())
            break;
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket *raw = socket.get();
        const auto registration = token.onCancel([raw] { raw->abort(); });
        socket->connectToHost(address, service.port);
        if (co_await connected(socket.get(), deadline)) {
            HueBridgeDiscovery::Confirmed confirmed{socket->peerAddress().toString(), service.txt};
            // No data is sent; the connection only proved the address.
            socket->abort();
            co_return confirmed;
        }
        socket->abort();
    }
    co_return std::nullopt;
}

} // namespace

MdnsName HueBridgeDiscovery::serviceType()
{
    return MdnsName::fromDotted(u"_hue._tcp.local");
}

HueBridgeDiscovery::Network HueBridgeDiscovery::liveNetwork()
{
    return Network{&liveBrowse, &liveConnect};
}

QCoro::Task<QList<DiscoveredBridge>> HueBridgeDiscovery::bridges(std::chrono::milliseconds timeout,
                                                                 HueCancellationToken token)
{
    co_return co_await bridges(timeout, liveNetwork(), token);
}

QCoro::Task<QList<DiscoveredBridge>> HueBridgeDiscovery::bridges(std::chrono::milliseconds timeout, Network network,
                                                                 HueCancellationToken token)
{
    const QList<MdnsServiceInstance> services = co_await network.browse(timeout, token);
    QList<DiscoveredBridge> bridges;
    // One after the other, never in parallel: a call lasts the browse time
    // plus up to the connect limit per service.
    for (const auto &service : services) {
        if (token.isCancelled())
            break;
        if (service.name.isEmpty())
            continue;
        const std::optional<Confirmed> confirmed = co_await network.connect(service, connectLimit, token);
        const std::optional<QString> host = confirmed ? address(confirmed->host) : std::nullopt;
        if (!host)
            continue;
        MdnsServiceInstance described = service;
        if (confirmed->txt)
            described.txt = confirmed->txt;
        bridges.append(DiscoveredBridge{service.name, bridgeID(described), *host});
    }
    co_return bridges;
}

std::optional<QString> HueBridgeDiscovery::address(const QString &reportedHost)
{
    const qsizetype percent = reportedHost.indexOf(u'%');
    const QString unscoped = percent < 0 ? reportedHost : reportedHost.left(percent);
    QHostAddress parsed;
    if (!parsed.setAddress(unscoped)) {
        // Not an address: a host name, taken as it is.
        if (reportedHost.isEmpty() || reportedHost.contains(u':'))
            return std::nullopt;
        return reportedHost;
    }
    if (parsed.protocol() == QAbstractSocket::IPv4Protocol)
        return parsed.toString();
    // A socket on a dual-stack system may report IPv4 as "::ffff:a.b.c.d".
    bool isMappedIPv4 = false;
    const quint32 ipv4 = parsed.toIPv4Address(&isMappedIPv4);
    if (isMappedIPv4)
        return QHostAddress(ipv4).toString();
    return std::nullopt;
}

std::optional<QString> HueBridgeDiscovery::bridgeID(const MdnsServiceInstance &service)
{
    if (!service.txt)
        return std::nullopt;
    MdnsMessage::Record record;
    record.txt = *service.txt;
    const auto value = record.txtValue("bridgeid");
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(*value);
}
