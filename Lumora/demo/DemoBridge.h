#pragma once

#include "HueStore.h"
#include "HueText.h"

#include <QHash>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class BridgeSimulator;
struct SimRequest;
class QSettings;
struct DemoBridgeShared;

/// The bridge of the demo mode, for people without a bridge of their own: the
/// simulator inside this process on a free loopback port, serving a home of
/// its own (DemoHome) named in the user's language. It presses its own link
/// button a few seconds after the demo's own pairing request and gives a key
/// to no other (anyone on this machine can reach loopback), changes a light
/// now and then as someone at home would, and gives the store services that
/// reach only this bridge: discovery that answers from here (no multicast),
/// clients that trust only this bridge's root, and a key store in the demo's
/// own settings file, so that the next start opens the home directly. The
/// user's settings and credential store are never touched.
///
/// Lives on the main thread for as long as the store that uses it.
class DemoBridge : public QObject
{
    Q_OBJECT

public:
    using Duration = std::chrono::milliseconds;
    using Clock = std::chrono::steady_clock;

    /// How long a light the user changed is left alone, together with every
    /// light sharing a room or zone with it: a change from outside there
    /// would look as if Lumora undid what the user just did.
    static constexpr Duration quietTime{60'000};

    struct Options
    {
        /// The demo's settings file (INI); empty means "demo.ini" in the
        /// application's configuration folder.
        QString settingsPath;
        /// How long after a pairing request the link button is pressed.
        Duration linkButtonDelay{4000};
        /// How long a search takes, as a network browse would.
        Duration discoveryTime{1000};
        /// The shortest time between two changes from outside, made while
        /// the store listens to events; each wait lies between it and 3/2 of
        /// it. Zero: no changes on their own.
        Duration outsideChangeInterval{30'000};
        /// Names the home in German rather than in English.
        bool german = HueText::usesGerman();
        /// The time the pace and the quiet rule go by; empty means
        /// Clock::now. Tests drive their own.
        std::function<Clock::time_point()> clock;
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

    /// Changes one light from outside now, as the timer does: nothing while
    /// the last change is less than the interval ago, and never a light that
    /// is out of reach or within the quiet time of a change by the user.
    /// The light changed, or nothing.
    std::optional<QString> changeSomething();

Q_SIGNALS:
    /// A light was changed from outside; its events follow.
    void changedFromOutside(const QString &lightID);

private:
    void onRequest(const SimRequest &request);
    void onEventStreams(int count);
    void scheduleOutsideChange();
    void noteUserChange(const QString &path);
    bool isQuietOrUnreachable(const QString &lightID, const QSet<QString> &quiet) const;
    Clock::time_point now() const { return m_options.clock ? m_options.clock() : Clock::now(); }

    Options m_options;
    std::unique_ptr<BridgeSimulator> m_simulator;
    std::shared_ptr<DemoBridgeShared> m_shared;
    std::shared_ptr<QSettings> m_settings;
    QTimer m_linkButtonTimer;
    QTimer m_outsideChangeTimer;
    QRandomGenerator m_random;
    /// When the user last changed each light, directly or through a group or scene.
    QHash<QString, Clock::time_point> m_userChanges;
    std::optional<Clock::time_point> m_lastOutsideChange;
};
