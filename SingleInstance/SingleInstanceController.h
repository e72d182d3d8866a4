#pragma once

#include "DuplicateLaunchRequest.h"
#include "DuplicateLaunchSignalObservation.h"
#include "InstanceLock.h"
#include "SingleInstanceConfiguration.h"
#include "SingleInstanceError.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class SingleInstanceController;

/// The start-up decision: run (with the controller to keep), failed, or
/// another instance is already running.
struct SingleInstanceStartupResult
{
    enum class Kind { run, failed, alreadyRunning };

    Kind kind = Kind::alreadyRunning;
    std::shared_ptr<SingleInstanceController> controller;
    std::optional<SingleInstanceError> error;
};

/// Owns the instance lock and the subscription to the activation signal for
/// the life of the process, and hands the requests of later launches to the
/// application on the main thread.
class SingleInstanceController : public QObject
{
    Q_OBJECT

public:
    using DuplicateLaunchHandler = std::function<void(const QList<DuplicateLaunchRequest> &)>;

    /// Takes the lock (unless several instances are allowed); when it is
    /// taken elsewhere or cannot be taken, hands the request over, wakes the
    /// running instance and says so.
    static SingleInstanceStartupResult start(const SingleInstanceConfiguration &configuration,
                                             const DuplicateLaunchRequest &duplicateLaunchRequest);

    ~SingleInstanceController() override;

    const SingleInstanceConfiguration &configuration() const { return m_configuration; }
    bool isEnforcingSingleInstance() const { return m_lock != nullptr; }
    const InstanceLock *lock() const { return m_lock.get(); }
    bool hasPendingActivation() const { return m_pendingActivation; }

    /// Main thread only. A wake-up that arrived before any handler was set
    /// runs the new handler once, at once.
    void setActivationHandler(std::function<void()> handler);
    void setDuplicateLaunchHandler(DuplicateLaunchHandler handler);

private:
    SingleInstanceController(SingleInstanceConfiguration configuration, std::unique_ptr<InstanceLock> lock);
    void observeActivationSignal();
    void handleActivation();

    SingleInstanceConfiguration m_configuration;
    std::unique_ptr<InstanceLock> m_lock;
    std::unique_ptr<DuplicateLaunchSignalObservation> m_observation;
    DuplicateLaunchHandler m_activationHandler;
    bool m_pendingActivation = false;
};
