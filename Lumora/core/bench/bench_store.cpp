// What the store costs where the user feels it, on a Bridge-Pro-sized home
// served by the simulator on loopback:
//  - the time from start() to ready (key, load, decode, first home);
//  - the main-thread cost of one setLight during a drag (local change, group
//    recomputation, hold timer, coalescer submission).
// Run: build-bench/Lumora/core/bench/bench_store [rounds]
#include "BenchSupport.h"
#include "BridgeSimulator.h"
#include "HueBridgeSession.h"
#include "HueStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace BenchSupport;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;

    BridgeSimulator sim;
    sim.generateHome(SimHomeSize::bridgePro());
    QString error;
    if (!sim.start(QHostAddress::LocalHost, 0, &error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    const QString key = sim.addApplicationKey();
    QTemporaryDir folder;

    HueStore::Environment environment;
    environment.keys =
        BridgeKeyStore{[key](QString) { return constantKey(key); }, [](QString, QString) { return refuseSave(); },
                       [](QString) { return noDelete(); }};
    const QSslCertificate root = sim.rootCertificate();
    const quint16 port = sim.port();
    environment.makeClient = [root, port](QString host, std::optional<QString> id, std::optional<QString> k) {
        HueBridgeSession::Options options;
        options.expectedBridgeID = std::move(id);
        options.trustAnchor = root;
        options.port = port;
        return HueBridgeClient(std::move(host), std::move(k), HueBridgeSession::create(options));
    };
    environment.discover = [] { return nothingFound(); };
    environment.deviceName = [] { return u"bench"_s; };

    QList<double> startTimes;
    QList<double> setLightTimes;
    for (int round = 0; round < rounds; ++round) {
        auto defaults = std::make_shared<QSettings>(folder.filePath(u"settings.ini"_s), QSettings::IniFormat);
        PairedBridge{sim.bridgeId().toLower(), sim.name(), u"127.0.0.1"_s}.save(*defaults);
        HueStore store(defaults, environment);

        QElapsedTimer clock;
        clock.start();
        store.start();
        if (!waitUntil([&] { return store.phase() == HueStore::Phase::ready(); }, 30000)) {
            std::fprintf(stderr, "store did not become ready\n");
            return 1;
        }
        startTimes.append(clock.nsecsElapsed() / 1e6);

        // A drag over three lights of one room, as a slider reports it.
        const auto rooms = store.home().rooms();
        const HueGroup room = rooms.first();
        qint64 spent = 0;
        const int calls = 600;
        for (int i = 0; i < calls; ++i) {
            const QString &light = room.lights[i % std::min<qsizetype>(3, room.lights.size())].id;
            const qint64 before = threadCpuNanoseconds();
            store.setLight(light, HueLightCommand{{}, 1.0 + (i % 99), {}, {}});
            spent += threadCpuNanoseconds() - before;
            if (i % 6 == 0)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        setLightTimes.append(spent / 1e6 / calls);
        waitUntil([] { return false; }, 300);
    }
    std::printf("resources: %lld, rooms+zones: %d\n", static_cast<long long>(sim.resources().size()), 50);
    std::printf("start() to ready: median %.1f ms over %d rounds\n", median(startTimes), rounds);
    std::printf("setLight on the main thread: median %.4f ms CPU per call\n", median(setLightTimes));
    return 0;
}
