#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <utility>

/// One request the simulator received, as it arrived: for tests that check
/// what a client sent, and for the executable's request dump. Header names
/// are stored in lower case.
struct SimRequest
{
    QDateTime time;
    QString method;
    /// The request target as sent: path and query.
    QString target;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QHostAddress localAddress;
    /// Counts connections from 1; requests on one keep-alive connection share it.
    int connection = 0;
    /// The status answered; 0 while unanswered (stalled, closed, or an open
    /// event stream's answer has not been written yet).
    int status = 0;

    QString path() const { return target.section(u'?', 0, 0); }
    bool hasHeader(const QByteArray &name) const
    {
        for (const auto &header : headers) {
            if (header.first == name.toLower())
                return true;
        }
        return false;
    }
    QByteArray header(const QByteArray &name) const
    {
        for (const auto &header : headers) {
            if (header.first == name.toLower())
                return header.second;
        }
        return {};
    }

    /// One readable line for the request dump: time, method, target, header
    /// names (the value of "hue-application-key" is never shown), status and
    /// body (clipped).
    QString describe(qsizetype maximumBody = 2000) const;

    friend bool operator==(const SimRequest &, const SimRequest &) = default;
};
