#pragma once

#include "BridgeKeyStore.h"
#include "CommandCoalescer.h"
#include "DiscoveredBridge.h"
#include "EditableHome.h"
#include "FavoritesStore.h"
#include "HomeSnapshot.h"
#include "HueBridgeClient.h"
#include "HueCancellationToken.h"
#include "HueStorePhase.h"
#include "OrderStore.h"
#include "PairedBridge.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

/// The application's one model object and its main loop: the connection to
/// the paired bridge with its reconnects, the working copy of the home, the
/// user's commands (shown at once, sent through the coalescer) and pairing.
/// Lives on the main thread; nothing here blocks, and nothing throws to the
/// user interface: failures land in `phase`, `pairingStep` or `commandError`.
class HueStore : public QObject
{
    Q_OBJECT

public:
    using Phase = HueStorePhase;
    using PairingStep = HueStorePairingStep;
    using Duration = std::chrono::milliseconds;

    /// The outside services, replaceable by tests.
    struct Environment
    {
        BridgeKeyStore keys;
        std::function<HueBridgeClient(QString host, std::optional<QString> bridgeID,
                                      std::optional<QString> applicationKey)>
            makeClient;
        std::function<QCoro::Task<QList<DiscoveredBridge>>()> discover;
        /// The computer's name for the pairing device type.
        std::function<QString()> deviceName;
        Duration searchRetryDelay{2000};
        std::function<Duration(int attempt)> reconnectDelay = &HueStore::standardReconnectDelay;
        /// The pause after each refused link-button attempt. One second in
        /// the application; tests shorten it to keep the 30 attempts quick.
        Duration linkButtonPause{1000};

        /// The application's services: the credential store, clients trusting
        /// only the bridge root, multicast DNS discovery with 3 s, the host name.
        static Environment live();
    };

    /// Attempt below 2: 1 s; 2 or 3: 2 s; 4 and above: 6 s.
    static Duration standardReconnectDelay(int attempt);
    static constexpr Duration lightSpacing{100};
    static constexpr Duration groupSpacing{1000};
    static constexpr Duration releaseMargin{50};
    static constexpr int linkButtonAttempts = 30;
    static constexpr int sceneNameLimit = 32;

    HueStore(std::shared_ptr<QSettings> defaults, Environment environment, QObject *parent = nullptr);
    ~HueStore() override;

    Phase phase() const { return m_phase; }
    const std::optional<PairedBridge> &bridge() const { return m_bridge; }
    PairingStep pairingStep() const { return m_pairingStep; }
    const QList<DiscoveredBridge> &discoveredBridges() const { return m_discoveredBridges; }
    const std::optional<QString> &commandError() const { return m_commandError; }
    const HueHome &home() const { return m_editable.home; }
    const EditableHome &editable() const { return m_editable; }
    /// The home's display records as they are now: resolved on the first
    /// read after a change, and then only where the change reached, for the
    /// window's lists and the tray alike.
    const HomeSnapshot &snapshot() const;
    FavoritesStore *favorites() const { return m_favorites; }
    OrderStore *order() const { return m_order; }

    // Connection.
    /// Connects to the stored bridge; does nothing while a connection task exists.
    void start();
    /// Reloads everything when connected and ready.
    void refresh();
    /// Drops the pairing: key, stored record, home; back to unpaired.
    void forgetBridge();

    // Commands; each shows at once and never throws.
    void setLight(const QString &lightID, const HueLightCommand &command);
    void setGroup(const HueGroup &group, const HueLightCommand &command);
    void recall(const HueScene &scene);
    /// Nothing on success, otherwise the message to show.
    QCoro::Task<std::optional<QString>> saveScene(QString name, HueGroup group);
    void overwriteScene(const HueScene &scene);
    void deleteScene(const HueScene &scene);
    /// The name trimmed of white space and line breaks; nothing when that is
    /// empty or longer than 32 characters as a reader counts them.
    static std::optional<QString> sceneName(const QString &raw);

    // Pairing.
    void searchBridges();
    void pair(const QString &host);
    void cancelPairing();
    /// "lumora#" and up to 19 printable ASCII characters of the device name.
    static QString deviceType(const QString &name);

Q_SIGNALS:
    void phaseChanged();
    void bridgeChanged();
    void pairingStepChanged();
    void discoveredBridgesChanged();
    void commandErrorChanged();
    /// A command failed, also when it failed as the one before did and
    /// `commandError` stays the same.
    void commandFailed();
    /// The home (or its holds) changed.
    void homeChanged();
    /// A connection's request for the whole home has passed its TLS
    /// handshake and is on its way to the bridge: from here the listing
    /// arrives without this thread's help. The start-up waits for it before
    /// it loads the screens. (Not reported when the request finds an open
    /// connection and needs no handshake.)
    void homeRequested();

private:
    /// One long-running job: a token the job checks and that replacing or
    /// stopping the slot cancels.
    struct TaskSlot
    {
        std::optional<HueCancellationToken> token;
        HueCancellationToken start();
        void cancel();
        bool isActive() const { return token.has_value(); }
        /// Clears the slot if it still holds `finished` (a job ending by itself).
        void finish(const HueCancellationToken &finished);
    };

    void setPhase(Phase phase);
    void setBridge(std::optional<PairedBridge> bridge);
    void setPairingStep(PairingStep step);
    void setDiscoveredBridges(QList<DiscoveredBridge> bridges);
    void setCommandError(std::optional<QString> error);
    void replaceHome(const QList<HueResource> &resources);

    /// Whether a result obtained with `client` while `bridge` was paired
    /// still belongs here: the client is still the store's and the paired
    /// bridge has not changed. Results of forgotten or replaced connections
    /// are dropped, so another bridge's home or errors never show.
    bool owns(const HueBridgeClient &client, const std::optional<PairedBridge> &bridge) const;

    void connectTo(const PairedBridge &bridge, const QString &key);
    void scheduleRelease();
    /// Runs a reload with `client` on its own; a failed one is repaired.
    void reloadDetached(HueBridgeClient client);
    /// Reloads again, with pauses, until a reload succeeds (one loop at a time).
    void repairHome();
    static QCoro::Task<void> runRepair(QPointer<HueStore> self, HueCancellationToken token);

    using Request = std::function<QCoro::Task<void>(HueBridgeClient, HueCancellationToken)>;
    /// Runs `request` with the current client under the outcome rule.
    void runCommand(Request request, bool reloadAfterwards = false);

    static QCoro::Task<void> loadKeyAndConnect(QPointer<HueStore> self, PairedBridge remembered,
                                               HueCancellationToken token);
    static QCoro::Task<void> runConnection(QPointer<HueStore> self, QString key, HueCancellationToken token);
    static QCoro::Task<void> reloadThrowing(QPointer<HueStore> self, HueBridgeClient client,
                                            HueCancellationToken token);
    static QCoro::Task<void> reloadIgnoringFailure(QPointer<HueStore> self, HueBridgeClient client,
                                                   HueCancellationToken token);
    /// Takes a new address of the paired bridge from discovery, but only one
    /// at which the bridge proved who it is over HTTPS.
    static QCoro::Task<void> adoptNewAddressIfMoved(QPointer<HueStore> self, HueCancellationToken token);
    static QCoro::Task<void> applyOutcome(QPointer<HueStore> self, Request request, bool reloadAfterwards,
                                          HueCancellationToken token);
    static QCoro::Task<void> releaseAfter(QPointer<HueStore> self, Duration delay, HueCancellationToken token);
    static QCoro::Task<void> search(QPointer<HueStore> self, HueCancellationToken token);
    static QCoro::Task<void> pairWith(QPointer<HueStore> self, QString host, HueCancellationToken token);
    static QCoro::Task<QString> waitForKey(HueBridgeClient client, QString deviceType, Duration pause,
                                           HueCancellationToken token);
    /// Sleeps; an interrupted sleep is not an error here, the caller's loop decides.
    static QCoro::Task<void> sleepQuietly(HueCancellationToken token, Duration delay);

    static EditableHome::Instant now() { return EditableHome::Clock::now(); }

    std::shared_ptr<QSettings> m_defaults;
    Environment m_environment;
    FavoritesStore *m_favorites;
    OrderStore *m_order;
    CommandCoalescer *m_coalescer;

    Phase m_phase;
    std::optional<PairedBridge> m_bridge;
    PairingStep m_pairingStep;
    QList<DiscoveredBridge> m_discoveredBridges;
    std::optional<QString> m_commandError;
    EditableHome m_editable;
    mutable HomeSnapshot m_snapshot;
    std::optional<HueBridgeClient> m_client;
    quint64 m_repairsWanted = 0;
    bool m_repairing = false;

    TaskSlot m_connectionTask;
    TaskSlot m_pairingTask;
    TaskSlot m_releaseTask;
    /// Cancelled when the store goes away, so that one-shot requests and
    /// reloads still running then stop instead of outliving it.
    HueCancellationToken m_lifetime;
};
