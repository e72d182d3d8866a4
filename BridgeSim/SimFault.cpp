#include "SimFault.h"

#include "SimHttp.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

SimFault SimFault::respond(int status, Body body, const QString &description)
{
    SimFault fault;
    fault.status = status;
    fault.body = body;
    fault.description = description;
    return fault;
}

SimFault SimFault::html(int status)
{
    return respond(status, Body::html);
}

SimFault SimFault::custom(int status, const QByteArray &body, const QByteArray &contentType)
{
    SimFault fault = respond(status, Body::custom);
    fault.customBody = body;
    fault.contentType = contentType;
    return fault;
}

SimFault SimFault::stall()
{
    SimFault fault;
    fault.action = Action::stall;
    return fault;
}

SimFault SimFault::closeConnection()
{
    SimFault fault;
    fault.action = Action::closeConnection;
    return fault;
}

SimFault SimFault::delay(int milliseconds)
{
    SimFault fault;
    fault.action = Action::delay;
    fault.delayMs = milliseconds;
    return fault;
}

SimFault SimFault::raw(const QByteArray &bytes)
{
    SimFault fault;
    fault.action = Action::raw;
    fault.customBody = bytes;
    return fault;
}

SimFault SimFault::flood(const QByteArray &head, qint64 size, char fill)
{
    SimFault fault = raw(head);
    fault.action = Action::flood;
    fault.fillSize = size;
    fault.fill = fill;
    return fault;
}

SimFault SimFault::dribble(const QByteArray &answer, int intervalMs)
{
    SimFault fault = raw(answer);
    fault.action = Action::dribble;
    fault.delayMs = intervalMs;
    return fault;
}

SimFault SimFault::endlessLine()
{
    return flood(SimHttp::streamHead(200, "text/event-stream", false) + "data: [", -1, 'x');
}

SimFault SimFault::endlessHeader()
{
    return flood("HTTP/1.1 200 OK\r\nX-Filler: ", -1, 'a');
}

SimFault SimFault::hugeAnswer(qint64 size)
{
    return flood("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n", size, ' ');
}

SimFault SimFault::onPath(const QString &regularExpression) const
{
    SimFault fault = *this;
    fault.pathPattern = regularExpression;
    return fault;
}

SimFault SimFault::onMethod(const QString &requestMethod) const
{
    SimFault fault = *this;
    fault.method = requestMethod;
    return fault;
}

SimFault SimFault::times(int count) const
{
    SimFault fault = *this;
    fault.remaining = count;
    return fault;
}

bool SimFault::matches(const QString &requestMethod, const QString &path) const
{
    if (remaining == 0)
        return false;
    if (!method.isEmpty() && method.compare(requestMethod, Qt::CaseInsensitive) != 0)
        return false;
    if (!pathPattern.isEmpty() && !QRegularExpression(pathPattern).match(path).hasMatch())
        return false;
    return true;
}

QByteArray SimFault::responseBody() const
{
    switch (body) {
    case Body::jsonErrors: {
        const QString text = description.isEmpty() ? SimHttp::reasonPhrase(status) : description;
        return QJsonDocument(QJsonObject{{u"errors"_s, QJsonArray{QJsonObject{{u"description"_s, text}}}},
                                         {u"data"_s, QJsonArray{}}})
            .toJson(QJsonDocument::Compact);
    }
    case Body::emptyErrors:
        return R"({"errors":[],"data":[]})"_ba;
    case Body::empty:
        return {};
    case Body::html: {
        const QByteArray title = QByteArray::number(status) + ' ' + SimHttp::reasonPhrase(status).toUtf8();
        return "<!DOCTYPE html>\n<html><head><title>" + title + "</title></head>\n<body><h1>" + title
               + "</h1><p>The server is temporarily unable to service your request.</p></body></html>\n";
    }
    case Body::custom:
        return customBody;
    }
    return {};
}

QByteArray SimFault::responseContentType() const
{
    switch (body) {
    case Body::jsonErrors:
    case Body::emptyErrors:
        return "application/json"_ba;
    case Body::empty:
        return {};
    case Body::html:
        return "text/html"_ba;
    case Body::custom:
        return contentType;
    }
    return {};
}
