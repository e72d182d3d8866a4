#include "HueCancellationToken.h"

#include "HueCancelledError.h"
#include "HueResumeGate.h"

#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include <map>
#include <vector>

struct HueCancellationToken::State
{
    bool cancelled = false;
    quint64 nextID = 1;
    std::map<quint64, std::function<void()>> reactions;
};

namespace {

QCoro::Task<void> sleepFor(HueCancellationToken token, std::chrono::milliseconds duration)
{
    token.throwIfCancelled();
    HueResumeGate gate;
    QTimer timer;
    timer.setSingleShot(true);
    // Every timed wait of the application ends here (reconnect delays, hold
    // release, link-button pauses); a coarse timer may fire up to 5 % early,
    // and an early hold release finds nothing expired and has to re-arm.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, gate.context(), [&gate] { gate.open(); });
    auto registration = token.onCancel([&timer, &gate] {
        timer.stop();
        gate.open();
    });
    timer.start(duration);
    co_await gate.wait();
    token.throwIfCancelled();
}

QCoro::Task<void> waitForReply(HueCancellationToken token, QPointer<QNetworkReply> reply)
{
    if (!reply)
        co_return;
    if (token.isCancelled() && !reply->isFinished())
        reply->abort();
    if (!reply->isFinished()) {
        HueResumeGate gate;
        QObject::connect(reply.data(), &QNetworkReply::finished, gate.context(), [&gate] { gate.open(); });
        QObject::connect(reply.data(), &QObject::destroyed, gate.context(), [&gate] { gate.open(); });
        auto registration = token.onCancel([reply] { abortReplyLater(reply); });
        co_await gate.wait();
    }
    token.throwIfCancelled();
}

} // namespace

HueCancellationToken::HueCancellationToken()
    : m_state(std::make_shared<State>())
{
}

void HueCancellationToken::cancel() const
{
    // Keep the state alive and look each reaction up again before running it:
    // a reaction may drop other registrations, which must then not run.
    const std::shared_ptr<State> state = m_state;
    if (state->cancelled)
        return;
    state->cancelled = true;
    std::vector<quint64> ids;
    ids.reserve(state->reactions.size());
    for (const auto &entry : state->reactions)
        ids.push_back(entry.first);
    for (const quint64 id : ids) {
        const auto it = state->reactions.find(id);
        if (it == state->reactions.end())
            continue;
        auto reaction = std::move(it->second);
        state->reactions.erase(it);
        reaction();
    }
}

bool HueCancellationToken::isCancelled() const
{
    return m_state->cancelled;
}

void HueCancellationToken::throwIfCancelled() const
{
    if (m_state->cancelled)
        throw HueCancelledError();
}

HueCancellationToken::Registration HueCancellationToken::onCancel(std::function<void()> reaction) const
{
    Registration registration;
    if (m_state->cancelled) {
        reaction();
        return registration;
    }
    const quint64 id = m_state->nextID++;
    m_state->reactions.emplace(id, std::move(reaction));
    registration.m_state = m_state;
    registration.m_id = id;
    return registration;
}

QCoro::Task<void> HueCancellationToken::sleep(std::chrono::milliseconds duration) const
{
    return sleepFor(*this, duration);
}

QCoro::Task<void> HueCancellationToken::waitFor(QNetworkReply *reply) const
{
    return waitForReply(*this, QPointer<QNetworkReply>(reply));
}

HueCancellationToken::Registration::Registration(Registration &&other) noexcept
    : m_state(std::move(other.m_state))
    , m_id(std::exchange(other.m_id, 0))
{
}

HueCancellationToken::Registration &HueCancellationToken::Registration::operator=(Registration &&other) noexcept
{
    if (this != &other) {
        reset();
        m_state = std::move(other.m_state);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

HueCancellationToken::Registration::~Registration()
{
    reset();
}

void HueCancellationToken::Registration::reset()
{
    if (auto state = m_state.lock())
        state->reactions.erase(m_id);
    m_state.reset();
    m_id = 0;
}

void abortReplyLater(QNetworkReply *reply)
{
    if (!reply)
        return;
    QMetaObject::invokeMethod(
        reply,
        [reply = QPointer<QNetworkReply>(reply)] {
            if (reply && !reply->isFinished() && reply->error() == QNetworkReply::NoError)
                reply->abort();
        },
        Qt::QueuedConnection);
}
