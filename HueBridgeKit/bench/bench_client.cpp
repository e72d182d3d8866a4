// What one client costs: light commands per second sent one after another over
// TLS to a bridge simulator in another process (so that the process CPU time
// measured here is the client's alone), and event-stream lines through line
// splitting, parsing and decoding; and how far hostile bridges lift the
// client's memory.
// Run: build-bench/HueBridgeKit/bench/bench_client
#include "HueBridgeClient.h"
#include "HueEventStreamParser.h"
#include "HueLineSplitter.h"
#include "HueTransportError.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <memory>
#include <optional>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// lumora-bridge-sim in its own process, on loopback, with a known key.
struct SimulatorProcess
{
    QTemporaryDir dir;
    QProcess process;
    quint16 port = 0;
    QString bridgeID;
    QSslCertificate root;

    /// A running simulator, or null when it did not start (and `state` is
    /// then marked as skipped).
    static std::unique_ptr<SimulatorProcess> started(benchmark::State &state);

    bool start()
    {
        const QString pem = dir.filePath(u"root.pem"_s);
        process.start(QStringLiteral(LUMORA_BRIDGE_SIM), {u"--generate"_s, u"small"_s, u"--key"_s, u"bench-key"_s,
                                                          u"--root-pem"_s, pem, u"--event-interval"_s, u"0"_s});
        if (!process.waitForStarted(10000))
            return false;
        QByteArray output;
        while (!output.contains("READY")) {
            if (!process.waitForReadyRead(10000))
                return false;
            output += process.readAllStandardOutput();
        }
        for (const QByteArray &line : output.split('\n')) {
            if (line.startsWith("PORT="))
                port = quint16(line.mid(5).trimmed().toUInt());
            else if (line.startsWith("BRIDGE_ID="))
                bridgeID = QString::fromUtf8(line.mid(10).trimmed());
        }
        const auto roots = QSslCertificate::fromPath(pem);
        if (roots.isEmpty() || port == 0)
            return false;
        root = roots.first();
        return true;
    }

    /// A client of the simulated bridge that trusts its root, with the key
    /// the simulator was started with.
    HueBridgeClient client() const
    {
        HueBridgeSession::Options options;
        options.expectedBridgeID = bridgeID;
        options.trustAnchor = root;
        options.port = port;
        return HueBridgeClient(u"127.0.0.1"_s, u"bench-key"_s, HueBridgeSession::create(options));
    }

    /// Sends one command line and returns the line it answers with.
    QByteArray command(const QByteArray &line)
    {
        process.write(line + '\n');
        process.waitForBytesWritten(5000);
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(10000))
                return {};
        }
        return process.readLine();
    }

    ~SimulatorProcess()
    {
        process.closeWriteChannel();
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(5000);
    }
};

std::unique_ptr<SimulatorProcess> SimulatorProcess::started(benchmark::State &state)
{
    auto sim = std::make_unique<SimulatorProcess>();
    if (sim->start())
        return sim;
    state.SkipWithError("cannot start lumora-bridge-sim");
    return nullptr;
}

QCoro::Task<bool> sendOnce(HueBridgeClient client, HueLightCommand command, QString lightID)
{
    try {
        co_await client.sendToLight(command, lightID);
        co_return true;
    } catch (...) {
        co_return false;
    }
}

QCoro::Task<QString> firstLight(HueBridgeClient client)
{
    try {
        const QList<HueResource> resources = co_await client.resources();
        for (const HueResource &resource : resources) {
            if (resource.type == u"light"_s)
                co_return resource.id;
        }
    } catch (...) {
    }
    co_return QString();
}

void BM_SendToLightSequential(benchmark::State &state)
{
    const auto started = SimulatorProcess::started(state);
    if (!started)
        return;
    SimulatorProcess &sim = *started;
    const HueBridgeClient client = sim.client();
    const QString light = QCoro::waitFor(firstLight(client));
    if (light.isEmpty()) {
        state.SkipWithError("the simulator has no light");
        return;
    }
    HueLightCommand command;
    command.brightness = 50;
    QCoro::waitFor(sendOnce(client, command, light)); // connection and handshake outside the loop

    const double cpuBefore = processCpuSeconds();
    int failures = 0;
    for (auto _ : state) {
        command.brightness = 1 + double(state.iterations() % 100);
        if (!QCoro::waitFor(sendOnce(client, command, light)))
            ++failures;
    }
    const double cpu = processCpuSeconds() - cpuBefore;
    state.counters["requests/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["client_cpu_us/request"] = cpu * 1e6 / double(state.iterations());
    state.counters["failed"] = failures;
}

QByteArray streamBody(int messages, int eventsPerMessage)
{
    QByteArray body = ": hi\n\n";
    for (int m = 0; m < messages; ++m) {
        QJsonArray events;
        for (int e = 0; e < eventsPerMessage; ++e) {
            const QString id = u"3f0a%1-0000-4000-8000-%2"_s.arg(e, 4, 10, QChar(u'0')).arg(m, 12, 10, QChar(u'0'));
            events.append(QJsonObject{
                {"creationtime"_L1, u"2024-05-01T12:00:00Z"_s},
                {"id"_L1, u"evt-%1-%2"_s.arg(m).arg(e)},
                {"type"_L1, u"update"_s},
                {"data"_L1, QJsonArray{QJsonObject{
                                {"id"_L1, id},
                                {"type"_L1, e % 3 == 0 ? u"grouped_light"_s : u"light"_s},
                                {"owner"_L1, QJsonObject{{"rid"_L1, id}, {"rtype"_L1, u"device"_s}}},
                                {"on"_L1, QJsonObject{{"on"_L1, true}}},
                                {"dimming"_L1, QJsonObject{{"brightness"_L1, 0.20000000298023225 * (e + 1)}}},
                                {"color"_L1, QJsonObject{{"xy"_L1, QJsonObject{{"x"_L1, 0.4573}, {"y"_L1, 0.41}}}}},
                            }}},
            });
        }
        body += "id: 1714564800:" + QByteArray::number(m)
                + "\ndata: " + QJsonDocument(events).toJson(QJsonDocument::Compact) + "\n\n";
    }
    return body;
}

void BM_EventStreamParseDecode(benchmark::State &state)
{
    const int eventsPerMessage = int(state.range(0));
    const int messages = 200;
    const QByteArray body = streamBody(messages, eventsPerMessage);
    qint64 events = 0;
    for (auto _ : state) {
        HueLineSplitter splitter;
        // Network-sized reads.
        for (qsizetype at = 0; at < body.size(); at += 16 * 1024) {
            for (const QString &line :
                 splitter.feed(QByteArrayView(body).sliced(at, std::min<qsizetype>(16 * 1024, body.size() - at)))) {
                if (auto batch = HueEventStreamParser::events(line))
                    events += batch->size();
            }
        }
        benchmark::DoNotOptimize(events);
    }
    state.counters["events/s"] = benchmark::Counter(double(events), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * body.size());
}

QCoro::Task<qint64> readUpdates(HueEventStream *stream, qint64 wanted)
{
    qint64 updates = 0;
    try {
        while (updates < wanted) {
            const auto batch = co_await stream->next();
            if (!batch)
                break;
            for (const HueEvent &event : *batch)
                updates += event.resources.size();
        }
    } catch (...) {
    }
    co_return updates;
}

// The whole path of a live update: TLS, line splitting, parsing, decoding. The
// simulator is its own process, told by its command input to send bursts.
void BM_EventStreamThroughSimulator(benchmark::State &state)
{
    const int itemsPerMessage = int(state.range(0));
    const int messages = 100;
    const auto started = SimulatorProcess::started(state);
    if (!started)
        return;
    SimulatorProcess &sim = *started;
    const HueBridgeClient client = sim.client();
    HueEventStream stream = client.events();
    bool connected = false;
    for (int attempt = 0; attempt < 200 && !connected; ++attempt) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        connected = sim.command("status").contains(R"("eventStreams":1)");
    }
    if (!connected) {
        state.SkipWithError("the event stream did not connect");
        return;
    }

    const double cpuBefore = processCpuSeconds();
    qint64 updates = 0;
    const QByteArray burst = "burst " + QByteArray::number(messages) + ' ' + QByteArray::number(itemsPerMessage);
    for (auto _ : state) {
        sim.command(burst);
        updates += QCoro::waitFor(readUpdates(&stream, qint64(messages) * itemsPerMessage));
    }
    const double cpu = processCpuSeconds() - cpuBefore;
    state.counters["updates/s"] = benchmark::Counter(double(updates), benchmark::Counter::kIsRate);
    state.counters["client_cpu_us/update"] = cpu * 1e6 / double(std::max<qint64>(updates, 1));
}

// Resident memory from /proc/self/status ("VmRSS", "VmHWM"), in bytes.
qint64 processMemory(const QByteArray &field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':')))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

QCoro::Task<QString> configOutcome(HueBridgeClient client)
{
    try {
        co_await client.config();
        co_return u"ok"_s;
    } catch (const HueBridgeError &) {
        co_return u"bridge error"_s;
    } catch (const HueTransportError &error) {
        co_return error.message();
    } catch (...) {
        co_return u"other error"_s;
    }
}

// How far a hostile bridge lifts the client's resident memory above its
// steady state, with the session's real limits (nothing shortened): a
// 60 MiB answer, a response head that never ends, and an event-stream line
// that never ends, read for 20 seconds. The simulator floods at full
// loopback speed from its own process.
void BM_HostilePeerPeakMemory(benchmark::State &state)
{
    const int kind = int(state.range(0));
    const auto started = SimulatorProcess::started(state);
    if (!started)
        return;
    SimulatorProcess &sim = *started;
    const HueBridgeClient client = sim.client();
    QCoro::waitFor(configOutcome(client)); // connection, handshake and caches outside the measurement
    const QByteArray fault = kind == 0   ? "flood answer size=62914560 path=^/api/0/config count=1"
                             : kind == 1 ? "flood header path=^/api/0/config count=1"
                                         : "flood line path=^/eventstream count=1";
    sim.command(fault);

    QFile clearRefs(u"/proc/self/clear_refs"_s);
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5"); // the peak starts from here
    clearRefs.close();
    const qint64 steady = processMemory("VmRSS");
    QElapsedTimer clock;
    clock.start();
    for (auto _ : state) {
        if (kind < 2) {
            state.SetLabel(QCoro::waitFor(configOutcome(client)).toStdString());
        } else {
            HueEventStream stream = client.events();
            QDeadlineTimer end(20000);
            while (!end.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
    state.counters["peak_MiB_above_steady"] = double(processMemory("VmHWM") - steady) / (1024 * 1024);
    state.counters["seconds"] = double(clock.elapsed()) / 1000;
}

} // namespace

BENCHMARK(BM_HostilePeerPeakMemory)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_EventStreamThroughSimulator)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SendToLightSequential)->Unit(benchmark::kMicrosecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_EventStreamParseDecode)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
