#include "CommandCoalescer.h"

#include "HueCancelledError.h"
#include "LumoraLogging.h"

#include <QPointer>

#include <exception>
#include <memory>

CommandCoalescer::CommandCoalescer(QObject *parent)
    : CommandCoalescer(&CommandCoalescer::rest, parent)
{
}

CommandCoalescer::CommandCoalescer(Pause pause, QObject *parent)
    : QObject(parent)
    , m_pause(pause ? std::move(pause) : Pause(&CommandCoalescer::rest))
{
}

CommandCoalescer::~CommandCoalescer()
{
    m_lifetime.cancel();
}

void CommandCoalescer::submit(HueLightCommand command, QString target, Duration spacing, Send send)
{
    const auto existing = m_pending.find(target);
    if (existing != m_pending.end())
        existing->merge(command);
    else
        m_pending.insert(target, std::move(command));

    if (m_running.contains(target))
        return;
    m_running.insert(target);
    // The loop starts on the next turn of the event loop, not inside this
    // call: everything submitted until then is merged into its first send.
    QMetaObject::invokeMethod(
        this,
        [this, target = std::move(target), spacing, send = std::move(send)]() mutable {
            startLoop(std::move(target), spacing, std::move(send));
        },
        Qt::QueuedConnection);
}

void CommandCoalescer::startLoop(QString target, Duration spacing, Send send)
{
    // Not awaited: the loop ends by itself once its target has nothing
    // pending after a rest. The pause function is copied into the loop so
    // that it stays valid even if the coalescer goes away mid-rest.
    sendLoop(this, std::move(target), spacing, std::move(send), m_pause, m_lifetime);
}

QCoro::Task<void> CommandCoalescer::sendLoop(QPointer<CommandCoalescer> self, QString target, Duration spacing,
                                             Send send, Pause pause, HueCancellationToken lifetime)
{
    while (self && !lifetime.isCancelled()) {
        const auto next = self->m_pending.find(target);
        if (next == self->m_pending.end()) {
            self->m_running.remove(target);
            co_return;
        }
        // Taken out before sending: whatever arrives during the send is
        // merged only with later commands, never into the one in flight.
        const HueLightCommand command = *next;
        self->m_pending.erase(next);

        // A throwing send or pause must not end the loop, or the target
        // would stay "running" with nobody left to send its commands.
        try {
            co_await send(command);
        } catch (const std::exception &error) {
            qCWarning(lcStore) << "sending a command failed unexpectedly:" << error.what();
        } catch (...) {
            qCWarning(lcStore) << "sending a command failed unexpectedly";
        }
        if (!self || lifetime.isCancelled())
            co_return;
        try {
            co_await pause(spacing, lifetime);
        } catch (...) {
            qCWarning(lcStore) << "the rest between two commands failed; going on at once";
        }
    }
}

QCoro::Task<void> CommandCoalescer::rest(Duration duration, HueCancellationToken token)
{
    try {
        co_await token.sleep(duration);
    } catch (const HueCancelledError &) {
        // The coalescer is going away; the loop sees that and ends.
    }
}
