#pragma once

#include <QObject>

/// Tells when the computer woke from sleep: logind's PrepareForSleep(false)
/// on the system bus. Without a reachable system bus it simply never fires.
class SystemWake : public QObject
{
    Q_OBJECT

public:
    explicit SystemWake(QObject *parent = nullptr);

    /// Whether the system bus answered and the signal is watched.
    bool isWatching() const { return m_watching; }

Q_SIGNALS:
    void woke();

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    bool m_watching = false;
};
