#include "HueCancellationToken.h"

#include "HueCancelledError.h"

#include <QCoroSignal>
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

// Something a coroutine can await that either a timer or a cancellation fires.
class Wakeup : public QObject
{
    Q_OBJECT
public:
    void fire() { Q_EMIT fired(); }
Q_SIGNALS:
    void fired();
};

QCoro::Task<void> sleepFor(HueCancellationToken token, std::chrono::milliseconds duration)
{
    token.throwIfCancelled();
    Wakeup wakeup;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &wakeup, &Wakeup::fire);
    // The wake-up is queued so that whoever cancels finishes first; the
    // coroutine then resumes from the event loop, not from inside cancel().
    auto registration = token.onCancel([&timer, &wakeup] {
        timer.stop();
        QMetaObject::invokeMethod(&wakeup, &Wakeup::fire, Qt::QueuedConnection);
    });
    timer.start(duration);
    co_await qCoro(&wakeup, &Wakeup::fired);
    token.throwIfCancelled();
}

QCoro::Task<void> waitForReply(HueCancellationToken token, QPointer<QNetworkReply> reply)
{
    if (!reply)
        co_return;
    if (token.isCancelled() && !reply->isFinished())
        reply->abort();
    if (!reply->isFinished()) {
        // Queued for the same reason as above: abort() finishes the reply
        // synchronously, which would resume this coroutine inside cancel().
        auto registration = token.onCancel([reply] {
            if (reply)
                QMetaObject::invokeMethod(reply.data(), &QNetworkReply::abort, Qt::QueuedConnection);
        });
        co_await qCoro(reply.data(), &QNetworkReply::finished);
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

#include "HueCancellationToken.moc"
