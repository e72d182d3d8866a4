#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns SIGINT and SIGTERM into a Qt signal on the main thread. The handler
/// only writes one byte into a pipe (the one thing safe to do there); a
/// socket notifier reads it in the event loop.
class CtlSignals : public QObject
{
    Q_OBJECT

public:
    explicit CtlSignals(QObject *parent = nullptr);
    ~CtlSignals() override;

    /// False when the pipe or the handlers could not be set up.
    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};
