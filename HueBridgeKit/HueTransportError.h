#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

#include <exception>

/// A failure of the network transfer itself (no route, refused connection,
/// refused server trust, timeout, connection dropped), as opposed to an answer
/// of the bridge. It keeps Qt's error code and Qt's readable text unchanged.
class HueTransportError : public std::exception
{
public:
    HueTransportError(QNetworkReply::NetworkError code, QString message);

    QNetworkReply::NetworkError code() const { return m_code; }
    /// Qt's own description of the failure.
    QString message() const { return m_message; }
    /// The text shown to the user: Qt's description (the network layer words it).
    QString errorDescription() const { return m_message; }

    const char *what() const noexcept override { return m_what.constData(); }

    friend bool operator==(const HueTransportError &a, const HueTransportError &b)
    {
        return a.m_code == b.m_code && a.m_message == b.m_message;
    }

private:
    QNetworkReply::NetworkError m_code;
    QString m_message;
    QByteArray m_what;
};

/// Why a reply that ended with an error failed: an answer that cannot be read
/// (a head, chunk or trailer beyond its bound, or malformed) as the bridge's
/// `invalidResponse`; anything else as the transfer's own failure.
std::exception_ptr replyFailure(const QNetworkReply *reply);
