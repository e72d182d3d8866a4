#include "SimHttp.h"

using namespace Qt::StringLiterals;

QString SimHttp::reasonPhrase(int status)
{
    switch (status) {
    case 101:
        return u"Switching Protocols"_s;
    case 200:
        return u"OK"_s;
    case 201:
        return u"Created"_s;
    case 204:
        return u"No Content"_s;
    case 207:
        return u"Multi-Status"_s;
    case 301:
        return u"Moved Permanently"_s;
    case 400:
        return u"Bad Request"_s;
    case 401:
        return u"Unauthorized"_s;
    case 403:
        return u"Forbidden"_s;
    case 404:
        return u"Not Found"_s;
    case 405:
        return u"Method Not Allowed"_s;
    case 406:
        return u"Not Acceptable"_s;
    case 409:
        return u"Conflict"_s;
    case 411:
        return u"Length Required"_s;
    case 413:
        return u"Payload Too Large"_s;
    case 429:
        return u"Too Many Requests"_s;
    case 431:
        return u"Request Header Fields Too Large"_s;
    case 500:
        return u"Internal Server Error"_s;
    case 502:
        return u"Bad Gateway"_s;
    case 503:
        return u"Service Unavailable"_s;
    case 507:
        return u"Insufficient Storage"_s;
    default:
        return u"Status"_s;
    }
}

QByteArray SimHttp::response(int status, const QByteArray &contentType, const QByteArray &body, bool keepAlive,
                             const QList<std::pair<QByteArray, QByteArray>> &extraHeaders)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status).toLatin1() + "\r\n";
    if (!contentType.isEmpty())
        out += "Content-Type: " + contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n"_ba : "Connection: close\r\n"_ba;
    out += "Cache-Control: no-store\r\n"_ba;
    for (const auto &[name, value] : extraHeaders)
        out += name + ": " + value + "\r\n";
    out += "\r\n";
    out += body;
    return out;
}

QByteArray SimHttp::streamHead(int status, const QByteArray &contentType, bool chunked)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status).toLatin1() + "\r\n";
    out += "Content-Type: " + contentType + "\r\n";
    out += "Cache-Control: no-cache\r\n"_ba;
    out += chunked ? "Transfer-Encoding: chunked\r\nConnection: keep-alive\r\n"_ba : "Connection: close\r\n"_ba;
    out += "\r\n";
    return out;
}

QByteArray SimHttp::chunk(const QByteArray &data)
{
    if (data.isEmpty())
        return {};
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
}
