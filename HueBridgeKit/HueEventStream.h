#pragma once

#include "HueCancellationToken.h"
#include "HueEvent.h"

#include <QCoroTask>
#include <QList>

#include <chrono>
#include <memory>
#include <optional>

class HueBridgeClient;

/// One connection to the bridge's event stream, read as a sequence of event
/// batches (each a non-empty list of events from one "data:" line). The
/// transfer starts when the stream is created, not on the first read;
/// batches not read yet are buffered. Dropping the stream (or `cancel()`)
/// aborts the transfer. A finished stream is not restarted: open a new one.
///
///     HueEventStream stream = client.events();
///     while (auto batch = co_await stream.next(token))
///         apply(*batch);
///     // here the bridge closed the stream; failures arrive as exceptions
class HueEventStream
{
public:
    HueEventStream() = default;
    HueEventStream(HueEventStream &&) noexcept;
    HueEventStream &operator=(HueEventStream &&) noexcept;
    HueEventStream(const HueEventStream &) = delete;
    HueEventStream &operator=(const HueEventStream &) = delete;
    ~HueEventStream();

    /// The next batch, or std::nullopt once the bridge has closed the stream.
    /// Throws what ended it: `HueBridgeError` for a refusing status
    /// (`unauthorized`, `http`, `invalidResponse`), `HueTransportError` for a
    /// transfer failure (including the idle timeout and a head that takes
    /// longer than an ordinary request, as TimeoutError), and
    /// `HueCancelledError` when `cancel` (or `cancel()`) stopped it.
    /// Batches that arrived before the end are delivered first.
    QCoro::Task<std::optional<QList<HueEvent>>> next(HueCancellationToken cancel = {});

    /// Waits until the bridge has accepted the stream (its answer's head
    /// arrived with a success status), the stream has ended, or `limit` has
    /// passed. True only when the stream is open: from then on every change
    /// the bridge makes reaches this stream, so a listing loaded afterwards
    /// misses nothing. Never throws; failures are reported by `next()`.
    QCoro::Task<bool> opened(std::chrono::milliseconds limit, HueCancellationToken cancel = {});

    /// Stops the stream: aborts the transfer; no batch is produced after this.
    void cancel();

    /// False for a default-constructed or moved-from stream.
    bool isValid() const { return bool(m_producer); }

    class Producer;

private:
    friend class HueBridgeClient;
    explicit HueEventStream(std::shared_ptr<Producer> producer);

    std::shared_ptr<Producer> m_producer;
};
