#pragma once

#include <QObject>

#include <coroutine>
#include <utility>

/// A one-time suspension point for a coroutine: `co_await gate.wait();` waits until
/// `open()` has been called, which may happen any number of times and from
/// any handler on the gate's thread. The coroutine is resumed once, from the
/// event loop (never inside the caller of `open()`), and never after the gate
/// is gone.
///
/// QCoro 0.8's signal awaiter is not safe for this: it connects with a queued
/// connection, so a signal emitted twice before the first delivery resumes the
/// coroutine twice, the second time after its frame may be gone.
class HueResumeGate
{
public:
    HueResumeGate() = default;
    HueResumeGate(const HueResumeGate &) = delete;
    HueResumeGate &operator=(const HueResumeGate &) = delete;

    void open()
    {
        if (m_open)
            return;
        m_open = true;
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                if (auto waiter = std::exchange(m_waiter, {}))
                    waiter.resume();
            },
            Qt::QueuedConnection);
    }

    bool isOpen() const { return m_open; }

    /// Connections made with this context end with the gate.
    QObject *context() { return &m_context; }

    struct Awaiter
    {
        HueResumeGate *gate;
        bool await_ready() const noexcept { return gate->m_open; }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { gate->m_waiter = waiter; }
        void await_resume() const noexcept {}
    };

    /// `co_await gate.wait();`
    Awaiter wait() { return Awaiter{this}; }

private:
    QObject m_context;
    std::coroutine_handle<> m_waiter;
    bool m_open = false;
};
