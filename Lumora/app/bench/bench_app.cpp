// Lumora as a user meets it, against a Bridge-Pro-sized home (150 lights, 50
// rooms and zones, 500 scenes) served by lumora-bridge-sim in a process of
// its own, so that the bridge's work never counts as the application's:
//  - start: from before the QML engine loads to the first frame drawn after
//    the store is ready with the home in the main window;
//  - resident memory once the home is shown;
//  - one live event batch of 20 light updates: main-thread CPU until every
//    list shows it, and what the lists did (changed rows versus resets);
//  - idle: CPU and wake-ups over a quiet minute while connected;
//  - 100 Hz drags of a light's and a room's brightness: the requests the
//    bridge sees per second, and that the last value arrives;
//  - in the tray (with a session bus, against a stand-in tray host): resident
//    memory and idle cost with the main window closed, and how long the menu
//    takes to open with the state of the moment.
// The application is wired as main() wires it (LumoraApplication), with an
// environment that trusts the simulator's root. Needs a display (Xvfb will
// do). Prints "RESULT name value" lines; scripts/bench reads them.
// Run: build-bench/Lumora/app/bench/lumora-bench-app [--idle S] [--drag S]
#include "AppIdentity.h"
#include "BenchSupport.h"
#include "BridgeKeyStore.h"
#include "HueBridgeSession.h"
#include "KeyedListModel.h"
#include "LumoraApplication.h"
#include "LumoraStore.h"
#include "PairedBridge.h"
#include "TrayDBusTypes.h"
#include "TrayIcon.h"
#include "TrayMenu.h"

#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QSettings>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace BenchSupport;

namespace {

// Every thread of this process (the network and render threads included),
// never the simulator's.
qint64 processCpuNanoseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ns = [](const timeval &t) { return qint64(t.tv_sec) * 1'000'000'000 + qint64(t.tv_usec) * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

// A thread gives up the processor voluntarily each time it goes to sleep, so
// the count over the threads tells how often the process woke up. The
// process's own count keeps the switches of threads that have ended: a sum
// over /proc/self/task would lose them, and go down when a thread ends.
qint64 voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

double residentMiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// Runs the event loop (without spinning) for a while.
void spin(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void result(const char *name, double value)
{
    std::printf("RESULT %s %.4g\n", name, value);
    std::fflush(stdout);
}

/// The session's tray host, as Plasma offers it.
class StandInWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

public Q_SLOTS:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString &) {}
};

void fail(const QString &why)
{
    std::fprintf(stderr, "lumora-bench-app: %s\n", qPrintable(why));
}

/// lumora-bridge-sim as a child process, driven through its standard input.
class Simulator
{
public:
    ~Simulator()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    bool start(const QString &program, const QStringList &arguments)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, arguments);
        if (!m_process.waitForStarted(10000))
            return false;
        for (;;) {
            const std::optional<QString> line = readLine(30000);
            if (!line)
                return false;
            if (*line == "READY"_L1)
                return true;
            const qsizetype equals = line->indexOf(u'=');
            if (equals > 0)
                m_values.insert(line->left(equals), line->mid(equals + 1));
        }
    }

    QString value(const QString &name) const { return m_values.value(name); }

    /// Sends a command; its one-line answer is read by the next call.
    void send(const QString &command) { m_process.write(command.toUtf8() + '\n'); }

    /// Sends a command and returns the lines of its answer.
    QStringList command(const QString &command)
    {
        // Every command but "log" answers with one JSON line; a "status"
        // after it marks where the log ends.
        drain();
        send(command);
        send(u"status"_s);
        QStringList lines;
        bool first = true;
        while (const std::optional<QString> line = readLine(10000)) {
            if (line->startsWith(u'{')) {
                if (!first || command.startsWith(u"log"_s))
                    break;
                first = false;
            }
            lines.append(*line);
        }
        return lines;
    }

    /// Forgets answers nobody reads.
    void drain()
    {
        m_process.waitForReadyRead(50);
        m_process.readAll();
        m_pending.clear();
    }

private:
    std::optional<QString> readLine(int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            const qsizetype newline = m_pending.indexOf('\n');
            if (newline >= 0) {
                const QString line = QString::fromUtf8(m_pending.left(newline)).trimmed();
                m_pending.remove(0, newline + 1);
                return line;
            }
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0 || (!m_process.waitForReadyRead(int(left)) && m_process.state() != QProcess::Running))
                return std::nullopt;
            m_pending += m_process.readAll();
        }
    }

    QProcess m_process;
    QByteArray m_pending;
    QHash<QString, QString> m_values;
};

struct Request
{
    QDateTime time;
    QString target;
    QJsonObject body;
};

// Log lines look like
// "2026-12-06T16:52:45.109Z #2 PUT /clip/v2/resource/light/ID -> 200 [host, …] {…}".
QList<Request> puts(const QStringList &log)
{
    QList<Request> list;
    for (const QString &line : log) {
        const QStringList words = line.split(u' ');
        if (words.size() < 4 || words.at(2) != "PUT"_L1)
            continue;
        const qsizetype bodyAt = line.indexOf(u"] {"_s);
        Request request{QDateTime::fromString(words.at(0), Qt::ISODateWithMs), words.at(3), {}};
        if (bodyAt >= 0)
            request.body = QJsonDocument::fromJson(line.mid(bodyAt + 2).toUtf8()).object();
        list.append(request);
    }
    return list;
}

struct DragFigures
{
    int requests = 0;
    int mostInOneSecond = 0;
    double perSecond = 0;
    bool lastValueArrived = false;
};

DragFigures dragFigures(const QList<Request> &all, const QString &target, double seconds, double lastValue)
{
    QList<QDateTime> times;
    std::optional<double> last;
    for (const Request &request : all) {
        if (request.target != target)
            continue;
        times.append(request.time);
        last = request.body.value(u"dimming"_s).toObject().value(u"brightness"_s).toDouble(-1);
    }
    DragFigures figures;
    figures.requests = int(times.size());
    figures.perSecond = seconds > 0 ? times.size() / seconds : 0;
    for (qsizetype i = 0; i < times.size(); ++i) {
        int inWindow = 0;
        for (qsizetype j = i; j < times.size() && times.at(i).msecsTo(times.at(j)) < 1000; ++j)
            ++inWindow;
        figures.mostInOneSecond = std::max(figures.mostInOneSecond, inWindow);
    }
    figures.lastValueArrived = last && qFuzzyCompare(*last, lastValue);
    return figures;
}

QList<KeyedListModel *> listModels(QQuickWindow *window)
{
    QSet<KeyedListModel *> found;
    const QList<KeyedListModel *> owned = window->findChildren<KeyedListModel *>();
    found.unite(QSet<KeyedListModel *>(owned.cbegin(), owned.cend()));
    std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
        const QList<KeyedListModel *> children = item->findChildren<KeyedListModel *>(Qt::FindDirectChildrenOnly);
        found.unite(QSet<KeyedListModel *>(children.cbegin(), children.cend()));
        const QList<QQuickItem *> items = item->childItems();
        for (QQuickItem *child : items)
            walk(child);
    };
    walk(window->contentItem());
    return found.values();
}

KeyedListModel::Statistics total(const QList<KeyedListModel *> &models)
{
    KeyedListModel::Statistics sum;
    for (const KeyedListModel *model : models) {
        sum.resets += model->statistics().resets;
        sum.inserts += model->statistics().inserts;
        sum.removes += model->statistics().removes;
        sum.moves += model->statistics().moves;
        sum.changes += model->statistics().changes;
    }
    return sum;
}

} // namespace

int main(int argc, char *argv[])
{
    AppIdentity::apply();
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    const QCommandLineOption simOption(u"sim"_s, u"The lumora-bridge-sim executable."_s, u"path"_s,
#ifdef LUMORA_BRIDGE_SIM
                                       QStringLiteral(LUMORA_BRIDGE_SIM)
#else
                                       u"lumora-bridge-sim"_s
#endif
    );
    const QCommandLineOption idleOption(u"idle"_s, u"Seconds of idle measurement (0: none)."_s, u"s"_s, u"60"_s);
    const QCommandLineOption dragOption(u"drag"_s, u"Seconds of each drag (0: none)."_s, u"s"_s, u"3"_s);
    const QCommandLineOption batchOption(u"batches"_s, u"Event batches to measure."_s, u"n"_s, u"5"_s);
    const QCommandLineOption keychainOption(
        u"keychain"_s, u"Keep the key in the session's credential store (needs its D-Bus session bus)."_s);
    parser.addHelpOption();
    parser.addOptions({simOption, idleOption, dragOption, batchOption, keychainOption});
    parser.process(app);

    QTemporaryDir folder;
    const QString rootPem = folder.filePath(u"root.pem"_s);
    const QString key = u"lumorabenchlumorabenchlumorabenchlumora0"_s;
    Simulator sim;
    if (!sim.start(parser.value(simOption),
                   {u"--generate"_s, u"pro"_s, u"--root-pem"_s, rootPem, u"--key"_s, key, u"--port"_s, u"0"_s})) {
        fail(u"the simulator did not start"_s);
        return 1;
    }
    QFile pem(rootPem);
    const QList<QSslCertificate> roots =
        pem.open(QIODevice::ReadOnly) ? QSslCertificate::fromData(pem.readAll(), QSsl::Pem) : QList<QSslCertificate>{};
    if (roots.isEmpty()) {
        fail(u"no root certificate from the simulator"_s);
        return 1;
    }

    LumoraApplication::Services services;
    services.settings = std::make_shared<QSettings>(folder.filePath(u"settings.ini"_s), QSettings::IniFormat);
    PairedBridge{sim.value(u"BRIDGE_ID"_s).toLower(), u"Hue Bridge"_s, u"127.0.0.1"_s}.save(*services.settings);
    HueStore::Environment &environment = services.environment;
    // The steps of the start as they happen, in ms on the start's clock.
    QElapsedTimer clock;
    QHash<QByteArray, double> marks;
    const auto mark = [&clock, &marks](const QByteArray &name) {
        if (!marks.contains(name))
            marks.insert(name, clock.nsecsElapsed() / 1e6);
    };
    const QString bridgeID = sim.value(u"BRIDGE_ID"_s).toLower();
    if (parser.isSet(keychainOption)) {
        const BridgeKeyStore keychain = BridgeKeyStore::keychain();
        if (!QCoro::waitFor(keychain.save(key, bridgeID))) {
            fail(u"the credential store did not keep the key"_s);
            return 1;
        }
        environment.keys = keychain;
    } else {
        environment.keys.load = [key](QString) { return constantKey(key); };
        environment.keys.save = [](QString, QString) { return refuseSave(); };
        environment.keys.delete_ = [](QString) { return noDelete(); };
    }
    environment.keys.load = [load = environment.keys.load, mark](QString account) {
        return [](auto load, auto mark, QString account) -> QCoro::Task<std::optional<QString>> {
            mark("key_asked");
            std::optional<QString> found = co_await load(std::move(account));
            mark("key_found");
            co_return found;
        }(load, mark, std::move(account));
    };
    const QSslCertificate root = roots.first();
    const quint16 port = quint16(sim.value(u"PORT"_s).toUInt());
    environment.makeClient = [root, port, mark](QString host, std::optional<QString> bridgeID,
                                                std::optional<QString> applicationKey) {
        mark("client_made");
        HueBridgeSession::Options options;
        options.expectedBridgeID = std::move(bridgeID);
        options.trustAnchor = root;
        options.port = port;
        auto session = HueBridgeSession::create(options);
        QNetworkAccessManager *manager = session->manager();
        QObject::connect(manager, &QNetworkAccessManager::encrypted, manager, [mark](QNetworkReply *reply) {
            mark(reply->url().path().startsWith(u"/eventstream"_s) ? "stream_tls" : "listing_tls");
        });
        QObject::connect(manager, &QNetworkAccessManager::finished, manager, [mark](QNetworkReply *reply) {
            if (reply->url().path() == "/clip/v2/resource"_L1)
                mark("listing_received");
        });
        return HueBridgeClient(std::move(host), std::move(applicationKey), std::move(session));
    };
    environment.discover = [] { return nothingFound(); };
    environment.deviceName = [] { return u"bench"_s; };

    // A tray host on the session bus, when there is one: Lumora then keeps
    // running in the tray when its window closes.
    StandInWatcher watcher;
    QDBusConnection watcherBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"watcher"_s);
    const bool withTray =
        watcherBus.isConnected()
        && watcherBus.registerObject(u"/StatusNotifierWatcher"_s, &watcher, QDBusConnection::ExportScriptableSlots)
        && watcherBus.registerService(u"org.kde.StatusNotifierWatcher"_s);

    // Start ---------------------------------------------------------------------
    clock.start();
    const qint64 cpuAtStart = threadCpuNanoseconds();
    LumoraApplication::applyLook();
    LumoraApplication lumora(services);
    QObject::connect(lumora.store(), &HueStore::homeChanged, lumora.store(), [&] { mark("home_replaced"); });
    QString error;
    if (!lumora.load(&error)) {
        fail(u"the main window did not load: "_s + error);
        return 1;
    }
    const double loaded = clock.nsecsElapsed() / 1e6;
    QQuickWindow *window = lumora.mainWindow();
    auto *store = lumora.engine()->singletonInstance<LumoraStore *>(qmlTypeId("Lumora", 1, 0, "Store"));
    if (!window || !store) {
        fail(u"no main window or no Store"_s);
        return 1;
    }

    // The frame that shows the home: synchronised after the lists took the
    // home (on the GUI thread, which is blocked while the scene synchronises),
    // then swapped.
    enum Stage { waiting, armed, synced, shown };
    std::atomic<int> stage{waiting};
    std::atomic<qint64> shownAt{-1};
    std::atomic<int> frames{0};
    double readyAt = 0;
    QObject::connect(
        window, &QQuickWindow::afterSynchronizing, window,
        [&] {
            int expected = armed;
            stage.compare_exchange_strong(expected, synced);
        },
        Qt::DirectConnection);
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [&] {
            ++frames;
            int expected = synced;
            if (stage.compare_exchange_strong(expected, shown))
                shownAt = clock.nsecsElapsed();
        },
        Qt::DirectConnection);
    const auto arm = [&] {
        if (stage != waiting || store->phase() != LumoraStore::Ready || store->snapshot().rooms.isEmpty()
            || store->screen() != LumoraStore::MainScreen)
            return;
        readyAt = clock.nsecsElapsed() / 1e6;
        stage = armed;
        window->update();
    };
    QObject::connect(store, &LumoraStore::snapshotChanged, store, arm);
    QObject::connect(store, &LumoraStore::screenChanged, store, arm);
    QObject::connect(store, &LumoraStore::phaseChanged, store, arm);
    arm();
    if (!waitUntil([&] { return stage == shown; }, 60000)) {
        fail(u"the home did not show within 60 s"_s);
        return 1;
    }
    const double startCpu = (threadCpuNanoseconds() - cpuAtStart) / 1e6;
    result("start_ms", shownAt / 1e6);
    result("start_load_ms", loaded);
    result("start_ready_ms", readyAt);
    result("start_main_cpu_ms", startCpu);
    for (const char *name :
         {"key_asked", "key_found", "client_made", "stream_tls", "listing_tls", "listing_received", "home_replaced"}) {
        result(QByteArray("start_at_" + QByteArray(name) + "_ms").constData(), marks.value(name, -1));
    }
    const HueHome &home = store->store()->home();
    result("home_resources", double(home.resources.size()));

    spin(1500);
    result("rss_mib", residentMiB());

    // One live event batch -------------------------------------------------------
    const QList<KeyedListModel *> models = listModels(window);
    int rows = 0;
    for (const KeyedListModel *model : models)
        rows += model->count();
    result("list_models", double(models.size()));
    result("list_rows", double(rows));

    const QList<HueLight> lights = home.lights();
    QStringList batchLights;
    for (int i = 0; i < 20 && !lights.isEmpty(); ++i)
        batchLights.append(lights.at(i * lights.size() / 20).id);
    QList<double> batchCpu;
    QList<double> listsCpu;
    KeyedListModel::Statistics batchStats;
    const KeyedListModel::Statistics before = total(models);
    const int batches = std::max(1, parser.value(batchOption).toInt());
    for (int b = 0; b < batches; ++b) {
        const double value = 11.5 + 13 * b;
        QJsonArray data;
        for (const QString &id : std::as_const(batchLights))
            data.append(QJsonObject{
                {u"id"_s, id}, {u"type"_s, u"light"_s}, {u"dimming"_s, QJsonObject{{u"brightness"_s, value}}}});
        const QJsonArray containers{QJsonObject{{u"type"_s, u"update"_s},
                                                {u"id"_s, u"bench-%1"_s.arg(b)},
                                                {u"creationtime"_s, u"2026-12-06T20:00:00Z"_s},
                                                {u"data"_s, data}}};
        const QString command =
            u"event "_s + QString::fromUtf8(QJsonDocument(containers).toJson(QJsonDocument::Compact));
        sim.drain();
        qint64 listsStart = -1;
        qint64 end = -1;
        const auto shows = [&] {
            for (const QString &id : std::as_const(batchLights)) {
                const HueLight *light = store->snapshot().light(id);
                if (!light || light->brightness != value)
                    return false;
            }
            return true;
        };
        QEventLoop loop;
        const auto started = QObject::connect(store->store(), &HueStore::homeChanged, &loop, [&] {
            if (listsStart < 0)
                listsStart = threadCpuNanoseconds();
        });
        // Connected after every list, so it runs when they are done.
        const auto done = QObject::connect(store, &LumoraStore::snapshotChanged, &loop, [&] {
            if (end < 0 && shows()) {
                end = threadCpuNanoseconds();
                loop.quit();
            }
        });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        const qint64 start = threadCpuNanoseconds();
        sim.send(command);
        loop.exec();
        QObject::disconnect(started);
        QObject::disconnect(done);
        if (end < 0) {
            fail(u"the event batch did not reach the lists"_s);
            return 1;
        }
        batchCpu.append((end - start) / 1e6);
        listsCpu.append((end - listsStart) / 1e6);
        spin(300);
    }
    const KeyedListModel::Statistics after = total(models);
    result("batch_updates", double(batchLights.size()));
    result("batch_cpu_ms", median(batchCpu));
    result("batch_lists_cpu_ms", median(listsCpu));
    result("batch_changes", double(after.changes - before.changes) / batches);
    result("batch_resets", double(after.resets - before.resets) / batches);
    result("batch_inserts_removes_moves",
           double(after.inserts - before.inserts + after.removes - before.removes + after.moves - before.moves)
               / batches);

    // Idle -----------------------------------------------------------------------
    // The event loop left alone for the given seconds: the process's CPU, its
    // wake-ups, the timer events the application's objects receive (the
    // measurement's own timer is one of them) and the frames drawn, each
    // reported under `prefix`.
    const int idleSeconds = parser.value(idleOption).toInt();
    const auto measureIdle = [&](const char *prefix) {
        struct TimerCounter : QObject
        {
            int timers = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Timer)
                    ++timers;
                return false;
            }
        } counter;
        app.installEventFilter(&counter);
        const int framesBefore = frames;
        const qint64 cpuBefore = processCpuNanoseconds();
        const qint64 switchesBefore = voluntarySwitches();
        QElapsedTimer idle;
        idle.start();
        spin(idleSeconds * 1000);
        const double seconds = idle.nsecsElapsed() / 1e9;
        const qint64 cpu = processCpuNanoseconds() - cpuBefore;
        const qint64 switches = voluntarySwitches() - switchesBefore;
        app.removeEventFilter(&counter);
        const auto report = [prefix](const char *name, double value) {
            result(qPrintable(QLatin1StringView(prefix) + u'_' + QLatin1StringView(name)), value);
        };
        report("seconds", seconds);
        report("cpu_percent", cpu / 1e9 / seconds * 100);
        report("wakeups_per_s", switches / seconds);
        report("timer_events", counter.timers);
        report("frames", frames - framesBefore);
    };
    if (idleSeconds > 0) {
        spin(3000);
        measureIdle("idle");
    }

    // Drags ----------------------------------------------------------------------
    const int dragSeconds = parser.value(dragOption).toInt();
    if (dragSeconds > 0) {
        const HueGroup room = store->snapshot().rooms.first();
        const QString lightID = room.lights.first().id;
        const auto drag = [&](const std::function<void(double)> &step, QList<double> *stepCpu) {
            int i = 0;
            double last = 0;
            QEventLoop loop;
            QTimer tick;
            tick.setTimerType(Qt::PreciseTimer);
            QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
                last = 1 + (i++ % 99);
                const qint64 before = threadCpuNanoseconds();
                step(last);
                stepCpu->append((threadCpuNanoseconds() - before) / 1e6);
            });
            tick.start(10);
            QTimer::singleShot(dragSeconds * 1000, &loop, &QEventLoop::quit);
            const qint64 cpuBefore = threadCpuNanoseconds();
            loop.exec();
            tick.stop();
            return std::pair(last, (threadCpuNanoseconds() - cpuBefore) / 1e9 / dragSeconds * 100);
        };

        sim.command(u"clear-log"_s);
        QList<double> setLightCpu;
        const auto [lightLast, lightMainCpu] =
            drag([&](double value) { store->setLightBrightness(lightID, value); }, &setLightCpu);
        spin(1700);
        const DragFigures light = dragFigures(puts(sim.command(u"log 100000"_s)),
                                              u"/clip/v2/resource/light/"_s + lightID, dragSeconds, lightLast);

        sim.command(u"clear-log"_s);
        QList<double> setGroupCpu;
        const auto [groupLast, groupMainCpu] =
            drag([&](double value) { store->setGroupBrightness(room.id, value); }, &setGroupCpu);
        spin(2700);
        const DragFigures group = dragFigures(
            puts(sim.command(u"log 100000"_s)),
            u"/clip/v2/resource/grouped_light/"_s + room.groupedLightID.value_or(QString()), dragSeconds, groupLast);

        result("drag_light_calls", double(setLightCpu.size()));
        result("drag_light_requests", light.requests);
        result("drag_light_per_s", light.perSecond);
        result("drag_light_most_in_1s", light.mostInOneSecond);
        result("drag_light_last_arrived", light.lastValueArrived ? 1 : 0);
        result("drag_light_main_cpu_percent", lightMainCpu);
        result("drag_setlight_ms", median(setLightCpu));
        result("drag_group_requests", group.requests);
        result("drag_group_per_s", group.perSecond);
        result("drag_group_most_in_1s", group.mostInOneSecond);
        result("drag_group_last_arrived", group.lastValueArrived ? 1 : 0);
        result("drag_group_main_cpu_percent", groupMainCpu);
        result("drag_setgroup_ms", median(setGroupCpu));
    }

    // In the tray ----------------------------------------------------------------
    if (withTray && waitUntil([&] { return lumora.tray()->isShown(); }, 5000)) {
        // The window closes as the user closes it; what it held is released.
        window->close();
        if (!waitUntil([&] { return !lumora.mainWindow(); }, 5000)) {
            fail(u"the closed window was not released"_s);
            return 1;
        }
        spin(2000);
        result("tray_rss_mib", residentMiB());
        if (idleSeconds > 0)
            measureIdle("tray_idle");
        // Opening the menu as a panel does (AboutToShow, then the whole
        // layout) from its own connection, each time right after a room
        // changed from outside: the time until the answer that shows it.
        registerTrayDBusTypes();
        QDBusConnection panel = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"panel"_s);
        const auto menuCall = [&](const QString &method, const QVariantList &arguments) {
            QDBusMessage message =
                QDBusMessage::createMethodCall(lumora.tray()->serviceName(), QString::fromLatin1(TrayIcon::menuPath),
                                               u"com.canonical.dbusmenu"_s, method);
            message.setArguments(arguments);
            const QDBusPendingCall pending = panel.asyncCall(message, 5000);
            waitUntil([&] { return pending.isFinished(); }, 6000);
            return pending.reply();
        };
        const HueGroup room = lumora.store()->home().rooms().first();
        QList<double> opened;
        int current = 0;
        for (int i = 0; i < 10; ++i) {
            const bool on = i % 2 == 0;
            QJsonArray data;
            for (const HueLight &light : room.lights)
                data.append(
                    QJsonObject{{u"id"_s, light.id}, {u"type"_s, u"light"_s}, {u"on"_s, QJsonObject{{u"on"_s, on}}}});
            // The room's state is its grouped light's, which the bridge reports beside the lights.
            data.append(QJsonObject{{u"id"_s, room.groupedLightID.value_or(QString())},
                                    {u"type"_s, u"grouped_light"_s},
                                    {u"on"_s, QJsonObject{{u"on"_s, on}}}});
            sim.send(
                u"event "_s
                + QString::fromUtf8(QJsonDocument(QJsonArray{QJsonObject{{u"type"_s, u"update"_s},
                                                                         {u"id"_s, u"tray-%1"_s.arg(i)},
                                                                         {u"creationtime"_s, u"2026-12-06T20:00:00Z"_s},
                                                                         {u"data"_s, data}}})
                                        .toJson(QJsonDocument::Compact)));
            waitUntil([&] { return lumora.store()->home().group(room.id)->isOn == on; }, 5000);
            QElapsedTimer open;
            open.start();
            menuCall(u"AboutToShow"_s, {0});
            const QDBusMessage reply = menuCall(u"GetLayout"_s, {0, -1, QStringList()});
            opened.append(open.nsecsElapsed() / 1e6);
            const DBusMenuLayout layout =
                reply.arguments().size() == 2 ? qdbus_cast<DBusMenuLayout>(reply.arguments().at(1)) : DBusMenuLayout();
            // Rooms are in a submenu in a home this size; find the room's toggle.
            std::function<bool(const DBusMenuLayout &)> shows = [&](const DBusMenuLayout &entry) {
                if (entry.properties.value(u"label"_s).toString() == room.name
                    && entry.properties.contains(u"toggle-state"_s))
                    return entry.properties.value(u"toggle-state"_s).toInt() == (on ? 1 : 0);
                return std::ranges::any_of(entry.children, shows);
            };
            current += shows(layout) ? 1 : 0;
        }
        result("tray_menu_ms", median(opened));
        result("tray_menu_current", current == opened.size() ? 1 : 0);
    }
    return 0;
}

#include "bench_app.moc"
