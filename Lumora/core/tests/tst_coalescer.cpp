#include "CommandCoalescer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <coroutine>
#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using Duration = CommandCoalescer::Duration;

QCoro::Task<void> answeredAtOnce()
{
    co_return;
}

HueLightCommand brightness(double value)
{
    HueLightCommand command;
    command.brightness = value;
    return command;
}

/// A virtual clock and a bridge that answers only when the test says so:
/// every send stays in flight until complete(), every pause until advance()
/// passes its end. Timing is thus exact and the test takes no real time.
struct Script
{
    struct Sent
    {
        qint64 at;
        QString target;
        HueLightCommand command;
    };
    struct Sleeper
    {
        qint64 wake;
        qint64 sequence;
        std::coroutine_handle<> handle;
    };

    qint64 now = 0;
    qint64 sequence = 0;
    QList<Sent> sent;
    QHash<QString, std::coroutine_handle<>> inFlight;
    QList<Sleeper> sleepers;
    bool overlapped = false;
    QStringList throwFor; // targets whose next send throws

    struct InFlight
    {
        Script *script;
        QString target;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle) { script->inFlight.insert(target, handle); }
        void await_resume() const noexcept {}
    };
    struct Asleep
    {
        Script *script;
        qint64 wake;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle)
        {
            script->sleepers.append({wake, script->sequence++, handle});
        }
        void await_resume() const noexcept {}
    };

    static QCoro::Task<void> send(Script *script, QString target, HueLightCommand command)
    {
        if (script->inFlight.contains(target))
            script->overlapped = true;
        script->sent.append({script->now, target, command});
        if (script->throwFor.removeOne(target))
            throw std::runtime_error("scripted failure");
        co_await InFlight{script, target};
    }

    static QCoro::Task<void> pause(Script *script, Duration duration)
    {
        co_await Asleep{script, script->now + duration.count()};
    }

    CommandCoalescer::Send sender(const QString &target)
    {
        return [this, target](HueLightCommand command) { return send(this, target, std::move(command)); };
    }
    CommandCoalescer::Pause pauser()
    {
        return [this](Duration duration, HueCancellationToken) { return pause(this, duration); };
    }

    static void startQueuedLoops() { QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); }

    bool complete(const QString &target)
    {
        const auto handle = inFlight.take(target);
        if (!handle)
            return false;
        handle.resume();
        startQueuedLoops();
        return true;
    }

    void advanceTo(qint64 time)
    {
        startQueuedLoops();
        // Bounded: every round removes one sleeper.
        for (int round = 0; round < 10000; ++round) {
            auto earliest = sleepers.end();
            for (auto it = sleepers.begin(); it != sleepers.end(); ++it) {
                if (it->wake <= time
                    && (earliest == sleepers.end()
                        || std::pair(it->wake, it->sequence) < std::pair(earliest->wake, earliest->sequence)))
                    earliest = it;
            }
            if (earliest == sleepers.end())
                break;
            const Sleeper sleeper = *earliest;
            sleepers.erase(earliest);
            now = std::max(now, sleeper.wake);
            sleeper.handle.resume();
            startQueuedLoops();
        }
        now = std::max(now, time);
    }

    QStringList log() const
    {
        QStringList lines;
        for (const Sent &s : sent)
            lines.append(QString::number(s.at) + u' ' + s.target + u' '
                         + QString::number(s.command.brightness.value_or(-1)));
        return lines;
    }

    // Lets every suspended coroutine run to its end so that no frame leaks.
    ~Script()
    {
        for (int round = 0; round < 10000 && (!inFlight.isEmpty() || !sleepers.isEmpty()); ++round) {
            const QStringList targets = inFlight.keys();
            for (const QString &target : targets)
                complete(target);
            advanceTo(now + 3600'000);
        }
    }
};

QCoro::Task<void> recordSend(QList<qint64> *times, QElapsedTimer *clock, HueLightCommand)
{
    times->append(clock->elapsed());
    co_return;
}

} // namespace

class TestCoalescer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void burstSendsFirstAndLast()
    {
        Script script;
        CommandCoalescer coalescer(script.pauser());
        const QString light = u"light-1"_s;

        coalescer.submit(brightness(10), light, 100ms, script.sender(light));
        script.advanceTo(0);
        QCOMPARE(script.log(), QStringList{u"0 light-1 10"_s});

        coalescer.submit(brightness(20), light, 100ms, script.sender(light));
        coalescer.submit(brightness(30), light, 100ms, script.sender(light));
        script.advanceTo(40);
        QCOMPARE(script.sent.size(), 1); // the first is still in flight

        QVERIFY(script.complete(light)); // completes at 40
        script.advanceTo(139);
        QCOMPARE(script.sent.size(), 1);
        script.advanceTo(140);
        QCOMPARE(script.log(), (QStringList{u"0 light-1 10"_s, u"140 light-1 30"_s}));

        QVERIFY(script.complete(light));
        QVERIFY(coalescer.isRunning(light)); // resting once more after the last send
        script.advanceTo(240);
        QVERIFY(!coalescer.isRunning(light));
        QCOMPARE(script.sent.size(), 2);
        QVERIFY(!script.overlapped);
    }
    void mergedBeforeTheLoopRuns()
    {
        Script script;
        CommandCoalescer coalescer(script.pauser());
        const QString light = u"l"_s;
        for (double value : {10.0, 20.0, 30.0})
            coalescer.submit(brightness(value), light, 100ms, script.sender(light));
        QVERIFY(script.sent.isEmpty()); // submit never sends by itself
        script.advanceTo(0);
        QCOMPARE(script.log(), QStringList{u"0 l 30"_s});
    }
    void mergeRule_data()
    {
        QTest::addColumn<HueLightCommand>("first");
        QTest::addColumn<HueLightCommand>("second");
        QTest::addColumn<HueLightCommand>("expected");

        HueLightCommand on;
        on.isOn = true;
        HueLightCommand onAndBright = on;
        onAndBright.brightness = 50;
        HueLightCommand xy;
        xy.xy = HueXY{0.3, 0.4};
        HueLightCommand mirek;
        mirek.mirek = 300;
        HueLightCommand brightXY = brightness(70);
        brightXY.xy = HueXY{0.3, 0.4};
        HueLightCommand brightMirek = brightness(70);
        brightMirek.mirek = 300;

        QTest::newRow("fields add up") << on << brightness(50) << onAndBright;
        QTest::newRow("mirek replaces xy") << xy << mirek << mirek;
        QTest::newRow("xy replaces mirek") << mirek << xy << xy;
        QTest::newRow("colour change keeps brightness") << brightMirek << xy << brightXY;
    }
    void mergeRule()
    {
        QFETCH(HueLightCommand, first);
        QFETCH(HueLightCommand, second);
        QFETCH(HueLightCommand, expected);

        Script script;
        CommandCoalescer coalescer(script.pauser());
        const QString light = u"l"_s;
        coalescer.submit(brightness(1), light, 100ms, script.sender(light));
        script.advanceTo(0);
        coalescer.submit(first, light, 100ms, script.sender(light));
        coalescer.submit(second, light, 100ms, script.sender(light));
        QVERIFY(script.complete(light));
        script.advanceTo(100);
        QCOMPARE(script.sent.size(), 2);
        QCOMPARE(script.sent.at(0).command, brightness(1)); // the command in flight stays as it was
        QCOMPARE(script.sent.at(1).command, expected);
    }
    void targetsAreIndependent()
    {
        Script script;
        CommandCoalescer coalescer(script.pauser());
        const QString light = u"light"_s;
        const QString group = u"grouped"_s;

        coalescer.submit(brightness(1), light, 100ms, script.sender(light));
        script.advanceTo(0);
        // The light's request is still in flight; the group does not wait for it.
        coalescer.submit(brightness(2), group, 1000ms, script.sender(group));
        script.advanceTo(0);
        QCOMPARE(script.log(), (QStringList{u"0 light 1"_s, u"0 grouped 2"_s}));

        QVERIFY(script.complete(group));
        QVERIFY(script.complete(light));
        coalescer.submit(brightness(3), light, 100ms, script.sender(light));
        coalescer.submit(brightness(4), group, 1000ms, script.sender(group));
        script.advanceTo(100);
        QCOMPARE(script.log().last(), u"100 light 3"_s);
        QVERIFY(script.complete(light));
        script.advanceTo(999);
        QCOMPARE(script.sent.size(), 3);
        script.advanceTo(1000);
        QCOMPARE(script.log().last(), u"1000 grouped 4"_s);
        QVERIFY(!script.overlapped);
    }
    void restAfterLastSend()
    {
        Script script;
        CommandCoalescer coalescer(script.pauser());
        const QString light = u"l"_s;

        coalescer.submit(brightness(1), light, 100ms, script.sender(light));
        script.advanceTo(0);
        QVERIFY(script.complete(light));
        script.advanceTo(50);
        coalescer.submit(brightness(2), light, 100ms, script.sender(light));
        script.advanceTo(99);
        QCOMPARE(script.sent.size(), 1); // waits for the rest, not sent at once
        script.advanceTo(100);
        QCOMPARE(script.log().last(), u"100 l 2"_s);

        // Once a rest ends with nothing pending the light is idle again and the
        // next command goes out at once.
        QVERIFY(script.complete(light));
        script.advanceTo(200);
        QVERIFY(!coalescer.isRunning(light));
        script.advanceTo(250);
        coalescer.submit(brightness(3), light, 100ms, script.sender(light));
        script.advanceTo(250);
        QCOMPARE(script.log().last(), u"250 l 3"_s);
    }
    void failingSendDoesNotStallTheTarget()
    {
        Script script;
        CommandCoalescer coalescer(script.pauser());
        const QString light = u"l"_s;
        script.throwFor = QStringList{light};

        // Quiet unless asked for: nothing goes to the log.
        QTest::failOnWarning(QRegularExpression(u".*"_s));
        coalescer.submit(brightness(1), light, 100ms, script.sender(light));
        script.advanceTo(0);
        coalescer.submit(brightness(2), light, 100ms, script.sender(light));
        script.advanceTo(100);
        QCOMPARE(script.log(), (QStringList{u"0 l 1"_s, u"100 l 2"_s}));

        // An empty send function is a caller's bug; it must not wedge the loop.
        const QString other = u"other"_s;
        coalescer.submit(brightness(5), other, 100ms, {});
        script.advanceTo(200);
        QVERIFY(!coalescer.isRunning(other));
    }
    void destroyedWhileSending()
    {
        Script script;
        const QString light = u"l"_s;
        {
            CommandCoalescer coalescer(script.pauser());
            coalescer.submit(brightness(1), light, 100ms, script.sender(light));
            script.advanceTo(0);
            coalescer.submit(brightness(2), light, 100ms, script.sender(light));
        }
        // The loop wakes up without its coalescer and must end quietly.
        QVERIFY(script.complete(light));
        script.advanceTo(1000);
        QCOMPARE(script.sent.size(), 1);

        // A loop whose start is still queued when the coalescer goes away.
        {
            CommandCoalescer coalescer(script.pauser());
            coalescer.submit(brightness(3), light, 100ms, script.sender(light));
        }
        script.advanceTo(2000);
        QCOMPARE(script.sent.size(), 1);
    }
    void destroyedWhileRestingEndsTheLoop()
    {
        // The loop's frame holds its send function; the witness lives as long as it.
        auto witness = std::make_shared<int>(0);
        const std::weak_ptr<int> loopAlive = witness;
        {
            CommandCoalescer coalescer;
            coalescer.submit(brightness(1), u"l"_s, 1h, [witness](HueLightCommand) {
                ++*witness;
                return answeredAtOnce();
            });
            witness.reset();
            QTRY_COMPARE_WITH_TIMEOUT(loopAlive.lock() ? *loopAlive.lock() : -1, 1, 5000);
            QVERIFY(coalescer.isRunning(u"l"_s)); // resting for an hour
        }
        // Only the wake-up queued by the cancellation is delivered; no time passes.
        QCoreApplication::sendPostedEvents();
        QVERIFY(loopAlive.expired());
    }
    void defaultPauseRests()
    {
        CommandCoalescer coalescer;
        QElapsedTimer clock;
        clock.start();
        QList<qint64> times;
        const auto send = [&times, &clock](HueLightCommand command) {
            return recordSend(&times, &clock, std::move(command));
        };
        const QString light = u"l"_s;
        coalescer.submit(brightness(1), light, 100ms, send);
        QTRY_COMPARE_WITH_TIMEOUT(times.size(), 1, 5000);
        coalescer.submit(brightness(2), light, 100ms, send);
        QTRY_COMPARE_WITH_TIMEOUT(times.size(), 2, 5000);
        // A timer never fires early; no upper bound is asserted on a shared machine.
        QVERIFY2(times.at(1) - times.at(0) >= 99, qPrintable(QString::number(times.at(1) - times.at(0))));
        QTRY_VERIFY_WITH_TIMEOUT(!coalescer.isRunning(light), 5000);
    }
};

QTEST_GUILESS_MAIN(TestCoalescer)
#include "tst_coalescer.moc"
