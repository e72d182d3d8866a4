#include "LumoraApplication.h"

#include "AppIdentity.h"
#include "AppInfo.h"
#include "Desktop.h"
#include "GlobalShortcuts.h"
#include "HueText.h"
#include "LaunchOptions.h"
#include "LumoraLogging.h"
#include "LumoraStore.h"
#include "MainWindowSelection.h"
#include "ShortcutsInfo.h"
#include "SystemWake.h"
#include "Theme.h"
#include "TrayIcon.h"
#include "TrayMenu.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSettings>
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

QUrl mainWindowUrl()
{
    return QUrl(u"qrc:/qt/qml/Lumora/MainWindow.qml"_s);
}
} // namespace

LumoraApplication::LumoraApplication(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_store(std::make_unique<HueStore>(m_services.settings, m_services.environment))
    , m_desktop(std::make_unique<Desktop>(m_services.settings))
{
    // Windows come and go (the main window is released while Lumora lives
    // in the tray); the application ends when it is told to.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_trayMenu = new TrayMenu(m_store.get(), this);
    m_tray = new TrayIcon(m_trayMenu, QDBusConnection::sessionBus(), this);
    connect(m_trayMenu, &TrayMenu::openRequested, this, &LumoraApplication::bringForward);
    connect(m_trayMenu, &TrayMenu::settingsRequested, this, &LumoraApplication::openSettings);
    connect(m_trayMenu, &TrayMenu::quitRequested, qGuiApp, &QGuiApplication::quit, Qt::QueuedConnection);
    connect(m_tray, &TrayIcon::activated, this, &LumoraApplication::openQuickPanel);
    connect(m_tray, &TrayIcon::shownChanged, this, [this] { m_desktop->setTrayShown(m_tray->isShown()); });
    connect(m_desktop.get(), &Desktop::showsTrayChanged, this, [this] {
        if (m_desktop->showsTray())
            m_tray->show();
        else
            m_tray->hide();
    });
    connect(m_desktop.get(), &Desktop::closedToTray, this, &LumoraApplication::closedToTray);
    connect(m_desktop.get(), &Desktop::mainWindowRequested, this, &LumoraApplication::bringForward);
    if (m_desktop->showsTray())
        m_tray->show();

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
    m_shortcuts = new GlobalShortcuts(m_store.get(), QDBusConnection::sessionBus(), this);
    connect(m_shortcuts, &GlobalShortcuts::quickPanelRequested, this, &LumoraApplication::openQuickPanel);
}

LumoraApplication::~LumoraApplication()
{
    // Windows and bindings go before the store they read, and so do the
    // tray's menu and icon.
    delete m_quickPanel;
    m_mainWindowType.reset();
    m_engine.reset();
    delete m_tray;
    delete m_trayMenu;
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

void LumoraApplication::prepare(bool windowFollows)
{
    if (m_engine)
        return;
    LumoraStore::provide(m_store.get(), m_services.settings);
    AppInfo::provide(m_services.updater);
    Desktop::provide(m_desktop.get());
    ShortcutsInfo::provide(m_shortcuts->portal());
    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_engine->addImportPath(u"qrc:/qt/qml"_s);
    // The engine's loader thread reads and links the screens' types while
    // this thread serves the connection: the listing arrives and is decoded
    // meanwhile, and the window's first frame can already show the home.
    if (windowFollows)
        m_mainWindowType =
            std::make_unique<QQmlComponent>(m_engine.get(), mainWindowUrl(), QQmlComponent::Asynchronous);
    startConnection();
    m_shortcuts->start();
}

bool LumoraApplication::load(QString *error)
{
    prepare(true);
    return loadMainWindow(error);
}

void LumoraApplication::loadInBackground()
{
    prepare();
    const auto decide = [this] {
        if (m_tray->isShown())
            qCDebug(lcApp) << "started in the tray, without a window";
        else
            bringForward();
    };
    if (m_tray->isSettled() || !m_desktop->showsTray())
        decide();
    else
        connect(m_tray, &TrayIcon::settled, this, decide, Qt::SingleShotConnection);
}

bool LumoraApplication::loadMainWindow(QString *error)
{
    if (m_mainWindowType && m_mainWindowType->isLoading()) {
        QEventLoop loop;
        connect(m_mainWindowType.get(), &QQmlComponent::statusChanged, &loop, &QEventLoop::quit);
        // A launch handled meanwhile may have made the window already.
        connect(m_mainWindowType.get(), &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (mainWindow())
            return true;
    }
    // The engine keeps the prepared type; its errors, if any, come again
    // from the load below.
    m_mainWindowType.reset();
    QStringList warnings;
    // Collects only while loading: the list lives on this stack frame.
    const auto collecting =
        connect(m_engine.get(), &QQmlEngine::warnings, this, [&warnings](const QList<QQmlError> &list) {
            for (const auto &warning : list)
                warnings.append(warning.toString());
        });
    // The screens read whatever state the store has reached when they appear.
    m_engine->load(mainWindowUrl());
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
    prepare();
    MainWindowSelection::bringForward([this] {
        // Released while Lumora lived in the tray: made again.
        QString error;
        if (!mainWindow() && !loadMainWindow(&error))
            qCWarning(lcApp) << "the main window does not load:" << error;
        if (QQuickWindow *window = mainWindow())
            MainWindowSelection::reveal(*window);
    });
}

void LumoraApplication::handleLaunch(const QStringList &arguments)
{
    const LaunchOptions options = LaunchOptions::parse(arguments);
    if (!options.action.isEmpty()) {
        qCDebug(lcApp) << "another launch asked for the action" << options.action;
        if (!m_trayMenu->switchAllOff())
            qCDebug(lcApp) << "the bridge cannot be used now; nothing was sent";
    } else if (options.quick) {
        openQuickPanel();
    } else if (!options.background) {
        // A start at login while Lumora already runs changes nothing.
        bringForward();
    }
}

void LumoraApplication::openSettings()
{
    bringForward();
    if (QQuickWindow *window = mainWindow())
        QMetaObject::invokeMethod(window, "openSettings");
}

void LumoraApplication::openQuickPanel()
{
    prepare();
    if (m_quickPanel) {
        MainWindowSelection::reveal(*m_quickPanel);
        return;
    }
    QQmlComponent component(m_engine.get(), QUrl(u"qrc:/qt/qml/Lumora/QuickPanel.qml"_s));
    auto *panel = qobject_cast<QQuickWindow *>(component.create());
    if (!panel) {
        qCWarning(lcApp) << "the quick panel does not load:" << component.errorString();
        return;
    }
    m_quickPanel = panel;
    qCDebug(lcApp) << "the quick panel is open";
    // A closed panel holds nothing: it is made again the next time.
    connect(panel, &QWindow::visibleChanged, this, [this, panel](bool visible) {
        if (visible)
            return;
        discardSoon(panel);
        connect(panel, &QObject::destroyed, this, [this] {
            if (!m_tray->isShown() && !mainWindow())
                QGuiApplication::quit();
            else
                releaseWindowMemory();
        });
    });
    MainWindowSelection::reveal(*panel);
}

void LumoraApplication::closedToTray()
{
    qCDebug(lcApp) << "the main window was closed; Lumora keeps running in the tray";
    if (!m_services.settings->value(QLatin1StringView(closeNoticeKey)).toBool()) {
        m_services.settings->setValue(QLatin1StringView(closeNoticeKey), true);
        // Said once, by the desktop's notifications; nobody waits for the answer.
        QDBusMessage notify =
            QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
                                           u"org.freedesktop.Notifications"_s, u"Notify"_s);
        notify << u"Lumora"_s << 0u << AppIdentity::id() << u"Lumora"_s
               << HueText::tr(u"Lumora läuft in der Leiste weiter. Beenden im Menü des Symbols."_s,
                              u"Lumora keeps running in the tray. Quit it from the icon's menu."_s)
               << QStringList() << QVariantMap() << -1;
        QDBusConnection::sessionBus().call(notify, QDBus::NoBlock);
    }
    // What the closed window holds (its items, textures, the screens' models)
    // is given back; opening it again makes it anew.
    if (QQuickWindow *window = mainWindow()) {
        connect(window, &QObject::destroyed, this, &LumoraApplication::releaseWindowMemory);
        discardSoon(window);
    }
}

void LumoraApplication::discardSoon(QQuickWindow *window)
{
    // Not now: the window is in the middle of its own closing. Not with
    // deleteLater either, which waits for the outermost event loop and so
    // never comes while a nested one runs.
    QTimer::singleShot(0, this, [window = QPointer<QQuickWindow>(window)] { delete window.data(); });
}

void LumoraApplication::releaseWindowMemory()
{
    if (!m_engine)
        return;
    m_engine->collectGarbage();
    m_engine->trimComponentCache();
    QTimer::singleShot(0, this, [] { releaseFreeMemory(); });
}
