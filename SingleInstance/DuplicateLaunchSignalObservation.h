#pragma once

#include <QPointer>
#include <QString>

class DuplicateLaunchSignalBox;

/// A live subscription to a broadcast; cancelling it (or destroying it) stops
/// the handler for good. Use it on the main thread.
class DuplicateLaunchSignalObservation
{
public:
    DuplicateLaunchSignalObservation(QString name, DuplicateLaunchSignalBox *box);
    ~DuplicateLaunchSignalObservation();
    DuplicateLaunchSignalObservation(const DuplicateLaunchSignalObservation &) = delete;
    DuplicateLaunchSignalObservation &operator=(const DuplicateLaunchSignalObservation &) = delete;

    QString name() const { return m_name; }
    bool isCancelled() const { return m_cancelled; }
    /// Whether the session bus accepted the subscription.
    bool isConnected() const;

    /// Removes the subscription; later calls do nothing.
    void cancel();

private:
    QString m_name;
    QPointer<DuplicateLaunchSignalBox> m_box;
    bool m_cancelled = false;
};
