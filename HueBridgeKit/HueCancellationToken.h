#pragma once

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <memory>

class QNetworkReply;

/// Aborts `reply` from the event loop (abort() finishes a reply synchronously,
/// and whoever asks should finish first), unless by then it has ended or is
/// ending with an error of its own: Qt would report a second error on it.
void abortReplyLater(QNetworkReply *reply);

/// The one cancellation primitive of the project. A task slot and the
/// coroutine it runs share a token; cancelling it aborts the network reply or
/// stops the timer the coroutine is waiting on, and the coroutine resumes with
/// `HueCancelledError`. QCoro tasks cannot be cancelled from outside, so every
/// long wait goes through a token.
///
/// Copies share one state. A default-constructed token is a fresh one that
/// nobody else holds, so it is never cancelled. Tokens belong to the thread
/// that uses them (the main thread); they are not synchronised.
class HueCancellationToken
{
    struct State;

public:
    HueCancellationToken();

    /// Cancels every copy; runs the registered reactions once. Idempotent.
    void cancel() const;
    bool isCancelled() const;
    /// Throws `HueCancelledError` when cancelled.
    void throwIfCancelled() const;

    /// Keeps a reaction registered for as long as it lives.
    class Registration
    {
    public:
        Registration() = default;
        Registration(Registration &&other) noexcept;
        Registration &operator=(Registration &&other) noexcept;
        Registration(const Registration &) = delete;
        Registration &operator=(const Registration &) = delete;
        ~Registration();

        void reset();

    private:
        friend class HueCancellationToken;
        std::weak_ptr<State> m_state;
        quint64 m_id = 0;
    };

    /// Runs `reaction` when the token is cancelled (at once when it already
    /// is), unless the registration has been dropped before.
    [[nodiscard]] Registration onCancel(std::function<void()> reaction) const;

    /// Waits `duration`; throws `HueCancelledError` when cancelled before or
    /// during the wait (the timer is stopped at once).
    QCoro::Task<void> sleep(std::chrono::milliseconds duration) const;

    /// Waits until `reply` has finished. Cancelling aborts the reply and makes
    /// this throw `HueCancelledError`; the reply is otherwise left to the caller.
    QCoro::Task<void> waitFor(QNetworkReply *reply) const;

    friend bool operator==(const HueCancellationToken &a, const HueCancellationToken &b)
    {
        return a.m_state == b.m_state;
    }

private:
    std::shared_ptr<State> m_state;
};
