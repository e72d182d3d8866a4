#pragma once

// Runs lumora-ctl as a child process: its arguments, an environment of its
// own (settings folder, language), and its output collected while the test
// spins the event loop, so that an in-process simulator keeps answering.

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace CtlTest {

struct CtlRun
{
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

class CtlProcess
{
public:
    explicit CtlProcess(const QProcessEnvironment &environment)
    {
        process.setProcessEnvironment(environment);
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { out += process.readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { err += process.readAllStandardError(); });
    }
    ~CtlProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    void start(const QStringList &arguments)
    {
        process.start(QStringLiteral(LUMORA_CTL_EXECUTABLE), arguments);
        process.closeWriteChannel();
    }

    bool finishes(int timeout = 20000)
    {
        return QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, timeout);
    }

    CtlRun result()
    {
        CtlRun run;
        run.finished = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
        run.exitCode = run.finished ? process.exitCode() : -1;
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
        run.out = out;
        run.err = err;
        return run;
    }

    QProcess process;
    QByteArray out;
    QByteArray err;
};

/// Runs to the end (bounded) and returns what it printed.
inline CtlRun runCtl(const QProcessEnvironment &environment, const QStringList &arguments, int timeout = 20000)
{
    CtlProcess ctl(environment);
    ctl.start(arguments);
    ctl.finishes(timeout);
    return ctl.result();
}

} // namespace CtlTest
