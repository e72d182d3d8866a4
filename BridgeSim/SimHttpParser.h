#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

/// Cuts HTTP/1.1 requests out of the bytes of one connection. Bounded: a head
/// over 64 KiB or a body over 16 MiB is an error, so a misbehaving client
/// cannot make the simulator hold unbounded memory.
class SimHttpParser
{
public:
    struct Request
    {
        QString method;
        QString target;
        QByteArray version;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool keepAlive = true;
    };
    enum class Error { none, badRequest, headTooLarge, bodyTooLarge, lengthRequired };

    static constexpr qsizetype maximumHeadSize = 64 * 1024;
    static constexpr qsizetype maximumBodySize = 16 * 1024 * 1024;

    void feed(const QByteArray &bytes);
    /// The next complete request, if one has arrived. After an error no
    /// further request is returned.
    std::optional<Request> next();
    Error error() const { return m_error; }
    qsizetype buffered() const { return m_buffer.size(); }

private:
    QByteArray m_buffer;
    Error m_error = Error::none;
};
