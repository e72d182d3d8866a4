#pragma once

// What the store and application benchmarks share: CPU clocks, a median, an
// event-loop wait, and outside services that answer at once.
#include "DiscoveredBridge.h"

#include <QCoroTask>
#include <QEventLoop>
#include <QList>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <functional>
#include <optional>

namespace BenchSupport {

// Thread CPU time: other processes' turns on a busy machine do not count.
inline qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// Runs the event loop until `condition` holds, checking every few ms.
inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

// A key store that always has `key` and keeps nothing, and a search that finds nothing.
inline QCoro::Task<std::optional<QString>> constantKey(QString key)
{
    co_return key;
}

inline QCoro::Task<bool> refuseSave()
{
    co_return false;
}

inline QCoro::Task<void> noDelete()
{
    co_return;
}

inline QCoro::Task<QList<DiscoveredBridge>> nothingFound()
{
    co_return QList<DiscoveredBridge>{};
}

} // namespace BenchSupport
