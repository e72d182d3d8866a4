#include "CommandCoalescer.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTest>

#include <coroutine>
#include <map>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using Duration = CommandCoalescer::Duration;

/// A command written as in the timelines: "on"/"off" and "b<percent>",
/// separated by spaces; and back.
HueLightCommand command(const QStringList &fields)
{
    HueLightCommand command;
    for (const QString &field : fields) {
        if (field == "on"_L1 || field == "off"_L1)
            command.isOn = field == "on"_L1;
        else if (field.startsWith(u'b'))
            command.brightness = field.mid(1).toDouble();
    }
    return command;
}

QString written(const HueLightCommand &command)
{
    QStringList fields;
    if (command.isOn)
        fields.append(*command.isOn ? u"on"_s : u"off"_s);
    if (command.brightness)
        fields.append(u"b"_s + QString::number(*command.brightness));
    return fields.join(u' ');
}

/// A virtual clock and a bridge that answers only when the test says so:
/// every send stays in flight until complete(), every pause until advance()
/// passes its end. Timing is thus exact and the test takes no real time.
struct Script
{
    qint64 now = 0;
    QStringList sent; // "<ms> <target> <command>"
    QHash<QString, std::coroutine_handle<>> inFlight;
    /// By wake-up time; equal times in the order they fell asleep.
    std::multimap<qint64, std::coroutine_handle<>> sleepers;
    bool overlapped = false;
    QStringList throwFor; // targets whose next send throws

    /// Parks the awaiting coroutine in `slot`. Holds no QString: GCC 12 may
    /// run the destructor of a temporary awaiter twice, which would release a
    /// string one time too many.
    struct Parked
    {
        std::coroutine_handle<> *slot;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle) { *slot = handle; }
        void await_resume() const noexcept {}
    };

    static QCoro::Task<void> send(Script *script, QString target, HueLightCommand command)
    {
        if (script->inFlight.contains(target))
            script->overlapped = true;
        script->sent.append(QString::number(script->now) + u' ' + target + u' ' + written(command));
        if (script->throwFor.removeOne(target))
            throw std::runtime_error("scripted failure");
        co_await Parked{&script->inFlight[target]};
    }

    static QCoro::Task<void> pause(Script *script, Duration duration)
    {
        co_await Parked{&script->sleepers.emplace(script->now + duration.count(), nullptr)->second};
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
        for (int round = 0; round < 10000 && !sleepers.empty() && sleepers.begin()->first <= time; ++round) {
            const auto [wake, handle] = *sleepers.begin();
            sleepers.erase(sleepers.begin());
            now = std::max(now, wake);
            handle.resume();
            startQueuedLoops();
        }
        now = std::max(now, time);
    }

    // Lets every suspended coroutine run to its end so that no frame leaks.
    ~Script()
    {
        for (int round = 0; round < 10000 && (!inFlight.isEmpty() || !sleepers.empty()); ++round) {
            const QStringList targets = inFlight.keys();
            for (const QString &target : targets)
                complete(target);
            advanceTo(now + 3600'000);
        }
    }
};

} // namespace

class TestCoalescer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeline_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("sent");
        // Steps: "submit <target> <command>" (targets starting with g rest
        // 1000 ms, others 100 ms), "at <ms>" (the virtual clock), "answer
        // <target>" (its request in flight completes), "fail <target>" (its
        // next send throws), "running/idle <target>", "destroy" and "create"
        // (the coalescer). The result: every send as "<ms> <target> <command>".
        QTest::newRow("burst sends the first at once, the last after the rest")
            << u"submit l b10, at 0, submit l b20, submit l b30, at 40, answer l, at 140, answer l, running l, "
               "at 240, idle l"_s
            << u"0 l b10, 140 l b30"_s;
        QTest::newRow("merged before the loop runs")
            << u"submit l b10, submit l b20, submit l b30, at 0"_s << u"0 l b30"_s;
        // Merged while one is in flight, which stays as it was. (Which field
        // wins is HueLightCommand::merge's rule, tested with the command.)
        QTest::newRow("fields add up") << u"submit l b1, at 0, submit l on, submit l b50, answer l, at 100"_s
                                       << u"0 l b1, 100 l on b50"_s;
        QTest::newRow("targets are independent")
            << u"submit l b1, at 0, submit g b2, at 0, answer g, answer l, submit l b3, submit g b4, at 100, "
               "answer l, at 1000"_s
            << u"0 l b1, 0 g b2, 100 l b3, 1000 g b4"_s;
        QTest::newRow("a rest follows the last send; then idle, and the next goes at once")
            << u"submit l b1, at 0, answer l, at 50, submit l b2, at 100, answer l, at 200, idle l, at 250, "
               "submit l b3, at 250"_s
            << u"0 l b1, 100 l b2, 250 l b3"_s;
        QTest::newRow("a throwing send does not stall the target")
            << u"fail l, submit l b1, at 0, submit l b2, at 100"_s << u"0 l b1, 100 l b2"_s;
        QTest::newRow("destroyed while sending, or with its start still queued")
            << u"submit l b1, at 0, submit l b2, destroy, answer l, at 1000, create, submit l b3, destroy, at 2000"_s
            << u"0 l b1"_s;
    }
    void timeline()
    {
        QFETCH(QString, steps);
        QFETCH(QString, sent);
        // Quiet unless asked for: nothing goes to the log, not even for a throwing send.
        QTest::failOnWarning(QRegularExpression(u".*"_s));
        Script script;
        std::optional<CommandCoalescer> coalescer(std::in_place, script.pauser());
        for (const QString &step : steps.split(u", "_s)) {
            const QStringList word = step.split(u' ');
            const QString target = word.value(1);
            if (word[0] == "submit"_L1) {
                coalescer->submit(command(word.mid(2)), target, target.startsWith(u'g') ? 1000ms : 100ms,
                                  script.sender(target));
            } else if (word[0] == "at"_L1) {
                script.advanceTo(target.toLongLong());
            } else if (word[0] == "answer"_L1) {
                QVERIFY2(script.complete(target), qPrintable(step));
            } else if (word[0] == "fail"_L1) {
                script.throwFor.append(target);
            } else if (word[0] == "running"_L1 || word[0] == "idle"_L1) {
                QVERIFY2(coalescer->isRunning(target) == (word[0] == "running"_L1), qPrintable(step));
            } else if (word[0] == "destroy"_L1) {
                coalescer.reset();
            } else {
                QVERIFY2(word[0] == "create"_L1, qPrintable(step));
                coalescer.emplace(script.pauser());
            }
        }
        QCOMPARE(script.sent.join(u", "_s), sent);
        QVERIFY(!script.overlapped);
    }
    void destroyedWhileRestingEndsTheLoop()
    {
        // The loop's frame holds its send function; the witness lives as long as it.
        auto witness = std::make_shared<int>(0);
        const std::weak_ptr<int> loopAlive = witness;
        {
            CommandCoalescer coalescer;
            coalescer.submit(command({u"b1"_s}), u"l"_s, 1h, [witness](HueLightCommand) {
                ++*witness;
                return []() -> QCoro::Task<void> { co_return; }(); // answered at once
            });
            witness.reset();
            QTRY_COMPARE_WITH_TIMEOUT(loopAlive.lock() ? *loopAlive.lock() : -1, 1, 5000);
            QVERIFY(coalescer.isRunning(u"l"_s)); // resting for an hour
        }
        // Only the wake-up queued by the cancellation is delivered; no time passes.
        QCoreApplication::sendPostedEvents();
        QVERIFY(loopAlive.expired());
    }
};

QTEST_GUILESS_MAIN(TestCoalescer)
#include "tst_coalescer.moc"
