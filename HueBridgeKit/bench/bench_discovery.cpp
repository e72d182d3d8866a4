// Multicast DNS costs: packets per second through the codec and the browse
// cache for the responses a bridge sends, and the time from the start of a
// browse to the first resolved result against a responder on loopback.
// The latter sends multicast, so run it only in a private network namespace:
//   HueBridgeKit/tests/in-private-netns.sh build-bench/HueBridgeKit/bench/bench_discovery
#include "HueBridgeDiscovery.h"
#include "MdnsBrowser.h"
#include "MdnsMessage.h"
#include "MdnsResponder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkInterface>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <chrono>

using namespace Qt::StringLiterals;

namespace {

const MdnsName serviceType = MdnsName::fromDotted(u"_hue._tcp.local");

/// A response with `services` bridges: PTR answers, SRV, TXT and A records.
QByteArray bridgeResponse(int services)
{
    MdnsMessage message;
    message.flags = MdnsMessage::flagResponse | MdnsMessage::flagAuthoritative;
    for (int i = 0; i < services; ++i) {
        const QString suffix = QString::number(0xa532a7 + i, 16).toUpper();
        const auto instance = MdnsName::instance(u"Hue Bridge - "_s + suffix, serviceType);
        const auto host = MdnsName::fromDotted(QString(u"001788"_s + suffix.toLower() + u".local"_s));
        message.answers.append(MdnsMessage::Record::ptr(serviceType, instance, 4500));
        message.additionals.append(MdnsMessage::Record::srv(instance, host, 443, 120));
        message.additionals.append(MdnsMessage::Record::text(
            instance, {"bridgeid=001788fffe" + suffix.toLower().toLatin1(), "modelid=BSB002"}, 4500));
        message.additionals.append(MdnsMessage::Record::a(host, QHostAddress(quint32(0xc0a80100 + i)), 120));
    }
    return message.toBytes();
}

void BM_ParseResponse(benchmark::State &state)
{
    const QByteArray packet = bridgeResponse(int(state.range(0)));
    for (auto _ : state) {
        auto message = MdnsMessage::parse(packet);
        benchmark::DoNotOptimize(message);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * packet.size());
    state.counters["bytes/packet"] = double(packet.size());
}
BENCHMARK(BM_ParseResponse)->Arg(1)->Arg(2)->Arg(10);

void BM_ParseAndBrowse(benchmark::State &state)
{
    const QByteArray packet = bridgeResponse(int(state.range(0)));
    MdnsBrowser browser(serviceType);
    for (auto _ : state) {
        browser.process(*MdnsMessage::parse(packet));
        auto snapshot = browser.instances();
        benchmark::DoNotOptimize(snapshot);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAndBrowse)->Arg(1)->Arg(10);

void BM_RejectPointerChains(benchmark::State &state)
{
    // Hostile input must be cheap too: each record's name points at the
    // previous record's name, so the chains grow until the hop limit refuses
    // the packet.
    QByteArray packet = QByteArray::fromHex("000084000000") + QByteArray::fromHex("0200 0000 0000");
    qsizetype previousName = packet.size();
    packet += QByteArray::fromHex("0161 00 0001 0001 00000078 0004 7f000001");
    for (int i = 1; i < 512; ++i) {
        const qsizetype name = packet.size();
        packet += char(0xc0 | (previousName >> 8));
        packet += char(previousName & 0xff);
        packet += QByteArray::fromHex("0001 0001 00000078 0004 7f000001");
        previousName = name;
    }
    if (MdnsMessage::parse(packet)) {
        state.SkipWithError("the chain was accepted");
        return;
    }
    for (auto _ : state) {
        auto message = MdnsMessage::parse(packet);
        benchmark::DoNotOptimize(message);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes/packet"] = double(packet.size());
}
BENCHMARK(BM_RejectPointerChains);

bool inPrivateNamespace()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    return std::all_of(interfaces.cbegin(), interfaces.cend(), [](const QNetworkInterface &interface) {
        return interface.flags().testFlag(QNetworkInterface::IsLoopBack);
    });
}

void BM_BrowseToFirstResult(benchmark::State &state)
{
    if (!inPrivateNamespace()) {
        state.SkipWithError("sends multicast: run inside in-private-netns.sh");
        return;
    }
    MdnsResponder responder;
    responder.setService(u"Hue Bridge - A532A7"_s, u"001788a532a7.local"_s, QHostAddress(u"127.0.0.2"_s), 443,
                         {{"bridgeid", "001788fffea532a7"}, {"modelid", "BSB002"}});
    if (!responder.start()) {
        state.SkipWithError("responder did not start");
        return;
    }
    for (auto _ : state) {
        QElapsedTimer elapsed;
        elapsed.start();
        MdnsBrowser browser(serviceType);
        QEventLoop loop;
        QObject::connect(&browser, &MdnsBrowser::instancesChanged, &loop, [&] {
            const auto instances = browser.instances();
            if (!instances.isEmpty() && !instances.constFirst().ipv4.isEmpty())
                loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        browser.start();
        loop.exec();
        state.SetIterationTime(double(elapsed.nsecsElapsed()) / 1e9);
        if (browser.instances().isEmpty()) {
            state.SkipWithError("no result within 5 s");
            break;
        }
    }
}
BENCHMARK(BM_BrowseToFirstResult)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
