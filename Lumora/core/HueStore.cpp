#include "HueStore.h"

#include "HueCancelledError.h"
#include "HueFailure.h"
#include "LumoraLogging.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>

#include <algorithm>

using namespace Qt::StringLiterals;

// Task slots -----------------------------------------------------------------

HueCancellationToken HueStore::TaskSlot::start()
{
    cancel();
    token = HueCancellationToken();
    return *token;
}

void HueStore::TaskSlot::cancel()
{
    if (token)
        token->cancel();
    token.reset();
}

void HueStore::TaskSlot::finish(const HueCancellationToken &finished)
{
    if (token && *token == finished)
        token.reset();
}

// Construction and observable fields ------------------------------------------

HueStore::Duration HueStore::standardReconnectDelay(int attempt)
{
    if (attempt < 2)
        return Duration(1000);
    if (attempt <= 3)
        return Duration(2000);
    return Duration(6000);
}

HueStore::HueStore(std::shared_ptr<QSettings> defaults, Environment environment, QObject *parent)
    : QObject(parent)
    , m_defaults(std::move(defaults))
    , m_environment(std::move(environment))
    , m_favorites(new FavoritesStore(m_defaults, this))
    , m_order(new OrderStore(m_defaults, this))
    , m_coalescer(new CommandCoalescer(this))
{
    m_bridge = PairedBridge::load(*m_defaults);
    m_phase = m_bridge ? Phase::connecting() : Phase::unpaired();
}

HueStore::~HueStore()
{
    m_connectionTask.cancel();
    m_pairingTask.cancel();
    m_releaseTask.cancel();
    m_lifetime.cancel();
}

void HueStore::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = std::move(phase);
    Q_EMIT phaseChanged();
}

void HueStore::setBridge(std::optional<PairedBridge> bridge)
{
    if (m_bridge == bridge)
        return;
    m_bridge = std::move(bridge);
    Q_EMIT bridgeChanged();
}

void HueStore::setPairingStep(PairingStep step)
{
    if (m_pairingStep == step)
        return;
    m_pairingStep = std::move(step);
    Q_EMIT pairingStepChanged();
}

void HueStore::setDiscoveredBridges(QList<DiscoveredBridge> bridges)
{
    if (m_discoveredBridges == bridges)
        return;
    m_discoveredBridges = std::move(bridges);
    Q_EMIT discoveredBridgesChanged();
}

void HueStore::setCommandError(std::optional<QString> error)
{
    if (m_commandError == error)
        return;
    m_commandError = std::move(error);
    Q_EMIT commandErrorChanged();
}

void HueStore::replaceHome(const QList<HueResource> &resources)
{
    m_editable.replace(resources, now());
    Q_EMIT homeChanged();
}

QCoro::Task<void> HueStore::sleepQuietly(HueCancellationToken token, Duration delay)
{
    try {
        co_await token.sleep(delay);
    } catch (const HueCancelledError &) {
    }
}

// Connection lifecycle ----------------------------------------------------------

const HomeSnapshot &HueStore::snapshot() const
{
    if (m_snapshot.revision != m_editable.home.resources.revision())
        m_snapshot = HomeSnapshot::make(m_editable.home, std::move(m_snapshot));
    return m_snapshot;
}

void HueStore::start()
{
    if (m_connectionTask.isActive())
        return;
    if (!m_bridge) {
        setPhase(Phase::unpaired());
        return;
    }
    const HueCancellationToken token = m_connectionTask.start();
    loadKeyAndConnect(this, *m_bridge, token);
}

QCoro::Task<void> HueStore::loadKeyAndConnect(QPointer<HueStore> self, PairedBridge remembered,
                                              HueCancellationToken token)
{
    // QtKeychain answers asynchronously, so awaiting here keeps the main
    // thread free while the keyring is asked.
    std::optional<QString> key;
    try {
        key = co_await self->m_environment.keys.load(remembered.bridgeID);
    } catch (...) {
        key.reset();
    }
    if (!self || token.isCancelled() || self->m_bridge != remembered)
        co_return;
    if (key) {
        self->connectTo(remembered, *key);
        co_return;
    }
    // Without a key the bridge counts as unpaired, but its stored record stays
    // so that a later pairing simply overwrites it.
    self->setBridge(std::nullopt);
    self->setPhase(Phase::unpaired());
    self->m_connectionTask.finish(token);
}

void HueStore::connectTo(const PairedBridge &bridge, const QString &key)
{
    setBridge(bridge);
    m_favorites->load(bridge.bridgeID);
    m_order->load(bridge.bridgeID);
    setPhase(Phase::connecting());
    const HueCancellationToken token = m_connectionTask.start();
    runConnection(this, key, token);
}

QCoro::Task<void> HueStore::runConnection(QPointer<HueStore> self, QString key, HueCancellationToken token)
{
    int attempt = 0;
    while (self && !token.isCancelled() && self->m_bridge) {
        const PairedBridge bridge = *self->m_bridge;
        const HueBridgeClient client = self->m_environment.makeClient(bridge.host, bridge.bridgeID, key);
        self->m_client = client;

        std::exception_ptr failure;
        QList<HueResource> resources;
        // The stream is opened before the listing is asked for: a change made
        // between the two is then in the stream, and applying it again on top
        // of a listing that already holds it changes nothing. The other order
        // loses such a change until the next reload. A stream that does not
        // open in time is not waited for; its failure shows when it is read.
        HueEventStream stream = client.events();
        try {
            co_await stream.opened(client.session()->options().requestTimeout, token);
            QCoro::Task<QList<HueResource>> listing = client.resources(token);
            // The listing goes over a connection of its own, whose handshake
            // is this session's next one: once it is through, the request is
            // on its way without further help from this thread.
            const auto sent = QObject::connect(
                client.session()->manager(), &QNetworkAccessManager::encrypted, self,
                [self] { Q_EMIT self->homeRequested(); }, Qt::SingleShotConnection);
            resources = co_await listing;
            QObject::disconnect(sent);
        } catch (...) {
            failure = std::current_exception();
        }
        if (!self)
            co_return;
        if (failure)
            stream.cancel(); // not held open through the wait before the next attempt

        if (!failure) {
            self->replaceHome(resources);
            self->setPhase(Phase::ready());
            std::exception_ptr streamFailure;
            try {
                while (true) {
                    const auto batch = co_await stream.next(token);
                    if (!self || token.isCancelled())
                        co_return;
                    if (!batch)
                        break;
                    const bool placed = self->m_editable.receive(*batch, now());
                    Q_EMIT self->homeChanged();
                    if (!placed)
                        self->reloadDetached(client);
                }
            } catch (...) {
                streamFailure = std::current_exception();
            }
            if (!self || token.isCancelled())
                co_return;
            if (streamFailure) {
                const HueFailure::Kind kind = HueFailure::classify(streamFailure).kind();
                if (kind == HueFailure::Kind::cancelled)
                    co_return;
                if (kind == HueFailure::Kind::unauthorized) {
                    self->forgetBridge();
                    co_return;
                }
            }
            qCDebug(lcStore) << "event stream ended; reloading";
            attempt = 1;
            co_await sleepQuietly(token, self->m_environment.reconnectDelay(1));
            continue;
        }

        const HueFailure classified = HueFailure::classify(failure);
        if (classified.kind() == HueFailure::Kind::cancelled)
            co_return;
        if (classified.kind() == HueFailure::Kind::unauthorized) {
            self->forgetBridge();
            co_return;
        }
        if (token.isCancelled())
            co_return;
        if (attempt == 0) {
            // The first failure after connecting stays invisible: bridges
            // often drop the very first request after waking up.
            attempt = 1;
            co_await sleepQuietly(token, self->m_environment.reconnectDelay(1));
            continue;
        }
        self->setPhase(Phase::unreachable(classified.description()));
        co_await adoptNewAddressIfMoved(self, token);
        if (!self)
            co_return;
        attempt += 1;
        co_await sleepQuietly(token, self->m_environment.reconnectDelay(attempt));
    }
}

bool HueStore::owns(const HueBridgeClient &client, const std::optional<PairedBridge> &bridge) const
{
    return m_client && m_client->session() == client.session() && m_bridge == bridge;
}

QCoro::Task<void> HueStore::reloadThrowing(QPointer<HueStore> self, HueBridgeClient client, HueCancellationToken token)
{
    const std::optional<PairedBridge> bridge = self ? self->m_bridge : std::nullopt;
    const QList<HueResource> resources = co_await client.resources(token);
    if (self && self->owns(client, bridge))
        self->replaceHome(resources);
}

QCoro::Task<void> HueStore::reloadIgnoringFailure(QPointer<HueStore> self, HueBridgeClient client,
                                                  HueCancellationToken token)
{
    try {
        co_await reloadThrowing(self, std::move(client), std::move(token));
        co_return;
    } catch (...) {
    }
    // A reload is asked for when the home may differ from the bridge (after a
    // refused command its optimistic values are still shown). While the event
    // stream stays open nothing else would correct that, so the reload is
    // tried again until one succeeds.
    if (self)
        self->repairHome();
}

void HueStore::repairHome()
{
    ++m_repairsWanted;
    if (!m_repairing)
        runRepair(this, m_lifetime);
}

QCoro::Task<void> HueStore::runRepair(QPointer<HueStore> self, HueCancellationToken token)
{
    self->m_repairing = true;
    int attempt = 0;
    // Each round reloads with the connection of the moment; it ends when a
    // reload made after the latest request for one succeeds, or when the
    // connection is not working (its next start is a full load anyway).
    const auto connected = [&] {
        return self && !token.isCancelled() && self->m_client && self->m_phase == Phase::ready();
    };
    while (connected()) {
        co_await sleepQuietly(token, self->m_environment.reconnectDelay(++attempt));
        if (!connected())
            break;
        const quint64 wanted = self->m_repairsWanted;
        const HueBridgeClient client = *self->m_client;
        bool reloaded = false;
        try {
            co_await reloadThrowing(self, client, token);
            reloaded = true;
        } catch (...) {
        }
        if (!self)
            co_return;
        if (reloaded && self->m_repairsWanted == wanted)
            break;
        if (reloaded)
            attempt = 0;
    }
    if (self)
        self->m_repairing = false;
}

void HueStore::reloadDetached(HueBridgeClient client)
{
    reloadIgnoringFailure(this, std::move(client), m_lifetime);
}

namespace {

/// Whether the bridge answering at the client's host is the bridge with this
/// id: the answer came through the client's trust evaluation for that id (its
/// certificate chains to the bridge root and names the bridge), and the
/// bridge says so itself.
QCoro::Task<bool> provesIdentity(HueBridgeClient client, QString bridgeID)
{
    try {
        const HueBridgeConfig config = co_await client.config();
        co_return config.bridgeID.compare(bridgeID, Qt::CaseInsensitive) == 0;
    } catch (...) {
        co_return false;
    }
}

} // namespace

QCoro::Task<void> HueStore::adoptNewAddressIfMoved(QPointer<HueStore> self, HueCancellationToken token)
{
    if (!self || !self->m_bridge)
        co_return;
    const PairedBridge remembered = *self->m_bridge;
    QList<DiscoveredBridge> found;
    try {
        found = co_await self->m_environment.discover();
    } catch (...) {
        co_return;
    }
    if (!self || token.isCancelled())
        co_return;
    // Anyone on the network can announce the paired id at an address of their
    // choosing. Every other address announced with it is asked, at once,
    // whether it is that bridge; only one that proves it over HTTPS is taken.
    // No key is sent to any of them. Each check has a session of its own, so
    // a flood of such announcements is asked only up to a limit.
    constexpr qsizetype maxChecks = 32;
    QStringList hosts;
    for (const DiscoveredBridge &candidate : std::as_const(found)) {
        if (candidate.bridgeID && candidate.bridgeID->compare(remembered.bridgeID, Qt::CaseInsensitive) == 0
            && candidate.host != remembered.host && !hosts.contains(candidate.host) && hosts.size() < maxChecks)
            hosts.append(candidate.host);
    }
    // The checks are never cancelled: each ends within the request's own
    // time limits, and aborting one while its refused handshake is being
    // reported makes Qt report that failure twice.
    std::vector<QCoro::Task<bool>> running;
    for (const QString &host : std::as_const(hosts)) {
        running.push_back(provesIdentity(self->m_environment.makeClient(host, remembered.bridgeID, std::nullopt),
                                         remembered.bridgeID));
    }
    std::optional<QString> proven;
    for (qsizetype i = 0; i < hosts.size() && !proven; ++i) {
        if (co_await running[size_t(i)])
            proven = hosts[i];
    }
    if (!proven || !self || token.isCancelled() || self->m_bridge != remembered)
        co_return;
    qCDebug(lcStore) << "the paired bridge answers at a new address";
    const PairedBridge moved{remembered.bridgeID, remembered.name, *proven};
    moved.save(*self->m_defaults);
    self->setBridge(moved);
}

void HueStore::refresh()
{
    if (m_client && m_phase == Phase::ready())
        reloadDetached(*m_client);
}

void HueStore::forgetBridge()
{
    m_connectionTask.cancel();
    if (m_bridge) {
        // Not awaited: forgetting must take effect at once; the key store
        // finishes on its own.
        m_environment.keys.delete_(m_bridge->bridgeID);
    }
    PairedBridge::remove(*m_defaults);
    setBridge(std::nullopt);
    m_client.reset();
    m_editable = EditableHome();
    m_releaseTask.cancel();
    Q_EMIT homeChanged();
    setPhase(Phase::unpaired());
    setPairingStep(PairingStep::idle());
}
