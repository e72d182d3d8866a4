#pragma once

#include <QHash>
#include <QJsonObject>
#include <QProcess>

/// A program run as a child process of a test. Both output channels are
/// collected while the test spins the event loop, so that servers living in
/// the test process keep answering; every wait is bounded; a child still
/// running when the test ends is killed.
class TestProcess
{
public:
    /// How a finished run ended; exitCode is -1 when it did not end normally in time.
    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    explicit TestProcess(const QString &program,
                         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    ~TestProcess();
    TestProcess(const TestProcess &) = delete;
    TestProcess &operator=(const TestProcess &) = delete;

    /// Starts the program; standard input is closed unless the test talks to it.
    void start(const QStringList &arguments, bool keepInput = false);
    /// Starts, waits for the end and returns what it printed.
    static Run run(const QString &program, const QStringList &arguments,
                   const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                   int timeout = 30000);

    /// Waits for a line "READY", reading the KEY=VALUE lines before it into values.
    bool waitReady(int timeout = 15000);
    /// The next complete line of standard output not yet taken, or empty after the timeout.
    QByteArray nextLine(int timeout = 10000);
    /// Writes one line to standard input and returns the next line of output.
    QByteArray command(const QByteArray &line);
    QJsonObject jsonCommand(const QByteArray &line);

    bool finishes(int timeout = 20000);
    /// The exit code of a normal end, -1 otherwise (still running, crashed, killed).
    int exitCode() const;
    Run result();

    QProcess process;
    QByteArray out;
    QByteArray err;
    QHash<QString, QString> values;

private:
    void collect();

    qsizetype m_taken = 0;
    bool m_reported = false;
};
