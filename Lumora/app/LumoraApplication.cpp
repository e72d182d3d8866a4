#include "LumoraApplication.h"

#include "AppInfo.h"
#include "LumoraLogging.h"
#include "LumoraStore.h"
#include "MainWindowSelection.h"
#include "SystemWake.h"
#include "Theme.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTimer>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace Qt::StringLiterals;

namespace {
void releaseFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
} // namespace

LumoraApplication::LumoraApplication(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_store(std::make_unique<HueStore>(m_services.settings, m_services.environment))
{
    // Coming back to the application or waking the computer reloads the
    // home; the store does so only while it is connected.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            m_store->refresh();
    });
    // Loading the home parses a listing of a megabyte or more and fills the
    // screens; the allocator keeps the freed pages unless asked to return
    // them, which would leave tens of megabytes resident for nothing.
    connect(m_store.get(), &HueStore::phaseChanged, this, [this] {
        if (m_store->phase() == HueStore::Phase::ready())
            QTimer::singleShot(std::chrono::seconds(1), this, [] { releaseFreeMemory(); });
    });
    m_wake = new SystemWake(this);
    connect(m_wake, &SystemWake::woke, this, [this] {
        qCDebug(lcApp) << "the computer woke; refreshing";
        m_store->refresh();
    });
}

LumoraApplication::~LumoraApplication()
{
    // Windows and bindings go before the store they read.
    m_engine.reset();
}

void LumoraApplication::applyLook()
{
    QQuickStyle::setStyle(u"Fusion"_s);
    // Quick Controls draw from the palette each window gives itself
    // (Theme::paint); the application's reaches what Qt draws beside them,
    // such as the title bar it paints itself on Wayland.
    QGuiApplication::setPalette(Theme::palette());
}

void LumoraApplication::startConnection()
{
    m_store->start();
    // The main thread takes part in every step before the listing is asked
    // for (the key store's answer, each TLS handshake's trust decision), and
    // loading the screens holds it for a few hundred milliseconds. Given a
    // short head start first, the bridge puts its listing together while
    // the screens load instead of after.
    if (m_store->phase().kind != HueStorePhase::Kind::connecting)
        return;
    QEventLoop loop;
    connect(m_store.get(), &HueStore::homeRequested, &loop, &QEventLoop::quit);
    connect(m_store.get(), &HueStore::phaseChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(connectionHeadStart, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

bool LumoraApplication::load(QString *error)
{
    startConnection();
    LumoraStore::provide(m_store.get(), m_services.settings);
    AppInfo::provide(m_services.updater);
    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_engine->addImportPath(u"qrc:/qt/qml"_s);
    QStringList warnings;
    // Collects only while loading: the list lives on this stack frame.
    const auto collecting =
        connect(m_engine.get(), &QQmlEngine::warnings, this, [&warnings](const QList<QQmlError> &list) {
            for (const auto &warning : list)
                warnings.append(warning.toString());
        });
    // The screens read whatever state the store has reached when they appear.
    m_engine->load(QUrl(u"qrc:/qt/qml/Lumora/MainWindow.qml"_s));
    disconnect(collecting);
    if (!mainWindow()) {
        if (error)
            *error = warnings.join(u'\n');
        return false;
    }
    qCDebug(lcApp) << "the main window is loaded";
    return true;
}

QQuickWindow *LumoraApplication::mainWindow() const
{
    if (!m_engine || m_engine->rootObjects().isEmpty())
        return nullptr;
    return qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
}

void LumoraApplication::bringForward()
{
    qCDebug(lcApp) << "another launch asked for the main window";
    MainWindowSelection::bringForward([this] {
        if (QQuickWindow *window = mainWindow())
            MainWindowSelection::reveal(*window);
    });
}
