#include "HueBridgeDiscovery.h"

#include "HueResumeGate.h"
#include "MdnsBrowser.h"

#include <QCoro/QCoroTimer>
#include <QHash>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <vector>

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
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(object, signal, gate.context(), [&gate] { gate.open(); });
    QObject::connect(&timer, &QTimer::timeout, gate.context(), [&gate] { gate.open(); });
    timer.start(limit);
    co_await gate.wait();
}

QCoro::Task<QList<MdnsServiceInstance>> liveBrowse(QDeadlineTimer deadline, HueCancellationToken token,
                                                   HueBridgeDiscovery::Snapshots changed)
{
    MdnsBrowser browser(HueBridgeDiscovery::serviceType());
    QObject::connect(&browser, &MdnsBrowser::instancesChanged, &browser,
                     [&browser, &changed] { changed(browser.instances()); });
    // Without a socket there is nothing to hear; the call still takes the
    // browse time, as it would on a silent network.
    browser.start();
    co_await sleepFor(remaining(deadline), token);
    QList<MdnsServiceInstance> services = browser.instances();
    browser.stop();
    co_return services;
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

QCoro::Task<std::optional<QString>> liveConnect(QHostAddress address, quint16 port, QDeadlineTimer deadline,
                                                HueCancellationToken token)
{
    if (token.isCancelled())
        co_return std::nullopt;
    auto socket = std::make_unique<QTcpSocket>();
    QTcpSocket *raw = socket.get();
    const auto registration = token.onCancel([raw] { raw->abort(); });
    socket->connectToHost(address, port);
    std::optional<QString> host;
    if (co_await connected(raw, deadline))
        host = socket->peerAddress().toString();
    // No data is sent; the connection only proved the address.
    socket->abort();
    co_return host;
}

using Confirmation = std::shared_ptr<std::optional<QString>>;

QCoro::Task<> confirm(decltype(HueBridgeDiscovery::Network::connect) connect, QHostAddress address, quint16 port,
                      QDeadlineTimer deadline, HueCancellationToken token, Confirmation result)
{
    try {
        *result = co_await connect(address, port, deadline, token);
    } catch (...) {
        // A connection that fails in any way confirms nothing.
    }
}

/// The addresses of a service that are tried, in its order.
QList<QHostAddress> candidateAddresses(const MdnsServiceInstance &service)
{
    return service.ipv4.first(qMin(service.ipv4.size(), HueBridgeDiscovery::addressesPerService));
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
    // One deadline for the browse and every confirmation: a service whose
    // connection hangs costs nothing beyond it, however many there are.
    const QDeadlineTimer deadline(timeout, Qt::PreciseTimer);
    HueCancellationToken connections;
    const auto forward = token.onCancel([connections] { connections.cancel(); });
    // By address and port: services sharing one are connected to once.
    QHash<std::pair<quint32, quint16>, Confirmation> confirmations;
    std::vector<QCoro::Task<>> running;
    const auto startConfirmations = [&](const QList<MdnsServiceInstance> &services) {
        for (const auto &service : services) {
            if (service.name.isEmpty())
                continue;
            for (const QHostAddress &address : candidateAddresses(service)) {
                const auto key = std::pair(address.toIPv4Address(), service.port);
                if (connections.isCancelled() || qsizetype(running.size()) >= maxConnections)
                    return;
                if (confirmations.contains(key))
                    continue;
                auto result = std::make_shared<std::optional<QString>>();
                confirmations.insert(key, result);
                running.push_back(confirm(network.connect, address, service.port, deadline, connections, result));
            }
        }
    };
    const QList<MdnsServiceInstance> services = co_await network.browse(deadline, token, startConfirmations);
    // The browse is over, and with it the time the services had to answer.
    connections.cancel();
    for (const auto &task : running)
        co_await task;

    // Services still announced at the end, each at the first of its
    // addresses that answered.
    QList<DiscoveredBridge> bridges;
    for (const auto &service : services) {
        if (service.name.isEmpty())
            continue;
        for (const QHostAddress &candidate : candidateAddresses(service)) {
            const Confirmation result = confirmations.value(std::pair(candidate.toIPv4Address(), service.port));
            const std::optional<QString> host = result && *result ? address(**result) : std::nullopt;
            if (host) {
                bridges.append(DiscoveredBridge{service.name, bridgeID(service), *host});
                break;
            }
        }
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
