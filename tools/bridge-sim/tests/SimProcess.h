#pragma once

// Runs lumora-bridge-sim as a child process for the tests of the executable:
// waits for its READY line, reads its KEY=VALUE lines and sends commands on
// its standard input.

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace SimTest {

class SimProcess
{
public:
    SimProcess()
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { output += process.readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { errors += process.readAllStandardError(); });
    }
    ~SimProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    bool start(const QStringList &arguments)
    {
        process.start(QStringLiteral(LUMORA_BRIDGE_SIM_EXECUTABLE), arguments);
        const bool ready = QTest::qWaitFor(
            [this] { return output.contains("READY\n") || process.state() == QProcess::NotRunning; }, 15000);
        if (!ready || !output.contains("READY\n"))
            return false;
        for (const QByteArray &line : output.left(output.indexOf("READY\n")).split('\n')) {
            const qsizetype equals = line.indexOf('=');
            if (equals > 0)
                values.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
        }
        output.remove(0, output.indexOf("READY\n") + 6);
        return true;
    }
    // Sends one command and returns the next line of output.
    QByteArray command(const QByteArray &line)
    {
        output.clear();
        process.write(line + '\n');
        if (!QTest::qWaitFor([this] { return output.contains('\n'); }, 10000))
            return {};
        return output.left(output.indexOf('\n'));
    }
    QJsonObject jsonCommand(const QByteArray &line) { return QJsonDocument::fromJson(command(line)).object(); }
    bool finishes(int timeout = 10000)
    {
        const bool finished = QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, timeout);
        // What the process wrote last may still be unread when it ends.
        output += process.readAllStandardOutput();
        errors += process.readAllStandardError();
        return finished;
    }

    QProcess process;
    QByteArray output;
    QByteArray errors;
    QHash<QString, QString> values;
};

} // namespace SimTest
