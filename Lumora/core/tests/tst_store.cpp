// The store against the bridge simulator over real TLS on loopback: the
// connection loop, live events, commands and pairing, with short delays.
#include "BridgeFixture.h"
#include "HueBridgeError.h"
#include "HueBridgeSession.h"
#include "HueText.h"
#include "SimCertificates.h"
#include "SimulatedBridge.h"
#include "StoreTestSupport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include <chrono>

using namespace Qt::StringLiterals;
using namespace StoreTestSupport;
using namespace std::chrono_literals;

namespace {

const QString colorLight = BridgeFixture::colorLight2;
const QString ambianceLight = BridgeFixture::temperatureLight;

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_sim = std::make_unique<SimulatedBridge>();
        QVERIFY2(m_sim->error.isEmpty(), qPrintable(m_sim->error));
        m_sim->setEventInterval(50);
        m_sim->setLinkButtonWindow(30'000);
        m_defaults = std::make_unique<TemporarySettings>();
        m_keys = std::make_shared<FakeKeys>();
        m_discovery = std::make_shared<FakeDiscovery>();
        m_delayAttempts = std::make_shared<QList<int>>();
        m_sessions = std::make_shared<QList<std::shared_ptr<HueBridgeSession>>>();
    }
    void cleanup()
    {
        m_sim.reset();
        m_defaults.reset();
    }

    void startsReadyWithTheHome()
    {
        auto store = pairedStore();
        QSignalSpy phases(store.get(), &HueStore::phaseChanged);
        m_sim->addFault(SimFault::delay(450).onPath(u"^/eventstream"_s).times(1));
        store->start();
        store->start();
        QTRY_COMPARE_WITH_TIMEOUT(store->phase(), HueStore::Phase::ready(), 10000);
        QCOMPARE(m_keys->loads, 1);
        QVERIFY(store->home().light(colorLight));
        QCOMPARE(phases.count(), 1); // connecting was already the phase
        QTRY_COMPARE_WITH_TIMEOUT(m_sim->eventStreamCount(), 1, 5000);
        QCOMPARE(listings(), 1);
        // The listing is asked for only once the (slow) stream is open, so no
        // change can fall between the two.
        const SimRequest stream = requests(u"GET"_s, u"/eventstream/clip/v2"_s).first();
        const SimRequest listing = requests(u"GET"_s, u"/clip/v2/resource"_s).first();
        QVERIFY2(stream.time.msecsTo(listing.time) >= 400, qPrintable(listing.time.toString(u"ss.zzz"_s)));
    }
    void reconnectsAfterTheBridgeWentAway()
    {
        // The very first failed listing stays invisible and is simply tried again.
        m_sim->addFault(SimFault::respond(503).onPath(u"^/clip/v2/resource$"_s).times(1));
        auto store = pairedStore();
        QList<HueStorePhase> seen;
        connect(store.get(), &HueStore::phaseChanged, this, [&] { seen.append(store->phase()); });
        store->start();
        QTRY_COMPARE_WITH_TIMEOUT(store->phase(), HueStore::Phase::ready(), 10000);
        QCOMPARE(seen, QList<HueStorePhase>{HueStore::Phase::ready()});
        QCOMPARE(listings(), 2);
        QCOMPARE(*m_delayAttempts, QList<int>{1});

        m_sim->goDown();
        QTRY_VERIFY_WITH_TIMEOUT(store->phase().kind == HueStorePhase::Kind::unreachable, 10000);
        QVERIFY(!store->phase().message.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(m_delayAttempts->size() >= 5, 10000);
        // After the drop: 1; the failed reload reports and waits 2, 2, then 6.
        QCOMPARE(m_delayAttempts->mid(1, 4), (QList<int>{1, 2, 3, 4}));

        QVERIFY(m_sim->comeBack());
        QTRY_COMPARE_WITH_TIMEOUT(store->phase(), HueStore::Phase::ready(), 10000);
        QCOMPARE(seen.at(1).kind, HueStorePhase::Kind::unreachable);
        QCOMPARE(seen.last(), HueStore::Phase::ready());
    }
    void addressMovesOnlyToTheProvenBridge_data()
    {
        QTest::addColumn<QString>("spoofID");
        QTest::addColumn<bool>("trustedRoot"); // the spoof's leaf issued by the root the store trusts
        QTest::addColumn<bool>("bridgeMoves");
        QTest::newRow("paired id from another root") << QString() << false << false;
        QTest::newRow("another bridge's certificate") << u"001788FFFE000001"_s << true << false;
        QTest::newRow("real move behind a spoof") << u"001788FFFE000001"_s << true << true;
    }
    void addressMovesOnlyToTheProvenBridge()
    {
        QFETCH(QString, spoofID);
        QFETCH(bool, trustedRoot);
        QFETCH(bool, bridgeMoves);
        // A root of the test's own, so that the spoof can hold a leaf from it.
        const SimIdentity root = SimCertificates::makeRoot();
        if (spoofID.isEmpty())
            spoofID = m_sim->bridgeId();
        m_sim->setServerIdentity(SimCertificates::makeBridgeLeaf(root, m_sim->bridgeId()));
        auto store = readyStore();
        QVERIFY(store);
        const PairedBridge paired = *store->bridge();

        // Announced first with the paired id: a server on the bridge's port
        // at another address, with another identity.
        BridgeSimulator spoof;
        spoof.setBridgeId(spoofID);
        if (trustedRoot)
            spoof.setServerIdentity(SimCertificates::makeBridgeLeaf(root, spoofID));
        QVERIFY(spoof.start(QHostAddress(u"127.0.0.3"_s), m_sim->port()));
        m_discovery->result = {DiscoveredBridge{paired.name, paired.bridgeID, u"127.0.0.3"_s}};
        if (bridgeMoves) {
            QVERIFY(m_sim->moveTo(QHostAddress(u"127.0.0.2"_s)));
            m_discovery->result.append(DiscoveredBridge{paired.name, paired.bridgeID.toUpper(), u"127.0.0.2"_s});
            QTRY_COMPARE_WITH_TIMEOUT(store->bridge()->host, u"127.0.0.2"_s, 15000);
            QCOMPARE(PairedBridge::load(*m_defaults->settings), store->bridge());
            QTRY_COMPARE_WITH_TIMEOUT(store->phase(), HueStore::Phase::ready(), 10000);
        } else {
            m_sim->goDown();
            // The spoof was asked and refused, and the next pass's discovery
            // shows that the check it belonged to is over.
            QTRY_VERIFY_WITH_TIMEOUT(spoof.handshakeFailures() >= 1 && m_discovery->calls >= 2, 15000);
            QCOMPARE(store->bridge(), paired);
            QCOMPARE(PairedBridge::load(*m_defaults->settings), paired);
        }
        // No request, let alone the key, ever reached the spoof.
        QCOMPARE(spoof.receivedBytes(), 0);
    }
    void lightCommandsArePaced()
    {
        auto store = readyStore(true);
        QVERIFY(store);
        m_sim->clearRequestLog();
        // The first command goes out at once; two more given meanwhile show at
        // once and go out as one, a rest after it (a few milliseconds of slack
        // for the log's clock).
        store->setLight(colorLight, dim(10));
        QTRY_COMPARE_WITH_TIMEOUT(requests(u"PUT"_s, colorLight).size(), 1, 5000);
        store->setLight(colorLight, dim(20));
        store->setLight(colorLight, dim(30));
        QCOMPARE(store->home().light(colorLight)->brightness, 30.0);
        QTRY_COMPARE_WITH_TIMEOUT(requests(u"PUT"_s, colorLight).size(), 2, 5000);
        const auto sent = requests(u"PUT"_s, colorLight);
        QVERIFY2(sent[0].time.msecsTo(sent[1].time) >= 90, qPrintable(sent[1].time.toString(u"ss.zzz"_s)));
        QVERIFY2(sent[1].body.contains("\"brightness\":30"), sent[1].body.constData());
        // After the holds have ended the shown state is the bridge's, which is the last value.
        QTRY_VERIFY_WITH_TIMEOUT(store->editable().holds.isEmpty(), 5000);
        QCOMPARE(store->home().light(colorLight)->brightness, 30.0);
        QCOMPARE(m_sim->resource(colorLight)->value("dimming"_L1)["brightness"_L1].toDouble(), 30.0);
        QVERIFY(!store->commandError());
    }
    void failedCommandReportsAndReloads()
    {
        auto store = readyStore();
        QVERIFY(store);
        const double before = *store->home().light(colorLight)->brightness;
        m_sim->addFault(SimFault::respond(503, SimFault::Body::html).onMethod(u"PUT"_s).times(1));
        // The reload after the refusal fails too (a storm): it is tried again,
        // or the refused value would stay while the event stream stays open.
        m_sim->addFault(SimFault::respond(503).onMethod(u"GET"_s).onPath(u"^/clip/v2/resource$"_s).times(1));
        m_sim->addFault(SimFault::delay(1000).onPath(u"^/clip/v2/resource$"_s).times(1));

        store->setLight(colorLight, dim(3.0));
        QCOMPARE(store->home().light(colorLight)->brightness, 3.0);
        QTRY_VERIFY_WITH_TIMEOUT(store->commandError(), 5000);
        QCOMPARE(*store->commandError(), HueBridgeError::http(503).errorDescription());
        QTRY_COMPARE_WITH_TIMEOUT(listings(), 3, 5000);
        // Another reload fails while that one is under way: its success is
        // older than the latest failure, so one more follows.
        m_sim->addFault(SimFault::respond(503).onPath(u"^/clip/v2/resource$"_s).times(1));
        store->refresh();
        QTRY_COMPARE_WITH_TIMEOUT(listings(), 5, 5000);
        // Once the hold has ended, the bridge's real state is shown again.
        QTRY_COMPARE_WITH_TIMEOUT(store->home().light(colorLight)->brightness, before, 5000);

        // The next success clears the message.
        store->setLight(colorLight, power(true));
        QTRY_VERIFY_WITH_TIMEOUT(!store->commandError(), 5000);
        QCOMPARE(store->phase(), HueStore::Phase::ready());

        // A command the bridge refuses as unauthorized forgets the pairing.
        m_sim->addFault(SimFault::respond(403).onMethod(u"PUT"_s).times(1));
        store->setLight(colorLight, power(false));
        QTRY_COMPARE_WITH_TIMEOUT(store->phase(), HueStore::Phase::unpaired(), 5000);
        QVERIFY(!PairedBridge::load(*m_defaults->settings));
    }
    void scenes()
    {
        auto store = readyStore();
        QVERIFY(store);
        const HueGroup room = store->home().rooms().first();

        // A room without lights.
        HueGroup empty = room;
        empty.id = u"no-such-room"_s;
        empty.name = u"Attic"_s;
        QCOMPARE(QCoro::waitFor(store->saveScene(u"Evening"_s, empty)),
                 HueText::tr(u"In Attic gibt es keine Lampen."_s, u"There are no lights in Attic."_s));

        // Saved from the room's current light under the trimmed name; it
        // appears after the reload.
        QCOMPARE(QCoro::waitFor(store->saveScene(u"  Evening  "_s, room)), std::nullopt);
        const auto posted = requests(u"POST"_s, u"/clip/v2/resource/scene"_s);
        QCOMPARE(posted.size(), 1);
        QVERIFY(posted.first().body.contains("\"name\":\"Evening\""));
        QTRY_COMPARE_WITH_TIMEOUT(store->home().group(room.id)->scenes.size(), room.scenes.size() + 1, 5000);

        // The bridge refusing the new scene: its message is returned, not stored.
        m_sim->addFault(
            SimFault::respond(507, SimFault::Body::jsonErrors, u"too many scenes"_s).onMethod(u"POST"_s).times(1));
        const auto refused = QCoro::waitFor(store->saveScene(u"One more"_s, room));
        QCOMPARE(refused, HueBridgeError::api(u"too many scenes"_s).errorDescription());
        QVERIFY(!store->commandError());
        QCOMPARE(store->phase(), HueStore::Phase::ready());
        // Refused as unauthorized: the pairing is forgotten as after any request.
        m_sim->addFault(SimFault::respond(403).onMethod(u"POST"_s));
        const auto forgotten = QCoro::waitFor(store->saveScene(u"One more"_s, room));
        QCOMPARE(forgotten, HueBridgeError::unauthorized().errorDescription());
        QCOMPARE(store->phase(), HueStore::Phase::unpaired());
    }
    void pairing()
    {
        // Never pressed: the button message after exactly 30 attempts.
        QCOMPARE(pairingFailure(15000),
                 HueText::tr(u"Der Knopf wurde nicht rechtzeitig gedrückt. Bitte noch einmal versuchen."_s,
                             u"The button was not pressed in time. Please try again."_s));
        QCOMPARE(requests(u"POST"_s, u"/api"_s).size(), 30);
        // Nothing answers at the address: the unreachable message names it and the cause.
        m_sim->goDown();
        const QString message = pairingFailure(15000);
        QVERIFY2(message.startsWith(HueText::tr(u"Die Bridge unter 127.0.0.1 ist nicht erreichbar. ("_s,
                                                u"The bridge at 127.0.0.1 cannot be reached. ("_s))
                     && message.endsWith(u")"_s) && message.size() > 50,
                 qPrintable(message));
        QVERIFY(m_sim->comeBack());
        // Pressed, but the key store refuses: nothing is stored, nothing connects.
        m_keys->refuseSaves = true;
        m_sim->pressLinkButton();
        QCOMPARE(pairingFailure(10000),
                 HueText::tr(u"Der Schlüssel konnte nicht im Schlüsselbund gespeichert werden."_s,
                             u"The key could not be saved to the keyring."_s));
        QVERIFY(!PairedBridge::load(*m_defaults->settings));
        QCOMPARE(bridgeRequests(), 0);

        // Pressed and stored: the typed address without its blanks, and the
        // bridge's own id and name; then the store connects.
        m_keys->refuseSaves = false;
        HueStore store(m_defaults->settings, environment());
        QCOMPARE(store.phase(), HueStore::Phase::unpaired());
        store.pair(u"  127.0.0.1\t"_s);
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::waitingForButton());
        QTRY_COMPARE_WITH_TIMEOUT(store.phase(), HueStore::Phase::ready(), 10000);
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::idle());
        const PairedBridge bridge{m_sim->bridgeId(), m_sim->name(), u"127.0.0.1"_s};
        QCOMPARE(PairedBridge::load(*m_defaults->settings), bridge);
        QCOMPARE(m_keys->keys.keys(), QStringList{bridge.bridgeID});
    }
    void cancelledPairingStaysQuiet()
    {
        HueStore store(m_defaults->settings, environment());
        store.pair(u"127.0.0.1"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!requests(u"POST"_s, u"/api"_s).isEmpty(), 5000);
        store.cancelPairing();
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::idle());
        const int connection = requests(u"POST"_s, u"/api"_s).last().connection;
        const auto onConnection = [&] {
            const auto posts = requests(u"POST"_s, u"/api"_s);
            return std::count_if(posts.cbegin(), posts.cend(),
                                 [&](const SimRequest &request) { return request.connection == connection; });
        };
        const auto attempts = onConnection();
        letPairingAttemptsPass(20);
        // No message later, and at most the attempt already on its way.
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::idle());
        QVERIFY(onConnection() <= attempts + 1);
    }
    void searchRetriesUntilPairing()
    {
        HueStore store(m_defaults->settings, environment());
        store.searchBridges();
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::searching());
        QTRY_VERIFY_WITH_TIMEOUT(m_discovery->calls >= 3, 5000);
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::idle());
        QVERIFY(store.discoveredBridges().isEmpty());

        // Pairing stops the search, and a search never interrupts a pairing.
        // Twenty pairing attempts (the store's and the pacer's, every 20 ms)
        // span two search retries (every 100 ms).
        store.pair(u"127.0.0.1"_s);
        const int calls = m_discovery->calls;
        store.searchBridges();
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::waitingForButton());
        letPairingAttemptsPass(20);
        QCOMPARE(m_discovery->calls, calls);
        store.cancelPairing();

        // A search that finds a bridge delivers it and stops.
        m_discovery->result = {DiscoveredBridge{u"Hue Bridge - 6A5C3B"_s, u"001788fffe6a5c3b"_s, u"127.0.0.1"_s}};
        store.searchBridges();
        QTRY_COMPARE_WITH_TIMEOUT(store.discoveredBridges(), m_discovery->result, 5000);
        QCOMPARE(store.pairingStep(), HueStore::PairingStep::idle());
        const int afterFound = m_discovery->calls;
        letPairingAttemptsPass(20);
        QCOMPARE(m_discovery->calls, afterFound);
    }
    void destroyingTheStoreStopsEverything()
    {
        auto store = readyStore(true);
        QVERIFY(store);
        m_sim->addFault(SimFault::stall().onMethod(u"PUT"_s));
        store->setLight(colorLight, power(true));
        store->searchBridges();
        QTRY_VERIFY_WITH_TIMEOUT(!requests(u"PUT"_s, colorLight).isEmpty(), 5000);

        store.reset();
        // The stream and the stalled request are dropped; nothing runs on.
        QTRY_COMPARE_WITH_TIMEOUT(m_sim->eventStreamCount(), 0, 5000);
        const int discoveries = m_discovery->calls;
        verifyBridgeStaysQuiet(25);
        QCOMPARE(m_discovery->calls, discoveries);
    }
    void faultStormsNeverLoseThePairing()
    {
        auto store = readyStore(true);
        QVERIFY(store);
        // Garbage on the stream: broken JSON and events of unknown shape (each
        // kind of damage is the parser's table). None of it is shown or fatal.
        m_sim->sendRawEventBytes("id: 1:0\ndata: [{\"type\":\"update\",\"data\":[{\"id\":\n\n");
        m_sim->sendEventContainers(QJsonArray{QJsonObject{{"type"_L1, u"update"_s}, {"data"_L1, 5}}, 7});
        // A real change sent after it shows: the stream was read past all of
        // it. It arrives live, not by a reload.
        const bool wasOn = store->home().light(ambianceLight)->isOn;
        QVERIFY(m_sim->changeFromOutside(ambianceLight, QJsonObject{{"on"_L1, QJsonObject{{"on"_L1, !wasOn}}}}));
        QTRY_COMPARE_WITH_TIMEOUT(store->home().light(ambianceLight)->isOn, !wasOn, 5000);
        QCOMPARE(store->phase(), HueStore::Phase::ready());
        QCOMPARE(listings(), 1);

        // A light the home has never seen cannot be placed: the store reloads.
        m_sim->sendEventContainers(
            QJsonArray{QJsonObject{{"type"_L1, u"update"_s},
                                   {"data"_L1, QJsonArray{QJsonObject{{"id"_L1, u"x"_s}, {"type"_L1, u"light"_s}}}}}});
        QTRY_COMPARE_WITH_TIMEOUT(listings(), 2, 5000);

        // Failing commands are reported, then a storm of refusals, HTML pages
        // and resets while the stream is dropped again and again.
        m_sim->addFault(SimFault::respond(500, SimFault::Body::empty).onMethod(u"PUT"_s).times(3));
        for (int i = 0; i < 3; ++i)
            store->setLight(colorLight, dim(10.0 + i));
        QTRY_VERIFY_WITH_TIMEOUT(store->commandError(), 10000);
        m_sim->addFault(SimFault::respond(429).onPath(u"^/clip/v2/resource$"_s).times(2));
        m_sim->addFault(SimFault::html(503).onPath(u"^/clip/v2/resource$"_s).times(2));
        m_sim->addFault(SimFault::closeConnection().onPath(u"^/clip/v2/resource$"_s).times(1));
        m_sim->abortEventStreams();
        QTRY_VERIFY_WITH_TIMEOUT(store->phase().kind == HueStorePhase::Kind::unreachable, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(store->phase(), HueStore::Phase::ready(), 15000);
        QVERIFY(store->bridge());
        QVERIFY(PairedBridge::load(*m_defaults->settings));
        QVERIFY(m_keys->deleted.isEmpty());
        QVERIFY(store->home().light(colorLight));
    }
    void forgetBridgeStopsAWaitingLoad()
    {
        m_sim->addFault(SimFault::stall().onPath(u"^/clip/v2/resource$"_s));
        auto store = pairedStore();
        store->start();
        QTRY_COMPARE_WITH_TIMEOUT(listings(), 1, 5000);
        store->forgetBridge();
        m_sim->clearFaults();
        verifyBridgeStaysQuiet(20);
        QCOMPARE(store->phase(), HueStore::Phase::unpaired());
        QVERIFY(!store->bridge());
    }
    void staleResultsAreDropped_data()
    {
        QTest::addColumn<bool>("command");
        QTest::newRow("reload") << false;
        QTest::newRow("failing command") << true;
    }
    void staleResultsAreDropped()
    {
        QFETCH(bool, command);
        auto store = readyStore();
        QVERIFY(store);
        QStringList answered; // paths of the requests whose answer has arrived
        connect(m_sessions->last()->manager(), &QNetworkAccessManager::finished, this,
                [&answered](QNetworkReply *reply) { answered.append(reply->url().path()); });
        const QString path = command ? u"/clip/v2/resource/light/"_s + colorLight : u"/clip/v2/resource"_s;
        if (command) {
            m_sim->addFault(SimFault::stall().onMethod(u"PUT"_s));
            store->setLight(colorLight, power(false));
            QTRY_COMPARE_WITH_TIMEOUT(requests(u"PUT"_s, path).size(), 1, 5000);
        } else {
            m_sim->addFault(SimFault::delay(300).onPath(u"^/clip/v2/resource$"_s).times(1));
            store->refresh();
            QTRY_COMPARE_WITH_TIMEOUT(listings(), 2, 5000);
        }

        // The bridge is forgotten while the request is under way; its answer (a
        // late home, or a failure) arrives afterwards and must change nothing.
        store->forgetBridge();
        QSignalSpy homes(store.get(), &HueStore::homeChanged);
        if (command) {
            // Qt sends the request again on a closed connection; both fail.
            m_sim->clearFaults();
            m_sim->addFault(SimFault::respond(503).onMethod(u"PUT"_s));
            m_sim->closeConnections();
        }
        QTRY_VERIFY_WITH_TIMEOUT(answered.contains(path), 5000);
        QCoreApplication::sendPostedEvents(); // resumes the request's coroutine
        QVERIFY(store->home().isEmpty());
        QCOMPARE(homes.count(), 0);
        QVERIFY(!store->commandError());
        QCOMPARE(store->phase(), HueStore::Phase::unpaired());
    }

private:
    HueStore::Environment environment()
    {
        HueStore::Environment environment;
        environment.keys = keyStore(m_keys);
        // Clients trust the simulator's root and reach it on its port; everything
        // else is what the application uses.
        environment.makeClient = [root = m_sim->rootCertificate(), port = m_sim->port(), sessions = m_sessions](
                                     QString host, std::optional<QString> bridgeID, std::optional<QString> key) {
            HueBridgeSession::Options options;
            options.expectedBridgeID = std::move(bridgeID);
            options.trustAnchor = root;
            options.port = port;
            sessions->append(HueBridgeSession::create(options));
            return HueBridgeClient(std::move(host), std::move(key), sessions->last());
        };
        environment.discover = [discovery = m_discovery] { return fakeDiscover(discovery); };
        environment.deviceName = [] { return u"Test Desk #2"_s; };
        environment.searchRetryDelay = 100ms;
        environment.linkButtonPause = 20ms;
        // The standard sequence, scaled down twenty times, and recorded.
        environment.reconnectDelay = [attempts = m_delayAttempts](int attempt) {
            attempts->append(attempt);
            return HueStore::standardReconnectDelay(attempt) / 20;
        };
        return environment;
    }
    std::unique_ptr<HueStore> pairedStore()
    {
        const PairedBridge bridge{m_sim->bridgeId().toLower(), m_sim->name(), u"127.0.0.1"_s};
        bridge.save(*m_defaults->settings);
        m_keys->keys.insert(bridge.bridgeID, m_sim->key);
        return std::make_unique<HueStore>(m_defaults->settings, environment());
    }
    /// A paired store, started and ready (with `streamOpen` also reading
    /// events), or nothing when it did not get there in time.
    std::unique_ptr<HueStore> readyStore(bool streamOpen = false)
    {
        auto store = pairedStore();
        store->start();
        const bool ready = QTest::qWaitFor([&] { return store->phase() == HueStore::Phase::ready(); }, 10000)
                           && (!streamOpen || QTest::qWaitFor([&] { return m_sim->eventStreamCount() == 1; }, 5000));
        return ready ? std::move(store) : nullptr;
    }
    /// A fresh store's pairing with the simulator, until it fails: its message.
    QString pairingFailure(int timeout)
    {
        HueStore store(m_defaults->settings, environment());
        store.pair(u"127.0.0.1"_s);
        if (!QTest::qWaitFor([&] { return store.pairingStep().kind == HueStorePairingStep::Kind::failed; }, timeout))
            return u"(still %1)"_s.arg(int(store.pairingStep().kind));
        return store.pairingStep().message;
    }
    QList<SimRequest> requests(const QString &method, const QString &pathPart) const
    {
        QList<SimRequest> log = m_sim->requestLog();
        log.removeIf([&](const SimRequest &r) { return r.method != method || !r.path().contains(pathPart); });
        return log;
    }
    /// How often the whole home was listed.
    qsizetype listings() const { return requests(u"GET"_s, u"/clip/v2/resource"_s).size(); }
    /// Paces a "nothing more happens" check by the store's own timers: another
    /// store's pairing makes `count` attempts 20 ms apart on the same event
    /// loop, which covers the reconnect, search and pairing periods however
    /// loaded the machine is.
    void letPairingAttemptsPass(int count)
    {
        TemporarySettings settings;
        HueStore pacer(settings.settings, environment());
        const qsizetype before = requests(u"POST"_s, u"/api"_s).size();
        pacer.pair(u"127.0.0.1"_s);
        QVERIFY(QTest::qWaitFor([&] { return requests(u"POST"_s, u"/api"_s).size() >= before + count; }, 30000));
        pacer.cancelPairing();
    }
    /// No store with a bridge asks it anything while `count` pairing attempts pass.
    void verifyBridgeStaysQuiet(int count)
    {
        const auto before = bridgeRequests();
        letPairingAttemptsPass(count);
        QCOMPARE(bridgeRequests(), before);
    }
    /// Requests a store with a bridge makes (the pacer only asks /api).
    qsizetype bridgeRequests() const
    {
        const QList<SimRequest> log = m_sim->requestLog();
        return std::count_if(log.cbegin(), log.cend(), [](const SimRequest &r) { return r.path().contains(u"/clip"); });
    }

    std::unique_ptr<SimulatedBridge> m_sim;
    std::unique_ptr<TemporarySettings> m_defaults;
    std::shared_ptr<FakeKeys> m_keys;
    std::shared_ptr<FakeDiscovery> m_discovery;
    std::shared_ptr<QList<int>> m_delayAttempts;
    /// Every session a client was made with, the newest last.
    std::shared_ptr<QList<std::shared_ptr<HueBridgeSession>>> m_sessions;
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
