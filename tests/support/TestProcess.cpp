#include "TestProcess.h"

#include <QJsonDocument>
#include <QTest>

TestProcess::TestProcess(const QString &program, const QProcessEnvironment &environment)
{
    process.setProgram(program);
    process.setProcessEnvironment(environment);
    QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { out += process.readAllStandardOutput(); });
    QObject::connect(&process, &QProcess::readyReadStandardError, [this] { err += process.readAllStandardError(); });
}

TestProcess::~TestProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    } else {
        collect();
    }
}

void TestProcess::start(const QStringList &arguments, bool keepInput)
{
    process.setArguments(arguments);
    process.start();
    if (!keepInput)
        process.closeWriteChannel();
}

TestProcess::Run TestProcess::run(const QString &program, const QStringList &arguments,
                                  const QProcessEnvironment &environment, int timeout)
{
    TestProcess child(program, environment);
    child.start(arguments);
    child.finishes(timeout);
    return child.result();
}

bool TestProcess::waitReady(int timeout)
{
    const auto ready = [this] { return out.startsWith("READY\n") || out.contains("\nREADY\n"); };
    if (!QTest::qWaitFor([&] { return ready() || process.state() == QProcess::NotRunning; }, timeout) || !ready())
        return false;
    for (QByteArray line = nextLine(0); line != "READY"; line = nextLine(0)) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            values.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    }
    return true;
}

QByteArray TestProcess::nextLine(int timeout)
{
    if (!QTest::qWaitFor([this] { return out.indexOf('\n', m_taken) >= 0 || process.state() == QProcess::NotRunning; },
                         timeout))
        return {};
    collect();
    const qsizetype end = out.indexOf('\n', m_taken);
    if (end < 0)
        return {};
    const QByteArray line = out.mid(m_taken, end - m_taken);
    m_taken = end + 1;
    return line;
}

QByteArray TestProcess::command(const QByteArray &line)
{
    collect();
    m_taken = out.size();
    process.write(line + '\n');
    return nextLine();
}

QJsonObject TestProcess::jsonCommand(const QByteArray &line)
{
    return QJsonDocument::fromJson(command(line)).object();
}

bool TestProcess::finishes(int timeout)
{
    const bool ended = QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, timeout);
    collect();
    return ended;
}

int TestProcess::exitCode() const
{
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

TestProcess::Run TestProcess::result()
{
    collect();
    return Run{exitCode(), out, err};
}

void TestProcess::collect()
{
    // What the process wrote last may still be unread when it ends.
    out += process.readAllStandardOutput();
    err += process.readAllStandardError();
    // A sanitizer's report on the child would otherwise stay in this buffer,
    // and the test would only see a crash or an odd exit code.
    if (!m_reported && process.state() == QProcess::NotRunning
        && (err.contains("Sanitizer") || err.contains("runtime error:"))) {
        m_reported = true;
        qWarning("%s", err.constData());
    }
}
