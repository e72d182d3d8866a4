#pragma once

#include "HueStore.h"

#include <QObject>
#include <QPointer>
#include <QQuickWindow>

#include <chrono>
#include <memory>

class AppUpdater;
class Desktop;
class GlobalShortcuts;
class QQmlApplicationEngine;
class QQmlComponent;

class QSettings;
class SystemWake;
class TrayIcon;
class TrayMenu;

/// The composition root: one store with the services it is given, the QML
/// engine with the main window and the quick panel, the tray icon, and the
/// application events that reach the store (activation, wake, later
/// launches). main() builds it with the live services or the demo bridge's;
/// tests build it with a simulator's.
class LumoraApplication : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        std::shared_ptr<QSettings> settings;
        HueStore::Environment environment;
        /// May be null: updates then show as not configured.
        AppUpdater *updater = nullptr;
    };

    explicit LumoraApplication(Services services, QObject *parent = nullptr);
    ~LumoraApplication() override;

    /// Loads the main window; false (with the reason) when QML failed to load.
    bool load(QString *error = nullptr);
    /// Starts in the tray without a window; without a tray (none shows
    /// within the registration timeout) the main window opens after all.
    void loadInBackground();

    HueStore *store() const { return m_store.get(); }
    QQuickWindow *mainWindow() const;
    QQmlApplicationEngine *engine() const { return m_engine.get(); }
    /// The desktop's global shortcuts; its quickPanelRequested() is for
    /// whoever shows the quick panel.
    GlobalShortcuts *shortcuts() const { return m_shortcuts; }

    /// A second launch asked for the window: show it, reopened if closed.
    void bringForward();
    /// What a later launch handed over (its options); no options bring the window forward.
    void handleLaunch(const QStringList &arguments);
    /// Opens the quick panel, or raises it when it is open.
    void openQuickPanel();
    QQuickWindow *quickPanel() const { return m_quickPanel; }
    TrayIcon *tray() const { return m_tray; }
    TrayMenu *trayMenu() const { return m_trayMenu; }

    /// The dark palette and style every window is drawn with; set before
    /// the first window exists.
    static void applyLook();

    /// How long loading the window waits at most for the connection to
    /// reach the bridge's listing.
    static constexpr std::chrono::milliseconds connectionHeadStart{150};

    /// The settings key of the one-time notice that Lumora keeps running in the tray.
    static constexpr auto closeNoticeKey = "tray.closeNoticeShown";

private:
    void startConnection();
    /// Provides the screens' services and the engine, and starts the
    /// connection. `windowFollows`: the main window is made right after, so
    /// its types are prepared meanwhile (a start in the tray skips them).
    void prepare(bool windowFollows = false);
    bool loadMainWindow(QString *error);
    void openSettings();
    void closedToTray();
    void discardSoon(QQuickWindow *window);
    void releaseWindowMemory();

    Services m_services;
    std::unique_ptr<HueStore> m_store;
    std::unique_ptr<Desktop> m_desktop;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    /// The main window's type while the engine's loader thread prepares it.
    std::unique_ptr<QQmlComponent> m_mainWindowType;
    SystemWake *m_wake = nullptr;
    TrayMenu *m_trayMenu = nullptr;
    TrayIcon *m_tray = nullptr;
    QPointer<QQuickWindow> m_quickPanel;
    GlobalShortcuts *m_shortcuts = nullptr;
};
