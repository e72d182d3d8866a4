// A long run of the whole application, wired as main() wires it, against an
// in-process bridge that is changed from outside every second, misbehaves at
// random (overload storms, stalls, dropped and reset streams, restarts) and
// is driven by a scripted user. At the end, after a quiet period, the
// application's home must equal the bridge's state; memory and open files
// must not have grown; no request may have gone out without the key.
//
//   lumora_soak [MINUTES] [--key-file PATH] [--seed N]
//
// The key is written to PATH (never printed) so that the caller can scan
// the captured output for it. Exit status 0 when every check holds.
#include "BridgeSimulator.h"
#include "LumoraApplication.h"
#include "QuickHarness.h"

#include <QCoro/QCoroTask>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QQuickWindow>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

/// Resident memory in KiB, from /proc/self/status.
qint64 residentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

int openFiles()
{
    return int(QDir(u"/proc/self/fd"_s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QJsonObject onPatch(bool on)
{
    return {{u"on"_s, QJsonObject{{u"on"_s, on}}}};
}

struct Minute
{
    int minute = 0;
    qint64 rssKiB = 0;
    int files = 0;
    int requests = 0;
    int userCommands = 0;
    int outsideChanges = 0;
    int faults = 0;
    int restarts = 0;
    int commandErrors = 0;
    int unreachableSeconds = 0;
    QString phase;
};

QCoro::Task<void> saveScene(QPointer<HueStore> store, QString name, HueGroup group, int *failures)
{
    if (!store)
        co_return;
    const std::optional<QString> failure = co_await store->saveScene(std::move(name), std::move(group));
    if (failure)
        ++*failures;
}

class SoakRun : public QObject
{
public:
    SoakRun(int minutes, quint32 seed, QString keyFile)
        : m_minutes(minutes)
        , m_random(seed)
        , m_keyFile(std::move(keyFile))
    {
    }

    int run()
    {
        m_bridge = std::make_unique<TestBridge>();
        BridgeSimulator *sim = m_bridge->simulator();
        // The log is read live below; a short one keeps memory flat.
        sim->setRequestLogLimit(500);
        // Events once a second, as a real bridge sends them.
        sim->setEventInterval(1000);
        connect(sim, &BridgeSimulator::requestReceived, this, [this](const SimRequest &request) {
            ++m_current.requests;
            const QString path = request.path();
            const bool needsKey = path.startsWith("/clip/v2"_L1) || path.startsWith("/eventstream"_L1);
            if (needsKey && request.header("hue-application-key") != m_key.toUtf8()) {
                ++m_keyless;
                say(u"REQUEST WITHOUT THE KEY: "_s + request.method + u' ' + path);
            }
        });
        HueStore::Environment environment = m_bridge->environment();
        // The application's own reconnect delays, not the tests' short ones.
        environment.reconnectDelay = &HueStore::standardReconnectDelay;
        m_key = QCoro::waitFor(environment.keys.load(m_bridge->bridgeId())).value_or(QString());
        if (!m_keyFile.isEmpty()) {
            QFile file(m_keyFile);
            if (!file.open(QIODevice::WriteOnly) || file.write(m_key.toUtf8()) < 0) {
                say(u"cannot write the key file "_s + m_keyFile);
                return 2;
            }
        }

        LumoraApplication::applyLook();
        m_app = std::make_unique<LumoraApplication>(
            LumoraApplication::Services{m_bridge->settings(), environment, nullptr});
        QString error;
        if (!m_app->load(&error)) {
            say(u"the application did not load: "_s + error);
            return 2;
        }
        m_app->mainWindow()->show();
        connect(store(), &HueStore::commandErrorChanged, this, [this] {
            if (store()->commandError())
                ++m_current.commandErrors;
        });
        if (!waitFor([this] { return store()->phase() == HueStorePhase::ready(); }, 20000)) {
            say(u"the application never became ready"_s);
            return 1;
        }
        m_startRss = residentKiB();
        m_startFiles = openFiles();
        say(u"soak: %1 minutes, start: %2 MiB resident, %3 open files"_s.arg(m_minutes)
                .arg(double(m_startRss) / 1024, 0, 'f', 1)
                .arg(m_startFiles));
        say(u"minute  rss-MiB  files  requests  keyless  user  failed  outside  faults  restarts  unreachable-s  phase"_s);

        QTimer outside;
        connect(&outside, &QTimer::timeout, this, [this] { changeFromOutside(); });
        outside.start(1000);
        QTimer user;
        connect(&user, &QTimer::timeout, this, [this] { actAsUser(); });
        user.start(600);
        QTimer faults;
        connect(&faults, &QTimer::timeout, this, [this] { misbehave(); });
        faults.start(15000);
        QTimer seconds;
        connect(&seconds, &QTimer::timeout, this, [this] {
            if (store()->phase().kind == HueStorePhase::Kind::unreachable)
                ++m_current.unreachableSeconds;
        });
        seconds.start(1000);
        QTimer minutes;
        connect(&minutes, &QTimer::timeout, this, [this] { sample(); });
        minutes.start(60000);

        m_restartDue.setRemainingTime(restartInterval());
        pause(m_minutes * 60000);
        outside.stop();
        user.stop();
        faults.stop();
        seconds.stop();
        minutes.stop();
        m_drag.stop();
        if (m_current.requests > 0)
            sample();
        return finish();
    }

private:
    HueStore *store() const { return m_app->store(); }
    BridgeSimulator *simulator() const { return m_bridge->simulator(); }

    static void pause(int milliseconds)
    {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }

    static bool waitFor(const std::function<bool()> &condition, int milliseconds)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > milliseconds)
                return false;
            pause(50);
        }
        return true;
    }

    /// A restart of the bridge every two and a half to four minutes.
    int restartInterval() { return 150000 + m_random.bounded(90000); }

    template<typename T>
    const T &pick(const QList<T> &list)
    {
        return list.at(m_random.bounded(int(list.size())));
    }
    double percent() { return 1 + m_random.bounded(9900) / 100.0; }
    HueXY colour() { return {0.15 + m_random.bounded(40) / 100.0, 0.1 + m_random.bounded(40) / 100.0}; }
    int mirek() { return 160 + m_random.bounded(300); }

    void changeFromOutside()
    {
        const QStringList lights = simulator()->resourceIds(u"light"_s);
        if (lights.isEmpty() || !simulator()->isListening())
            return;
        const QString id = pick(lights);
        const QJsonObject light = simulator()->resource(id).value_or(QJsonObject());
        QJsonObject patch;
        switch (m_random.bounded(4)) {
        case 0:
            patch = onPatch(!light.value("on"_L1).toObject().value("on"_L1).toBool());
            break;
        case 1:
            if (light.contains("dimming"_L1))
                patch = {{u"dimming"_s, QJsonObject{{u"brightness"_s, percent()}}}};
            break;
        case 2:
            if (light.contains("color"_L1)) {
                const HueXY xy = colour();
                patch = {{u"color"_s, QJsonObject{{u"xy"_s, QJsonObject{{u"x"_s, xy.x}, {u"y"_s, xy.y}}}}}};
            }
            break;
        default:
            if (light.contains("color_temperature"_L1))
                patch = {{u"color_temperature"_s, QJsonObject{{u"mirek"_s, mirek()}}}};
        }
        if (!patch.isEmpty() && simulator()->changeFromOutside(id, patch))
            ++m_current.outsideChanges;
    }

    HueLightCommand randomCommand(const std::optional<HueLight> &light)
    {
        HueLightCommand command;
        switch (m_random.bounded(4)) {
        case 0:
            command.isOn = m_random.bounded(2) == 0;
            break;
        case 1:
            // The cards offer a slider only for lights that have a brightness.
            if (!light || light->brightness)
                command.brightness = percent();
            else
                command.isOn = m_random.bounded(2) == 0;
            break;
        case 2:
            if (!light || light->supportsColor)
                command.xy = colour();
            else
                command.isOn = true;
            break;
        default:
            if (!light || light->supportsColorTemperature())
                command.mirek = mirek();
            else
                command.isOn = true;
        }
        return command;
    }

    void actAsUser()
    {
        const HueHome &home = store()->home();
        if (home.isEmpty() || m_drag.isActive())
            return;
        ++m_current.userCommands;
        const int choice = m_random.bounded(100);
        const QList<HueLight> lights = home.lights();
        QList<HueLight> dimmable;
        std::copy_if(lights.cbegin(), lights.cend(), std::back_inserter(dimmable),
                     [](const HueLight &light) { return light.brightness.has_value(); });
        const QList<HueGroup> groups = home.allGroups();
        QList<HueScene> scenes;
        QList<HueScene> ours;
        for (const HueGroup &group : home.rooms() + home.zones()) {
            for (const HueScene &scene : group.scenes) {
                scenes.append(scene);
                if (scene.name.startsWith("Soak "_L1))
                    ours.append(scene);
            }
        }
        if (choice < 35 && !lights.isEmpty()) {
            const HueLight &light = pick(lights);
            store()->setLight(light.id, randomCommand(light));
        } else if (choice < 45 && !dimmable.isEmpty()) {
            // A slider dragged for two seconds.
            startDrag(pick(dimmable).id, {});
        } else if (choice < 60 && !groups.isEmpty()) {
            store()->setGroup(pick(groups), randomCommand(std::nullopt));
        } else if (choice < 65 && !groups.isEmpty()) {
            const HueGroup &group = pick(groups);
            startDrag({}, group.id);
        } else if (choice < 80 && !scenes.isEmpty()) {
            store()->recall(pick(scenes));
        } else if (choice < 88 && ours.size() < 6) {
            QList<HueGroup> owners = home.rooms() + home.zones();
            saveScene(store(), u"Soak %1"_s.arg(++m_sceneNumber), pick(owners), &m_saveFailures);
        } else if (choice < 94 && !ours.isEmpty()) {
            store()->overwriteScene(pick(ours));
        } else if (!ours.isEmpty()) {
            store()->deleteScene(pick(ours));
        }
    }

    void startDrag(const QString &lightID, const QString &groupID)
    {
        m_dragSteps = 0;
        m_dragValue = percent();
        m_drag.disconnect(this);
        connect(&m_drag, &QTimer::timeout, this, [this, lightID, groupID] {
            m_dragValue = std::clamp(m_dragValue + (m_random.bounded(11) - 5), 1.0, 100.0);
            HueLightCommand command;
            command.brightness = m_dragValue;
            if (!lightID.isEmpty()) {
                store()->setLight(lightID, command);
            } else if (const auto group = store()->home().group(groupID)) {
                store()->setGroup(*group, command);
            }
            if (++m_dragSteps >= 40)
                m_drag.stop();
        });
        m_drag.start(50);
    }

    void misbehave()
    {
        BridgeSimulator *sim = simulator();
        ++m_current.faults;
        if (m_restartDue.hasExpired()) {
            m_restartDue.setRemainingTime(restartInterval());
            ++m_current.restarts;
            sim->goDown();
            const int downFor = 3000 + m_random.bounded(12000);
            QTimer::singleShot(downFor, this, [this] {
                if (!simulator()->isListening())
                    simulator()->comeBack();
            });
            return;
        }
        const QString commands = u"^/clip/v2/resource/(light|grouped_light|scene)"_s;
        switch (m_random.bounded(8)) {
        case 0:
            sim->addFault(SimFault::respond(503).onPath(u"^/clip/v2"_s).times(20));
            break;
        case 1:
            sim->addFault(SimFault::respond(429).onPath(u"^/clip/v2"_s).times(20));
            break;
        case 2:
            sim->addFault(SimFault::html(503).onPath(commands).times(5));
            break;
        case 3:
            sim->addFault(SimFault::stall().onPath(commands).times(3));
            break;
        case 4:
            sim->addFault(SimFault::delay(2500).onPath(u"^/clip/v2"_s).times(10));
            break;
        case 5:
            sim->endEventStreams();
            break;
        case 6:
            sim->abortEventStreams();
            break;
        default:
            sim->closeConnections();
        }
        // A storm that found no requests does not outlive its turn.
        QTimer::singleShot(10000, sim, &BridgeSimulator::clearFaults);
    }

    void sample()
    {
        m_current.minute = m_minutesDone.size() + 1;
        m_current.rssKiB = residentKiB();
        m_current.files = openFiles();
        const HueStorePhase::Kind kind = store()->phase().kind;
        m_current.phase = kind == HueStorePhase::Kind::ready         ? u"ready"_s
                          : kind == HueStorePhase::Kind::unreachable ? u"unreachable"_s
                          : kind == HueStorePhase::Kind::connecting  ? u"connecting"_s
                                                                     : u"unpaired"_s;
        say(QStringList{
            QString::number(m_current.minute).rightJustified(6),
            QString::number(double(m_current.rssKiB) / 1024, 'f', 1).rightJustified(7),
            QString::number(m_current.files).rightJustified(5), QString::number(m_current.requests).rightJustified(8),
            QString::number(m_keyless).rightJustified(7), QString::number(m_current.userCommands).rightJustified(4),
            QString::number(m_current.commandErrors).rightJustified(6),
            QString::number(m_current.outsideChanges).rightJustified(7),
            QString::number(m_current.faults).rightJustified(6), QString::number(m_current.restarts).rightJustified(8),
            QString::number(m_current.unreachableSeconds).rightJustified(13), m_current.phase}
                .join(u"  "_s));
        m_minutesDone.append(m_current);
        m_current = {};
    }

    /// Differences between what the application shows and what the bridge holds.
    QStringList differences() const
    {
        QList<HueResource> resources;
        for (const QJsonValue &value : simulator()->resources()) {
            if (auto resource = HueResource::fromJson(value))
                resources.append(*resource);
        }
        const HueHome bridge(resources);
        const HueHome &shown = store()->home();
        QStringList found;
        const auto within = [](std::optional<double> a, std::optional<double> b, double tolerance) {
            return a.has_value() == b.has_value() && (!a || std::abs(*a - *b) <= tolerance);
        };
        const QList<HueLight> truth = bridge.lights();
        if (truth.size() != shown.lights().size())
            found.append(u"%1 lights shown, %2 on the bridge"_s.arg(shown.lights().size()).arg(truth.size()));
        for (const HueLight &light : truth) {
            const auto mine = shown.light(light.id);
            if (!mine) {
                found.append(u"light %1 missing"_s.arg(light.name));
                continue;
            }
            if (mine->isOn != light.isOn)
                found.append(u"light %1: on %2, bridge %3"_s.arg(light.name).arg(mine->isOn).arg(light.isOn));
            if (!within(mine->brightness, light.brightness, 0.5))
                found.append(u"light %1: brightness %2, bridge %3"_s.arg(light.name)
                                 .arg(mine->brightness.value_or(-1))
                                 .arg(light.brightness.value_or(-1)));
            if (!within(mine->xy ? std::optional(mine->xy->x) : std::nullopt,
                        light.xy ? std::optional(light.xy->x) : std::nullopt, 0.002)
                || !within(mine->xy ? std::optional(mine->xy->y) : std::nullopt,
                           light.xy ? std::optional(light.xy->y) : std::nullopt, 0.002))
                found.append(u"light %1: colour differs"_s.arg(light.name));
            if (mine->mirek != light.mirek)
                found.append(u"light %1: mirek %2, bridge %3"_s.arg(light.name)
                                 .arg(mine->mirek.value_or(-1))
                                 .arg(light.mirek.value_or(-1)));
        }
        const auto sceneList = [](const HueHome &home) {
            QStringList list;
            for (const HueGroup &group : home.allGroups()) {
                for (const HueScene &scene : group.scenes)
                    list.append(scene.id + u' ' + scene.name);
            }
            list.sort();
            list.removeDuplicates();
            return list;
        };
        if (sceneList(shown) != sceneList(bridge))
            found.append(u"scenes shown: %1; on the bridge: %2"_s.arg(sceneList(shown).join(u", "_s),
                                                                      sceneList(bridge).join(u", "_s)));
        return found;
    }

    int finish()
    {
        say(u"quiet period: faults cleared, the bridge listening, nobody changing anything"_s);
        simulator()->clearFaults();
        if (!simulator()->isListening())
            simulator()->comeBack();
        const bool ready = waitFor([this] { return store()->phase() == HueStorePhase::ready(); }, 60000);
        // Holds end 1.5 s after the last command; events come once a second.
        pause(5000);
        QStringList diff = differences();
        waitFor([&] { return (diff = differences()).isEmpty(); }, 20000);

        const qint64 baseRss = m_minutesDone.size() > 1 ? m_minutesDone.at(0).rssKiB : m_startRss;
        const int baseFiles = m_minutesDone.size() > 1 ? m_minutesDone.at(0).files : m_startFiles;
        qint64 peakRss = 0;
        int peakFiles = 0;
        for (const Minute &minute : std::as_const(m_minutesDone)) {
            peakRss = std::max(peakRss, minute.rssKiB);
            peakFiles = std::max(peakFiles, minute.files);
        }
        const qint64 endRss = residentKiB();
        const int endFiles = openFiles();
        const qint64 rssGrowth = endRss - baseRss;
        const int fileGrowth = endFiles - baseFiles;
        constexpr qint64 rssBoundKiB = 30 * 1024;
        constexpr int fileBound = 8;

        say(u"--- report ---"_s);
        say(u"minutes run: %1, scenes saved by the user: %2 (%3 refused)"_s.arg(m_minutesDone.size())
                .arg(m_sceneNumber)
                .arg(m_saveFailures));
        say(u"resident memory: start %1 MiB, after minute 1 %2 MiB, peak %3 MiB, end %4 MiB, growth %5 MiB (bound %6)"_s
                .arg(double(m_startRss) / 1024, 0, 'f', 1)
                .arg(double(baseRss) / 1024, 0, 'f', 1)
                .arg(double(peakRss) / 1024, 0, 'f', 1)
                .arg(double(endRss) / 1024, 0, 'f', 1)
                .arg(double(rssGrowth) / 1024, 0, 'f', 1)
                .arg(rssBoundKiB / 1024));
        say(u"open files: start %1, after minute 1 %2, peak %3, end %4 (bound +%5)"_s.arg(m_startFiles)
                .arg(baseFiles)
                .arg(peakFiles)
                .arg(endFiles)
                .arg(fileBound));
        say(u"requests without the key: %1"_s.arg(m_keyless));
        say(u"ready after the quiet period: %1"_s.arg(ready ? u"yes"_s : u"no"_s));
        say(u"home equals the bridge: %1"_s.arg(diff.isEmpty() ? u"yes"_s : u"no"_s));
        for (const QString &line : std::as_const(diff))
            say(u"  "_s + line);
        const bool passed =
            ready && diff.isEmpty() && m_keyless == 0 && rssGrowth <= rssBoundKiB && fileGrowth <= fileBound;
        say(passed ? u"verdict: PASS"_s : u"verdict: FAIL"_s);
        m_app.reset();
        m_bridge.reset();
        return passed ? 0 : 1;
    }

    int m_minutes;
    QRandomGenerator m_random;
    QString m_keyFile;
    QString m_key;
    std::unique_ptr<TestBridge> m_bridge;
    std::unique_ptr<LumoraApplication> m_app;
    QTimer m_drag;
    int m_dragSteps = 0;
    double m_dragValue = 50;
    QDeadlineTimer m_restartDue{QDeadlineTimer::Forever};
    int m_sceneNumber = 0;
    int m_saveFailures = 0;
    int m_keyless = 0;
    qint64 m_startRss = 0;
    int m_startFiles = 0;
    Minute m_current;
    QList<Minute> m_minutesDone;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int minutes = 60;
    quint32 seed = QRandomGenerator::system()->generate();
    QString keyFile;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == "--key-file"_L1 && i + 1 < arguments.size())
            keyFile = arguments.at(++i);
        else if (arguments.at(i) == "--seed"_L1 && i + 1 < arguments.size())
            seed = arguments.at(++i).toUInt();
        else if (arguments.at(i).toInt() > 0)
            minutes = arguments.at(i).toInt();
        else {
            say(u"usage: lumora_soak [MINUTES] [--key-file PATH] [--seed N]"_s);
            return 2;
        }
    }
    say(u"seed %1"_s.arg(seed));
    SoakRun soak(minutes, seed, keyFile);
    return soak.run();
}
