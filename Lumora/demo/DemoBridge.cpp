#include "DemoBridge.h"

#include "BridgeSimulator.h"
#include "DemoHome.h"
#include "DemoOutsideChange.h"
#include "LumoraLogging.h"
#include "SimHome.h"

#include <QCoro/QCoroTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QSslCertificate>
#include <QStandardPaths>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// Sixteen letters and digits from the system's random source (about 95 bits).
QString secretDeviceName()
{
    const auto alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"_L1;
    QString name;
    for (int i = 0; i < 16; ++i)
        name.append(alphabet.at(qsizetype(QRandomGenerator::system()->bounded(quint32(alphabet.size())))));
    return name;
}

} // namespace

/// What the store's services need of the demo, shared with them so that they
/// outlive the demo bridge without pointing into it.
struct DemoBridgeShared
{
    /// The demo's settings, which also keep its application keys: the key of
    /// a bridge that lives in this process only is no secret worth the
    /// credential store, and with it the next start opens the home directly.
    std::shared_ptr<QSettings> settings;
    /// The device name the demo's own pairing sends, a secret of this
    /// process: the bridge listens on loopback, where any local user can
    /// reach it, and gives a key only to a pairing request that carries it.
    QString deviceName = secretDeviceName();
    bool isOwn(const QString &deviceType) const { return deviceType == HueStore::deviceType(deviceName); }
    QSslCertificate root;
    quint16 port = 0;
    bool listening = false;
    DemoBridge::Duration discoveryTime{0};
};

namespace {

/// Where the demo's settings keep its application keys, by bridge id.
const auto keyGroup = "demoBridgeKeys/"_L1;

QCoro::Task<std::optional<QString>> loadKey(std::shared_ptr<DemoBridgeShared> shared, QString account)
{
    const QVariant key = shared->settings->value(keyGroup + account);
    if (key.typeId() == QMetaType::QString && !key.toString().isEmpty())
        co_return key.toString();
    co_return std::nullopt;
}

QCoro::Task<bool> saveKey(std::shared_ptr<DemoBridgeShared> shared, QString key, QString account)
{
    shared->settings->setValue(keyGroup + account, key);
    shared->settings->sync();
    co_return shared->settings->status() == QSettings::NoError;
}

QCoro::Task<void> deleteKey(std::shared_ptr<DemoBridgeShared> shared, QString account)
{
    shared->settings->remove(keyGroup + account);
    shared->settings->sync();
    co_return;
}

/// Answers as a browse of the network would, after a browse's time, but
/// only from here: not one multicast packet is sent.
QCoro::Task<QList<DiscoveredBridge>> discover(std::shared_ptr<DemoBridgeShared> shared)
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(shared->discoveryTime);
    co_await timer;
    QList<DiscoveredBridge> found;
    if (shared->listening) {
        // The id as a bridge announces it in its TXT record: lower case.
        found.append(DiscoveredBridge{DemoBridge::bridgeName(), DemoBridge::bridgeID().toLower(), u"127.0.0.1"_s});
    }
    co_return found;
}

bool isLoopback(const QString &host)
{
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

} // namespace

QString DemoBridge::bridgeID()
{
    return u"001788FFFEDE0A11"_s;
}

QString DemoBridge::bridgeName()
{
    return u"Hue Bridge (Demo)"_s;
}

QString DemoBridge::defaultSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u"/demo.ini"_s;
}

DemoBridge::DemoBridge(QObject *parent)
    : DemoBridge(Options{}, parent)
{
}

DemoBridge::DemoBridge(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_simulator(std::make_unique<BridgeSimulator>())
    , m_shared(std::make_shared<DemoBridgeShared>())
    , m_settings(std::make_shared<QSettings>(
          m_options.settingsPath.isEmpty() ? defaultSettingsPath() : m_options.settingsPath, QSettings::IniFormat))
    , m_random(QRandomGenerator::global()->generate())
{
    m_shared->discoveryTime = m_options.discoveryTime;
    m_shared->settings = m_settings;
    m_simulator->setBridgeId(bridgeID());
    m_simulator->setName(bridgeName());
    // The demo runs for hours with sliders sending many requests a second;
    // the log is for diagnostics and need not keep them all.
    m_simulator->setRequestLogLimit(1000);
    m_simulator->setPairingFilter([shared = m_shared](const QString &deviceType) { return shared->isOwn(deviceType); });

    m_linkButtonTimer.setSingleShot(true);
    connect(&m_linkButtonTimer, &QTimer::timeout, this, [this] {
        qCDebug(lcDemo) << "pressing the link button";
        m_simulator->pressLinkButton();
    });
    m_outsideChangeTimer.setSingleShot(true);
    // A coarse timer may fire a little early, and the pace would then skip a round.
    m_outsideChangeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_outsideChangeTimer, &QTimer::timeout, this, [this] {
        changeSomething();
        if (m_simulator->eventStreamCount() > 0)
            scheduleOutsideChange();
    });

    connect(m_simulator.get(), &BridgeSimulator::requestReceived, this,
            [this](const SimRequest &request) { onRequest(request); });
    connect(m_simulator.get(), &BridgeSimulator::eventStreamsChanged, this, &DemoBridge::onEventStreams);
}

DemoBridge::~DemoBridge()
{
    m_shared->listening = false;
    // The simulator reports its closing streams while it goes; nobody here
    // may hear that any more.
    m_simulator->disconnect(this);
    m_simulator.reset();
}

bool DemoBridge::start(QString *error)
{
    if (m_simulator->isListening())
        return true;
    m_simulator->setResources(DemoHome::resources(m_options.german));
    // The keys of earlier runs open the home again without pairing.
    m_settings->beginGroup(keyGroup);
    for (const QString &account : m_settings->childKeys()) {
        if (const QVariant key = m_settings->value(account);
            key.typeId() == QMetaType::QString && !key.toString().isEmpty())
            m_simulator->addApplicationKey(key.toString());
    }
    m_settings->endGroup();
    if (!m_simulator->start(QHostAddress::LocalHost, 0, error))
        return false;
    m_shared->root = m_simulator->rootCertificate();
    m_shared->port = m_simulator->port();
    m_shared->listening = true;
    qCDebug(lcDemo) << "demo bridge listening on port" << m_shared->port;
    return true;
}

HueStore::Environment DemoBridge::environment() const
{
    HueStore::Environment environment;
    const std::shared_ptr<DemoBridgeShared> shared = m_shared;
    environment.keys = BridgeKeyStore{
        [shared](QString account) { return loadKey(shared, std::move(account)); },
        [shared](QString key, QString account) { return saveKey(shared, std::move(key), std::move(account)); },
        [shared](QString account) { return deleteKey(shared, std::move(account)); },
    };
    environment.makeClient = [shared](QString host, std::optional<QString> bridgeID, std::optional<QString> key) {
        HueBridgeSession::Options options;
        options.expectedBridgeID = std::move(bridgeID);
        options.trustAnchor = shared->root;
        // Only a loopback address reaches the demo bridge. Any other address
        // has no bridge in the demo: its client goes to port 0 of this
        // machine, which refuses at once, so nothing leaves loopback.
        if (isLoopback(host)) {
            options.port = shared->port;
            return HueBridgeClient(std::move(host), std::move(key), HueBridgeSession::create(std::move(options)));
        }
        options.port = quint16(0);
        return HueBridgeClient(u"127.0.0.1"_s, std::move(key), HueBridgeSession::create(std::move(options)));
    };
    environment.discover = [shared] { return discover(shared); };
    environment.deviceName = [shared] { return shared->deviceName; };
    return environment;
}

void DemoBridge::onRequest(const SimRequest &request)
{
    if (request.method == "PUT"_L1)
        noteUserChange(request.path());
    // One press per series of pairing requests, a few seconds into it, as a
    // person walking over to the bridge would.
    // Only the demo's own requests count: anyone else on this machine could
    // otherwise have the button pressed for them.
    if (request.method == "POST"_L1 && request.path() == "/api"_L1 && !m_simulator->isLinkButtonPressed()
        && !m_linkButtonTimer.isActive()
        && m_shared->isOwn(QJsonDocument::fromJson(request.body).object().value("devicetype"_L1).toString())) {
        m_linkButtonTimer.start(m_options.linkButtonDelay);
    }
}

void DemoBridge::onEventStreams(int count)
{
    // Changes are made only while someone listens: the bridge replays none.
    if (count == 0)
        m_outsideChangeTimer.stop();
    else if (!m_outsideChangeTimer.isActive())
        scheduleOutsideChange();
}

void DemoBridge::scheduleOutsideChange()
{
    if (m_options.outsideChangeInterval <= Duration::zero())
        return;
    const double factor = 1.0 + 0.5 * m_random.generateDouble();
    m_outsideChangeTimer.start(Duration(qint64(double(m_options.outsideChangeInterval.count()) * factor)));
}

void DemoBridge::noteUserChange(const QString &path)
{
    // Commands go to /clip/v2/resource/<type>/<id>; whoever sends them is
    // the user as far as the demo goes.
    const QStringList parts = path.split(u'/');
    if (parts.size() != 6 || parts.at(1) != "clip"_L1 || parts.at(3) != "resource"_L1)
        return;
    const QString &type = parts.at(4);
    const QString &id = parts.at(5);
    QStringList lights;
    if (type == "light"_L1) {
        lights.append(id);
    } else if (type == "grouped_light"_L1) {
        lights = m_simulator->home().lightsOf(id);
    } else if (type == "scene"_L1) {
        const QJsonArray actions = m_simulator->resource(id).value_or(QJsonObject{}).value("actions"_L1).toArray();
        for (const QJsonValue &action : actions)
            lights.append(action["target"_L1]["rid"_L1].toString());
    }
    const Clock::time_point time = now();
    for (const QString &light : std::as_const(lights))
        m_userChanges.insert(light, time);
}

bool DemoBridge::isQuietOrUnreachable(const QString &lightID, const QSet<QString> &quiet) const
{
    if (quiet.contains(lightID))
        return true;
    // A light out of reach keeps its last state, whatever happens at home.
    const QString device = m_simulator->resource(lightID).value_or(QJsonObject{})["owner"_L1]["rid"_L1].toString();
    const QJsonArray services = m_simulator->resource(device).value_or(QJsonObject{}).value("services"_L1).toArray();
    for (const QJsonValue &service : services) {
        if (service["rtype"_L1] == "zigbee_connectivity"_L1) {
            const std::optional<QJsonObject> link = m_simulator->resource(service["rid"_L1].toString());
            return link && link->value("status"_L1) != "connected"_L1;
        }
    }
    return false;
}

std::optional<QString> DemoBridge::changeSomething()
{
    const Clock::time_point time = now();
    if (m_lastOutsideChange && time - *m_lastOutsideChange < m_options.outsideChangeInterval)
        return std::nullopt;
    // The lights the user changed within the quiet time, and every light
    // that shares a room or zone with one of them.
    for (auto it = m_userChanges.begin(); it != m_userChanges.end();)
        it = time - it.value() >= quietTime ? m_userChanges.erase(it) : std::next(it);
    QSet<QString> quiet;
    for (const QString &type : {u"room"_s, u"zone"_s}) {
        for (const QString &group : m_simulator->resourceIds(type)) {
            const QStringList members = m_simulator->home().lightsOf(group);
            if (std::any_of(members.cbegin(), members.cend(),
                            [this](const QString &l) { return m_userChanges.contains(l); }))
                quiet.unite(QSet<QString>(members.cbegin(), members.cend()));
        }
    }
    for (auto it = m_userChanges.cbegin(); it != m_userChanges.cend(); ++it)
        quiet.insert(it.key());

    QList<QJsonObject> lights;
    for (const QString &id : m_simulator->resourceIds(u"light"_s)) {
        if (isQuietOrUnreachable(id, quiet))
            continue;
        if (std::optional<QJsonObject> light = m_simulator->resource(id))
            lights.append(*light);
    }
    std::optional<QString> changed;
    if (const std::optional<DemoOutsideChange> change = DemoOutsideChange::choose(lights, m_random)) {
        qCDebug(lcDemo) << "changing" << change->lightID << "from outside:" << change->patch;
        if (m_simulator->changeFromOutside(change->lightID, change->patch)) {
            m_lastOutsideChange = time;
            changed = change->lightID;
            Q_EMIT changedFromOutside(change->lightID);
        }
    }
    return changed;
}
