#pragma once

#include "HueCancellationToken.h"
#include "HueLightCommand.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <chrono>
#include <functional>

/// Keeps the bridge from being flooded while the user drags a control: per
/// target at most one request in flight and one merged command waiting. The
/// first command for an idle target goes out on the next turn of the event
/// loop; later ones are merged and sent after the target's rest.
///
/// Lives on the main thread; submit() and the send loops only interleave at
/// the loops' two suspension points, so no locking is needed.
class CommandCoalescer : public QObject
{
    Q_OBJECT

public:
    using Duration = std::chrono::milliseconds;
    /// How a loop rests between two sends. Must not throw, and should end
    /// soon once the token is cancelled: that happens when the coalescer goes
    /// away, and a loop still resting then would outlive it.
    using Pause = std::function<QCoro::Task<void>(Duration, HueCancellationToken)>;
    /// Transmits one command and handles its own failures.
    using Send = std::function<QCoro::Task<void>(HueLightCommand)>;

    explicit CommandCoalescer(QObject *parent = nullptr);
    explicit CommandCoalescer(Pause pause, QObject *parent = nullptr);
    /// Ends the loops that are resting; loops waiting for a send end when it returns.
    ~CommandCoalescer() override;

    /// Queues `command` for `target`, merged into the target's waiting
    /// command if there is one. `spacing` and `send` are those of the loop
    /// this call starts; while the target's loop runs, the running loop's
    /// own ones stay in force.
    void submit(HueLightCommand command, QString target, Duration spacing, Send send);

    /// True while the target has a send loop (sending or resting).
    bool isRunning(const QString &target) const { return m_running.contains(target); }

    /// The default rest: an exact sleep that ends early only when cancelled.
    static QCoro::Task<void> rest(Duration duration, HueCancellationToken token);

private:
    void startLoop(QString target, Duration spacing, Send send);
    static QCoro::Task<void> sendLoop(QPointer<CommandCoalescer> self, QString target, Duration spacing, Send send,
                                      Pause pause, HueCancellationToken lifetime);

    QHash<QString, HueLightCommand> m_pending;
    QSet<QString> m_running;
    Pause m_pause;
    HueCancellationToken m_lifetime;
};
