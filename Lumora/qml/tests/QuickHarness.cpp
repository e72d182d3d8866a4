#include "QuickHarness.h"

#include "AccessibleProbe.h"
#include "LumoraStore.h"
#include "PairedBridge.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {
TestBridge *current = nullptr;
}

QQuickItem *findItem(QQuickItem *root, QLatin1StringView name, bool visibleOnly)
{
    if (root->objectName() == name && (!visibleOnly || root->isVisible()))
        return root;
    const auto children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findItem(child, name, visibleOnly))
            return found;
    }
    return nullptr;
}

TestBridge::TestBridge(QObject *parent)
    : QObject(parent)
    , m_simulator(std::make_unique<BridgeSimulator>())
    , m_keys(std::make_shared<QHash<QString, QString>>())
{
    QString error;
    if (!m_simulator->loadResources(QStringLiteral(LUMORA_FIXTURE), &error)
        || !m_simulator->start(QHostAddress::LocalHost, 0, &error))
        qFatal("The test bridge did not start: %s", qPrintable(error));
    // The bridge reports at once rather than once a second, so that tests
    // see outside changes without waiting.
    m_simulator->setEventInterval(20);
    m_settings = std::make_shared<QSettings>(m_folder.filePath(u"settings.ini"_s), QSettings::IniFormat);
    const QString key = m_simulator->addApplicationKey();
    m_keys->insert(bridgeId(), key);
    PairedBridge{bridgeId(), m_simulator->name(), u"127.0.0.1"_s}.save(*m_settings);
    m_store = std::make_unique<HueStore>(m_settings, environment());
}

TestBridge::~TestBridge()
{
    if (current == this)
        current = nullptr;
    // The store's requests end before the simulator they talk to.
    m_store.reset();
}

void TestBridge::installInto(QQmlEngine *engine)
{
    auto *bridge = new TestBridge(engine);
    current = bridge;
    LumoraStore::provide(bridge->store(), bridge->settings());
    bridge->store()->start();
    static const int registered = qmlRegisterSingletonType<TestBridge>(
        "LumoraTest", 1, 0, "TestBridge", [](QQmlEngine *, QJSEngine *) -> QObject * {
            QQmlEngine::setObjectOwnership(current, QQmlEngine::CppOwnership);
            return current;
        });
    Q_UNUSED(registered);
}

HueStore::Environment TestBridge::environment()
{
    HueStore::Environment environment;
    const auto keys = m_keys;
    environment.keys.load = [keys](QString account) -> QCoro::Task<std::optional<QString>> {
        const auto found = keys->constFind(account);
        co_return found == keys->cend() ? std::nullopt : std::optional(*found);
    };
    environment.keys.save = [keys](QString key, QString account) -> QCoro::Task<bool> {
        keys->insert(account, key);
        co_return true;
    };
    environment.keys.delete_ = [keys](QString account) -> QCoro::Task<void> {
        keys->remove(account);
        co_return;
    };
    const QSslCertificate root = m_simulator->rootCertificate();
    const quint16 port = m_simulator->port();
    environment.makeClient = [root, port](QString host, std::optional<QString> bridgeID, std::optional<QString> key) {
        HueBridgeSession::Options options;
        options.expectedBridgeID = std::move(bridgeID);
        options.trustAnchor = root;
        options.port = port;
        return HueBridgeClient(std::move(host), std::move(key), HueBridgeSession::create(std::move(options)));
    };
    QPointer<TestBridge> self(this);
    environment.discover = [self]() -> QCoro::Task<QList<DiscoveredBridge>> {
        if (self && self->m_discoveryTime > 0)
            co_await HueCancellationToken().sleep(std::chrono::milliseconds(self->m_discoveryTime));
        if (!self || !self->m_discoverable)
            co_return {};
        co_return QList<DiscoveredBridge>{
            {self->m_simulator->name(), self->bridgeId(), self->m_simulator->address().toString()}};
    };
    environment.deviceName = [] { return u"quick-test"_s; };
    environment.searchRetryDelay = std::chrono::milliseconds(200);
    environment.reconnectDelay = [](int) { return std::chrono::milliseconds(100); };
    environment.linkButtonPause = std::chrono::milliseconds(100);
    return environment;
}

QVariantList TestBridge::requests(const QString &method, const QString &pathPrefix) const
{
    QVariantList list;
    for (const SimRequest &request : m_simulator->requestLog()) {
        if ((!method.isEmpty() && request.method != method) || !request.path().startsWith(pathPrefix))
            continue;
        const QJsonDocument body = QJsonDocument::fromJson(request.body);
        list.append(
            QVariantMap{{u"method"_s, request.method},
                        {u"path"_s, request.path()},
                        {u"body"_s, body.isNull() ? QVariant(QString::fromUtf8(request.body)) : body.toVariant()}});
    }
    return list;
}

void QuickTestSetup::qmlEngineAvailable(QQmlEngine *engine)
{
    engine->addImportPath(u"qrc:/qt/qml"_s);
    TestBridge::installInto(engine);
    static const int probe = qmlRegisterSingletonType<AccessibleProbe>(
        "LumoraTest", 1, 0, "AccessibleProbe",
        [](QQmlEngine *, QJSEngine *) -> QObject * { return new AccessibleProbe; });
    Q_UNUSED(probe);
}
