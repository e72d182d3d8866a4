#include "HueEventStream.h"

#include "HueBridgeClient.h"
#include "HueBridgeError.h"
#include "HueCancelledError.h"
#include "HueEventStreamParser.h"
#include "HueLineSplitter.h"
#include "HueResumeGate.h"
#include "HueTransportError.h"
#include "LumoraLogging.h"

#include <QNetworkReply>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// How long the body of a refusing answer may take before it is cut.
constexpr std::chrono::milliseconds refusedBodyGrace{2000};

// Tells waiting readers that the stream has news. Readers wait through a
// HueResumeGate, so they resume from the event loop and never inside a
// network handler of the producer they may be about to drop.
class StreamSignal : public QObject
{
    Q_OBJECT
public:
    void post() { Q_EMIT changed(); }
Q_SIGNALS:
    void changed();
};

} // namespace

/// Reads one streaming transfer and keeps the batches until they are read.
class HueEventStream::Producer
{
public:
    Producer(std::shared_ptr<HueBridgeSession> session, const QNetworkRequest &request)
        : m_session(std::move(session))
        , m_splitter(m_session->options().maximumStreamLineSize)
    {
        if (request.url().scheme() != "https"_L1) {
            // No URL could be formed: nothing is sent, and there is no HTTP answer.
            finish(std::make_exception_ptr(HueBridgeError::invalidResponse()));
            return;
        }
        m_reply = m_session->send(request, "GET");
        QObject::connect(m_reply, &QNetworkReply::metaDataChanged, &m_signal, [this] { checkStatus(); });
        QObject::connect(m_reply, &QNetworkReply::readyRead, &m_signal, [this] { read(); });
        QObject::connect(m_reply, &QNetworkReply::finished, &m_signal, [this] { transferFinished(); });
        // The stream's idle timeout is hours long; until the head is in, the
        // stream is held to the time of an ordinary request, also when its
        // head trickles in without end.
        QTimer::singleShot(m_session->options().requestTimeout, Qt::CoarseTimer, &m_signal, [this] {
            if (!m_statusChecked && !m_finished)
                finish(
                    std::make_exception_ptr(HueTransportError(QNetworkReply::TimeoutError, u"Operation timed out"_s)));
        });
    }

    ~Producer() { drop(); }

    Producer(const Producer &) = delete;
    Producer &operator=(const Producer &) = delete;

    /// The consumer stops: abort the transfer and forget unread batches.
    void cancel()
    {
        if (m_finished)
            return;
        m_batches.clear();
        finish(std::make_exception_ptr(HueCancelledError()));
    }

    StreamSignal *signal() { return &m_signal; }
    bool hasBatch() const { return !m_batches.isEmpty(); }
    QList<HueEvent> takeBatch() { return m_batches.takeFirst(); }
    bool isFinished() const { return m_finished; }
    bool isOpen() const { return m_statusChecked && !m_finished; }
    std::exception_ptr error() const { return m_error; }

private:
    void checkStatus()
    {
        if (m_statusChecked || m_finished || !m_reply)
            return;
        if (!m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            return; // no head yet
        m_statusChecked = true;
        // The body of a refusing answer is not read here.
        if (auto failure = HueBridgeClient::check(m_reply)) {
            m_refused = true;
            finish(std::make_exception_ptr(*failure));
            return;
        }
        m_signal.post(); // whoever waits for the stream to open
    }

    void read()
    {
        checkStatus();
        if (m_finished || !m_statusChecked)
            return;
        if (!m_reply->isOpen())
            return;
        const int droppedBefore = m_splitter.droppedLines();
        bool produced = false;
        for (const QString &line : m_splitter.feed(m_reply->readAll())) {
            if (auto events = HueEventStreamParser::events(line)) {
                m_batches.append(std::move(*events));
                produced = true;
            }
        }
        if (m_splitter.droppedLines() != droppedBefore)
            qCWarning(lcBridge) << "skipped an event-stream line longer than"
                                << m_session->options().maximumStreamLineSize << "bytes";
        if (produced)
            m_signal.post();
    }

    void transferFinished()
    {
        if (m_finished)
            return;
        const bool hasStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        if (!hasStatus) {
            if (m_reply->error() == QNetworkReply::NoError)
                finish(std::make_exception_ptr(HueBridgeError::invalidResponse()));
            else
                finish(replyFailure(m_reply));
            return;
        }
        checkStatus();
        if (m_finished)
            return;
        read();
        if (m_finished)
            return;
        if (m_reply->error() != QNetworkReply::NoError) {
            finish(replyFailure(m_reply));
            return;
        }
        // The bridge ended the response: a last line without a break still counts.
        for (const QString &line : m_splitter.finish()) {
            if (auto events = HueEventStreamParser::events(line))
                m_batches.append(std::move(*events));
        }
        finish(nullptr);
    }

    void finish(std::exception_ptr error)
    {
        m_finished = true;
        m_error = std::move(error);
        drop();
        m_signal.post();
    }

    void drop()
    {
        if (!m_reply)
            return;
        QNetworkReply *reply = std::exchange(m_reply, nullptr);
        // Only this producer's connections: the manager's own (its finished
        // signal, which tests and benchmarks follow) stay.
        QObject::disconnect(reply, nullptr, &m_signal, nullptr);
        if (m_refused && !reply->isFinished()) {
            // Qt reports a refusing status as an error of its own once the
            // (short) body is in; aborting before that makes it report twice.
            // So the reply finishes by itself, and is cut only if its body
            // does not end.
            QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
            QTimer::singleShot(refusedBodyGrace, reply, [reply] {
                if (!reply->isFinished())
                    reply->abort();
            });
            return;
        }
        if (!reply->isFinished())
            reply->abort();
        reply->deleteLater();
    }

    std::shared_ptr<HueBridgeSession> m_session;
    StreamSignal m_signal;
    QNetworkReply *m_reply = nullptr;
    HueLineSplitter m_splitter;
    QList<QList<HueEvent>> m_batches;
    bool m_statusChecked = false;
    bool m_refused = false;
    bool m_finished = false;
    std::exception_ptr m_error;
};

namespace {

QCoro::Task<std::optional<QList<HueEvent>>> nextBatch(std::shared_ptr<HueEventStream::Producer> producer,
                                                      HueCancellationToken cancel)
{
    // The reader's cancellation stops the stream itself.
    auto registration = cancel.onCancel([weak = std::weak_ptr(producer)] {
        if (auto alive = weak.lock())
            alive->cancel();
    });
    while (true) {
        if (producer->hasBatch())
            co_return producer->takeBatch();
        if (producer->isFinished()) {
            if (producer->error())
                std::rethrow_exception(producer->error());
            co_return std::nullopt;
        }
        HueResumeGate gate;
        QObject::connect(producer->signal(), &StreamSignal::changed, gate.context(), [&gate] { gate.open(); });
        co_await gate.wait();
    }
}

QCoro::Task<bool> streamOpened(std::shared_ptr<HueEventStream::Producer> producer, std::chrono::milliseconds limit,
                               HueCancellationToken cancel)
{
    if (!producer->isOpen() && !producer->isFinished() && !cancel.isCancelled()) {
        // One wake-up is enough: the head, the end, the limit or the cancellation
        // (a batch comes only after the head).
        HueResumeGate gate;
        QObject::connect(producer->signal(), &StreamSignal::changed, gate.context(), [&gate] { gate.open(); });
        QTimer::singleShot(limit, Qt::PreciseTimer, gate.context(), [&gate] { gate.open(); });
        auto registration = cancel.onCancel([&gate] { gate.open(); });
        co_await gate.wait();
    }
    co_return producer->isOpen();
}

// A default-constructed or moved-from stream has nothing to give.
QCoro::Task<std::optional<QList<HueEvent>>> endOfEmptyStream()
{
    co_return std::nullopt;
}

} // namespace

HueEventStream::HueEventStream(std::shared_ptr<Producer> producer)
    : m_producer(std::move(producer))
{
}

HueEventStream::HueEventStream(HueEventStream &&other) noexcept = default;

HueEventStream &HueEventStream::operator=(HueEventStream &&other) noexcept
{
    if (this != &other) {
        cancel();
        m_producer = std::move(other.m_producer);
    }
    return *this;
}

HueEventStream::~HueEventStream()
{
    cancel();
}

QCoro::Task<std::optional<QList<HueEvent>>> HueEventStream::next(HueCancellationToken cancel)
{
    if (!m_producer)
        return endOfEmptyStream();
    return nextBatch(m_producer, std::move(cancel));
}

QCoro::Task<bool> HueEventStream::opened(std::chrono::milliseconds limit, HueCancellationToken cancel)
{
    if (!m_producer)
        co_return false;
    co_return co_await streamOpened(m_producer, limit, std::move(cancel));
}

void HueEventStream::cancel()
{
    if (m_producer)
        m_producer->cancel();
}

HueEventStream HueBridgeClient::events() const
{
    QNetworkRequest request = this->request(u"/eventstream/clip/v2"_s);
    request.setRawHeader(QByteArrayLiteral("Accept"), QByteArrayLiteral("text/event-stream"));
    // Counts idle time: the transfer is given up only when nothing arrives for this long.
    request.setTransferTimeout(int(m_session->options().streamIdleTimeout.count()));
    return HueEventStream(std::make_shared<HueEventStream::Producer>(m_session, request));
}

#include "HueEventStream.moc"
