#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/// The error of every bridge request that reached the bridge and got an answer
/// the application cannot use. Transport failures are `HueTransportError`,
/// cancellation is `HueCancelledError`; neither is wrapped in this type.
class HueBridgeError : public std::exception
{
public:
    enum class Kind {
        /// The bridge reported a readable error description (`message`).
        api,
        /// A status outside 200-299 other than 401/403 without a readable description (`status`).
        http,
        /// Pairing was answered with error type 101.
        linkButtonNotPressed,
        /// Status 401 or 403: the application key is unknown to the bridge.
        unauthorized,
        /// Not an HTTP answer, or a body that does not decode as expected.
        invalidResponse,
    };

    static HueBridgeError api(QString message);
    static HueBridgeError http(int status);
    static HueBridgeError linkButtonNotPressed();
    static HueBridgeError unauthorized();
    static HueBridgeError invalidResponse();

    Kind kind() const { return m_kind; }
    /// The bridge's message; empty unless `kind` is `api`.
    QString message() const { return m_message; }
    /// The HTTP status; 0 unless `kind` is `http`.
    int status() const { return m_status; }

    /// The text shown to the user, in the user's language (read when asked).
    QString errorDescription() const;

    /// English text for logs and debuggers.
    const char *what() const noexcept override { return m_what.constData(); }

    friend bool operator==(const HueBridgeError &a, const HueBridgeError &b)
    {
        return a.m_kind == b.m_kind && a.m_message == b.m_message && a.m_status == b.m_status;
    }

private:
    HueBridgeError(Kind kind, QString message, int status);

    Kind m_kind;
    QString m_message;
    int m_status = 0;
    QByteArray m_what;
};
