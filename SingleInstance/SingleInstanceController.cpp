#include "SingleInstanceController.h"

#include "DuplicateLaunchRequestStore.h"
#include "DuplicateLaunchSignal.h"

#include <QPointer>

SingleInstanceController::SingleInstanceController(SingleInstanceConfiguration configuration,
                                                   std::unique_ptr<InstanceLock> lock)
    : m_configuration(std::move(configuration))
    , m_lock(std::move(lock))
{
}

SingleInstanceController::~SingleInstanceController()
{
    // Stop listening before the lock goes, so no wake-up lands half-way.
    m_observation.reset();
    m_lock.reset();
}

SingleInstanceStartupResult SingleInstanceController::start(const SingleInstanceConfiguration &configuration,
                                                            const DuplicateLaunchRequest &duplicateLaunchRequest)
{
    using Kind = SingleInstanceStartupResult::Kind;
    if (configuration.policy.allowsMultipleInstances()) {
        std::shared_ptr<SingleInstanceController> controller(new SingleInstanceController(configuration, nullptr));
        return {Kind::run, std::move(controller), std::nullopt};
    }

    InstanceLock::Result acquired = InstanceLock::acquire(configuration.lockURL());
    if (auto *lock = std::get_if<std::unique_ptr<InstanceLock>>(&acquired)) {
        std::shared_ptr<SingleInstanceController> controller(
            new SingleInstanceController(configuration, std::move(*lock)));
        controller->observeActivationSignal();
        return {Kind::run, std::move(controller), std::nullopt};
    }

    // Whatever went wrong, an instance that does hold the lock is asked to
    // come forward before this launch gives up.
    const SingleInstanceError error = std::get<SingleInstanceError>(acquired);
    DuplicateLaunchRequestStore::post(duplicateLaunchRequest, configuration);
    if (error.isAlreadyRunning())
        return {Kind::alreadyRunning, nullptr, std::nullopt};
    return {Kind::failed, nullptr, error};
}

void SingleInstanceController::observeActivationSignal()
{
    const QPointer<SingleInstanceController> weak(this);
    m_observation = DuplicateLaunchSignal::observe(m_configuration.activationSignalName, [weak] {
        if (!weak)
            return;
        QMetaObject::invokeMethod(
            weak.data(),
            [weak] {
                if (weak)
                    weak->handleActivation();
            },
            Qt::QueuedConnection);
    });
}

void SingleInstanceController::handleActivation()
{
    if (!m_activationHandler) {
        m_pendingActivation = true;
        return;
    }
    // Copy: the handler may replace itself while it runs.
    const DuplicateLaunchHandler handler = m_activationHandler;
    handler(DuplicateLaunchRequestStore::consumePending(m_configuration));
}

void SingleInstanceController::setActivationHandler(std::function<void()> handler)
{
    if (!handler) {
        setDuplicateLaunchHandler(nullptr);
        return;
    }
    setDuplicateLaunchHandler([handler = std::move(handler)](const QList<DuplicateLaunchRequest> &) { handler(); });
}

void SingleInstanceController::setDuplicateLaunchHandler(DuplicateLaunchHandler handler)
{
    m_activationHandler = std::move(handler);
    if (m_pendingActivation && m_activationHandler) {
        m_pendingActivation = false;
        const DuplicateLaunchHandler current = m_activationHandler;
        current(DuplicateLaunchRequestStore::consumePending(m_configuration));
    }
}
