#pragma once

#include "HueStore.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

class AppUpdater;
class QQmlApplicationEngine;
class QQuickWindow;
class QSettings;
class SystemWake;

/// The composition root: one store with the services it is given, the QML
/// engine with the main window, and the application events that reach the
/// store (activation, wake). main() builds it with the live services or the
/// demo bridge's; tests build it with a simulator's.
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

    HueStore *store() const { return m_store.get(); }
    QQuickWindow *mainWindow() const;
    QQmlApplicationEngine *engine() const { return m_engine.get(); }

    /// A second launch asked for the window: show it, reopened if closed.
    void bringForward();

    /// The dark palette and style every window is drawn with; set before
    /// the first window exists.
    static void applyLook();

    /// How long loading the window waits at most for the connection to
    /// reach the bridge's listing.
    static constexpr std::chrono::milliseconds connectionHeadStart{150};

private:
    void startConnection();

    Services m_services;
    std::unique_ptr<HueStore> m_store;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    SystemWake *m_wake = nullptr;
};
