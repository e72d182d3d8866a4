#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

/// One injected misbehaviour. A fault matches requests by method and a path
/// pattern (a regular expression searched in the path, without the query),
/// and stays active for `remaining` matching requests (-1: until cleared);
/// a used-up fault leaves the simulator's list.
/// The first active fault that matches a request decides its fate; a request
/// that no fault matches is served normally.
struct SimFault
{
    enum class Action {
        respond,         ///< answer with `status` and the chosen body
        stall,           ///< read the request and never answer
        closeConnection, ///< read the request and close the connection without an answer
        delay,           ///< serve normally after `delayMs`
        raw,             ///< write `customBody` as the whole answer, then close the connection
        flood,           ///< write `customBody`, then `fillSize` bytes of `fill` (-1: without end) as
                         ///< fast as the client takes them, then close the connection
        dribble,         ///< write the head of `customBody` at once, then its body one byte every
                         ///< `delayMs`, then close the connection
    };
    enum class Body {
        jsonErrors,  ///< {"errors":[{"description":...}],"data":[]}
        emptyErrors, ///< {"errors":[],"data":[]}
        empty,       ///< no body at all
        html,        ///< an HTML error page, as the bridge's web server sends
        custom,      ///< `customBody` with `contentType`
    };

    Action action = Action::respond;
    int status = 503;
    Body body = Body::jsonErrors;
    QString description;
    QByteArray customBody;
    QByteArray contentType;
    int delayMs = 0;
    qint64 fillSize = -1;
    char fill = 'x';
    QString method;
    QString pathPattern;
    int remaining = -1;

    static SimFault respond(int status, Body body = Body::jsonErrors, const QString &description = {});
    static SimFault html(int status = 503);
    static SimFault custom(int status, const QByteArray &body, const QByteArray &contentType = "application/json");
    static SimFault stall();
    static SimFault closeConnection();
    static SimFault delay(int milliseconds);
    static SimFault raw(const QByteArray &bytes);
    /// A hostile peer: `head`, then `size` bytes of `fill` (-1: an endless stream of them).
    static SimFault flood(const QByteArray &head, qint64 size = -1, char fill = 'x');
    /// A peer that keeps an answer alive with one byte of its body every `intervalMs`.
    static SimFault dribble(const QByteArray &answer, int intervalMs);
    /// The hostile peers a client must survive with bounded memory: an event
    /// stream whose "data:" line never ends, a response head that never ends,
    /// and a success answer of `size` bytes without a Content-Length.
    static SimFault endlessLine();
    static SimFault endlessHeader();
    static SimFault hugeAnswer(qint64 size);

    SimFault onPath(const QString &regularExpression) const;
    SimFault onMethod(const QString &method) const;
    SimFault times(int count) const;

    bool matches(const QString &method, const QString &path) const;
    /// The body text a `respond` fault sends, and its content type.
    QByteArray responseBody() const;
    QByteArray responseContentType() const;

    friend bool operator==(const SimFault &, const SimFault &) = default;
};
