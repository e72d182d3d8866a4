// The event stream against the bridge simulator over TLS: batches in order,
// the lines a bridge sends besides events, refusing statuses, the three ways a
// stream ends (bridge closes, failure, idle timeout) and the consumer stopping.
#include "ClientTestSupport.h"
#include "HueBridgeClient.h"
#include "HueCancellationToken.h"
#include "HueEventStream.h"
#include "SimulatedBridge.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace ClientTestSupport;
using namespace std::chrono_literals;

namespace {

using Batch = QList<HueEvent>;

QJsonObject lightUpdate(const QString &id, bool on)
{
    return QJsonObject{
        {"type"_L1, u"update"_s},
        {"id"_L1, QString(u"event-"_s + id)},
        {"creationtime"_L1, u"2024-01-01T00:00:00Z"_s},
        {"data"_L1,
         QJsonArray{QJsonObject{{"id"_L1, id}, {"type"_L1, u"light"_s}, {"on"_L1, QJsonObject{{"on"_L1, on}}}}}},
    };
}

// The next element, or "end", or the error that ended the stream.
QString nextOf(HueEventStream &stream, HueCancellationToken token = {})
{
    const auto outcome = run(stream.next(token));
    if (!outcome.error.isEmpty())
        return outcome.error;
    if (!*outcome.value)
        return u"end"_s;
    QStringList parts;
    for (const HueEvent &event : **outcome.value) {
        for (const HueResource &resource : event.resources)
            parts << resource.id + (resource.isOn.value_or(false) ? u"+"_s : u"-"_s);
    }
    return parts.join(u',');
}

} // namespace

class TestEventStreamClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // Qt complains when a reply reports its failure twice (an abort racing its
        // own error report); the client must not provoke that.
        QTest::failOnWarning(QRegularExpression(u"must only be called once"_s));
        m_sim = std::make_unique<SimulatedBridge>();
        QVERIFY2(m_sim->error.isEmpty(), qPrintable(m_sim->error));
        m_sim->setEventInterval(0);
    }
    void cleanup() { m_sim.reset(); }

    // Batches in order, the first with two events; both streams start at once
    // and buffer what comes while nobody reads.
    void batchesInOrderAndBuffered()
    {
        HueEventStream stream = client().events();
        HueEventStream witness = client().events();
        QVERIFY(waitForStreams(2));
        m_sim->sendEventContainers(QJsonArray{lightUpdate(u"a"_s, true), lightUpdate(u"b"_s, false)});
        for (int i = 0; i < 4; ++i)
            m_sim->sendEventContainers(QJsonArray{lightUpdate(u"l"_s + QString::number(i), true)});
        m_sim->endEventStreams();
        // Once another stream has read the same bytes to their end, they have
        // reached the first one too, which nobody was reading.
        for (HueEventStream *reader : {&witness, &stream}) {
            QCOMPARE(nextOf(*reader), u"a+,b-"_s);
            for (int i = 0; i < 4; ++i)
                QCOMPARE(nextOf(*reader), u"l"_s + QString::number(i) + u'+');
            QCOMPARE(nextOf(*reader), u"end"_s);
        }
        QCOMPARE(nextOf(stream), u"end"_s); // and stays at its end

        // Method, path and key: the simulator streams nothing else (revokedKeyEndsTheStream).
        const SimRequest request = m_sim->requestLog().first();
        QCOMPARE(request.header("accept"), "text/event-stream"_ba);
        QVERIFY(!request.hasHeader("content-type"));
    }
    // Many messages arriving while the reader waits wake it many times; it must
    // resume once per wait (a second wake-up after its frame is gone would crash).
    void burstWhileReading()
    {
        HueEventStream stream = client().events();
        QVERIFY(waitForStreams(1));
        int updates = 0;
        for (int round = 0; round < 5; ++round) {
            m_sim->sendUpdateBurst(200, 3);
            int batches = 0;
            while (updates < (round + 1) * 600 && batches < 1000) {
                const auto outcome = run(stream.next());
                QCOMPARE(outcome.error, QString());
                QVERIFY(*outcome.value);
                for (const HueEvent &event : **outcome.value)
                    updates += int(event.resources.size());
                ++batches;
            }
        }
        QCOMPARE(updates, 3000);
    }
    // What only the stream shows: lines cut across writes, junk lines before an
    // event, and an endless line dropped under the session's limit.
    void linesThatAreNotEvents()
    {
        QTest::failOnWarning(QRegularExpression(u"longer than"_s)); // no log line unless asked for
        HueBridgeSession::Options options;
        options.maximumStreamLineSize = 64 * 1024;
        HueEventStream stream = client(options).events();
        QVERIFY(waitForStreams(1));
        const QByteArray event = QJsonDocument(QJsonArray{lightUpdate(u"x"_s, true)}).toJson(QJsonDocument::Compact);
        m_sim->sendRawEventBytes(": comment\r\nid: 1700000000:0\r\ndata: not json\r\ndata: " + event.left(10));
        m_sim->sendRawEventBytes(event.mid(10) + "\xe2\x80\xa8");
        QCOMPARE(nextOf(stream), u"x+"_s);
        for (int i = 0; i < 8; ++i)
            m_sim->sendRawEventBytes("data: [" + QByteArray(32 * 1024, ' '));
        m_sim->sendRawEventBytes("]\rdata: " + event + "\n");
        QCOMPARE(nextOf(stream), u"x+"_s);
    }
    void openedWaitsForTheHead()
    {
        // The store loads the listing only once its stream is open (tst_store
        // startsReadyWithTheHome): neither a refusal nor a stall holds it longer.
        m_sim->addFault(SimFault::stall().onPath(u"^/eventstream"_s).times(1));
        HueEventStream stalled = client().events();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(run(stalled.opened(300ms)).value, std::optional(false));
        QVERIFY(clock.elapsed() >= 290);
        m_sim->addFault(SimFault::respond(503).onPath(u"^/eventstream"_s).times(1));
        HueEventStream refused = client().events();
        clock.restart();
        QCOMPARE(run(refused.opened(60s)).value, std::optional(false));
        QVERIFY(clock.elapsed() < 30000);
        QCOMPARE(nextOf(refused), u"http:503"_s);
        QCOMPARE(nextOf(refused), u"http:503"_s); // finished for good
    }
    // A normal end in either framing; an abort is an error the store can tell from it.
    void bridgeEndsTheStream()
    {
        using Framing = BridgeSimulator::StreamFraming;
        for (const auto &[framing, abort] :
             {std::pair{Framing::chunked, false}, std::pair{Framing::closeDelimited, false},
              std::pair{Framing::chunked, true}}) {
            m_sim->setStreamFraming(framing);
            HueEventStream stream = client().events();
            QVERIFY(waitForStreams(1));
            m_sim->sendEventContainers(QJsonArray{lightUpdate(u"a"_s, true)});
            QCOMPARE(nextOf(stream), u"a+"_s);
            if (abort) {
                m_sim->abortEventStreams();
            } else {
                // A last line without a break still counts.
                m_sim->sendRawEventBytes(
                    "data: " + QJsonDocument(QJsonArray{lightUpdate(u"b"_s, false)}).toJson(QJsonDocument::Compact));
                m_sim->endEventStreams();
                QCOMPARE(nextOf(stream), u"b-"_s);
            }
            QCOMPARE(nextOf(stream).left(10), abort ? u"transport:"_s : u"end"_s);
            QVERIFY(waitForStreams(0));
        }
    }
    void idleTimeoutEndsWithError()
    {
        HueBridgeSession::Options options;
        // Generous against the 300 ms gaps, so that a loaded machine keeps it alive.
        options.streamIdleTimeout = 3s;
        HueEventStream stream = client(options).events();
        QVERIFY(waitForStreams(1));
        // Traffic keeps it alive ...
        for (int i = 0; i < 4; ++i) {
            QTest::qWait(300);
            m_sim->sendEventContainers(QJsonArray{lightUpdate(u"a"_s, true)});
        }
        for (int i = 0; i < 4; ++i)
            QCOMPARE(nextOf(stream), u"a+"_s);
        // ... silence ends it, with an error the store can tell from a normal end.
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(nextOf(stream), u"transport:TimeoutError"_s);
        QVERIFY(clock.elapsed() < 20000);
    }
    void consumerStops()
    {
        HueEventStream stream = client().events();
        QVERIFY(waitForStreams(1));
        HueCancellationToken token;
        QTimer::singleShot(100ms, [token] { token.cancel(); });
        QCOMPARE(nextOf(stream, token), u"cancelled"_s);
        // The transfer is aborted, and nothing is produced afterwards.
        QVERIFY(waitForStreams(0));
        m_sim->sendEventContainers(QJsonArray{lightUpdate(u"a"_s, true)});
        QCOMPARE(nextOf(stream), u"cancelled"_s);

        // Dropping a stream aborts its transfer too.
        {
            HueEventStream dropped = client().events();
            QVERIFY(waitForStreams(1));
        }
        QVERIFY(waitForStreams(0));

        // Moving keeps one live connection; the moved-from stream is empty.
        HueEventStream first = client().events();
        QVERIFY(waitForStreams(1));
        HueEventStream second = std::move(first);
        QVERIFY(!first.isValid());
        QCOMPARE(nextOf(first), u"end"_s);
        m_sim->sendEventContainers(QJsonArray{lightUpdate(u"m"_s, false)});
        QCOMPARE(nextOf(second), u"m-"_s);
        second.cancel();
        QVERIFY(waitForStreams(0));
    }
    void revokedKeyEndsTheStream()
    {
        HueEventStream stream = client().events();
        QVERIFY(waitForStreams(1));
        m_sim->revokeApplicationKey(m_sim->key);
        const QString end = nextOf(stream);
        QVERIFY2(end == u"end"_s || end.startsWith(u"transport:"_s), qPrintable(end));
        // Reconnecting with the revoked key is refused before any element.
        HueEventStream again = client().events();
        QCOMPARE(nextOf(again), u"unauthorized"_s);
    }

private:
    HueBridgeClient client(HueBridgeSession::Options options = {}) const
    {
        return HueBridgeClient(u"127.0.0.1"_s, m_sim->key, sessionFor(*m_sim, m_sim->bridgeId(), std::move(options)));
    }
    bool waitForStreams(int count) const
    {
        return QTest::qWaitFor([&] { return m_sim->eventStreamCount() == count; }, 10000);
    }

    std::unique_ptr<SimulatedBridge> m_sim;
};

QTEST_GUILESS_MAIN(TestEventStreamClient)
#include "tst_eventstreamclient.moc"
