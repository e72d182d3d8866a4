#pragma once

#include <QString>

#include <exception>

/// The exit statuses of lumora-ctl; scripts rely on them.
enum class CtlExit : int {
    success = 0,
    /// The bridge answered with an error, or anything else went wrong.
    bridgeError = 1,
    /// The command line is wrong (also unknown or ambiguous names).
    usage = 2,
    /// No pairing (bridge or key) is known, or the bridge refused the key.
    notPaired = 3,
    /// The bridge could not be reached (network, TLS, timeout).
    unreachable = 4,
};

/// A failure that ends the command: the message for standard error, already
/// in the user's language, and the exit status.
class CtlFailure : public std::exception
{
public:
    CtlFailure(CtlExit exit, QString message)
        : m_exit(exit)
        , m_message(std::move(message))
    {
    }

    static CtlFailure usage(QString message) { return CtlFailure(CtlExit::usage, std::move(message)); }

    /// Maps whatever a bridge operation threw to a failure: a refused key to
    /// `notPaired`, a transfer failure to `unreachable` (naming `host`),
    /// everything else to `bridgeError`.
    static CtlFailure from(const std::exception_ptr &failure, const QString &host);

    CtlExit exit() const { return m_exit; }
    QString message() const { return m_message; }
    const char *what() const noexcept override { return "lumora-ctl failure"; }

private:
    CtlExit m_exit;
    QString m_message;
};
