#pragma once

#include "HueStore.h"

#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class BridgeSimulator;
struct SimRequest;
class QSettings;
struct DemoBridgeShared;

/// The bridge of the demo mode, for people without a bridge of their own: the
/// simulator inside this process on a free loopback port, serving a recorded
/// real home. It presses its own link button a few seconds after the demo's
/// own pairing request and gives a key to no other (anyone on this machine
/// can reach loopback), changes a light now and then as someone at home
/// would, and gives the store services that reach only this bridge:
/// discovery that answers from here (no multicast), clients that trust only
/// this bridge's root, and a key store in memory. The user's settings and credential store are never
/// touched; the demo keeps a settings file of its own.
///
/// Lives on the main thread for as long as the store that uses it.
class DemoBridge : public QObject
{
    Q_OBJECT

public:
    using Duration = std::chrono::milliseconds;

    struct Options
    {
        /// The demo's settings file (INI); empty means "demo.ini" in the
        /// application's configuration folder.
        QString settingsPath;
        /// How long after a pairing request the link button is pressed.
        Duration linkButtonDelay{4000};
        /// How long a search takes, as a network browse would.
        Duration discoveryTime{1000};
        /// The mean time between two changes from outside while the store
        /// listens to events; each wait lies between 3/4 and 5/4 of it. Zero:
        /// no changes.
        Duration outsideChangeInterval{8000};
    };

    /// The demo bridge's id: fixed, so that favourites and order kept in the
    /// demo's settings apply again on the next run.
    static QString bridgeID();
    /// The name the bridge gives itself and that discovery shows.
    static QString bridgeName();
    /// "demo.ini" in the application's configuration folder.
    static QString defaultSettingsPath();

    explicit DemoBridge(QObject *parent = nullptr);
    explicit DemoBridge(Options options, QObject *parent = nullptr);
    ~DemoBridge() override;

    /// Loads the home and starts listening on 127.0.0.1; false with a
    /// readable reason when that fails.
    bool start(QString *error = nullptr);

    /// The demo's own settings, never the application's.
    std::shared_ptr<QSettings> settings() const { return m_settings; }

    /// Services for a `HueStore`: usable before start(), effective after it;
    /// they stay valid (and harmless) after the demo bridge is gone.
    HueStore::Environment environment() const;

    /// The simulator behind the demo, for tests and diagnostics.
    BridgeSimulator *simulator() const { return m_simulator.get(); }

Q_SIGNALS:
    /// A light was changed from outside; its events follow.
    void changedFromOutside(const QString &lightID);

private:
    void onRequest(const SimRequest &request);
    void onEventStreams(int count);
    void scheduleOutsideChange();
    void changeSomething();

    Options m_options;
    std::unique_ptr<BridgeSimulator> m_simulator;
    std::shared_ptr<DemoBridgeShared> m_shared;
    std::shared_ptr<QSettings> m_settings;
    QTimer m_linkButtonTimer;
    QTimer m_outsideChangeTimer;
    QRandomGenerator m_random;
};
