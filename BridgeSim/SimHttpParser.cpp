#include "SimHttpParser.h"

using namespace Qt::StringLiterals;

void SimHttpParser::feed(const QByteArray &bytes)
{
    if (m_error == Error::none)
        m_buffer += bytes;
}

std::optional<SimHttpParser::Request> SimHttpParser::next()
{
    if (m_error != Error::none)
        return std::nullopt;
    // Tolerate blank lines between requests, as RFC 9112 asks of servers.
    while (m_buffer.startsWith("\r\n"))
        m_buffer.remove(0, 2);
    const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (m_buffer.size() > maximumHeadSize)
            m_error = Error::headTooLarge;
        return std::nullopt;
    }
    if (headEnd > maximumHeadSize) {
        m_error = Error::headTooLarge;
        return std::nullopt;
    }
    const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
        m_error = Error::badRequest;
        return std::nullopt;
    }
    Request request;
    request.method = QString::fromLatin1(requestLine[0]);
    request.target = QString::fromUtf8(requestLine[1]);
    request.version = requestLine[2];
    request.keepAlive = request.version != "HTTP/1.0";
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            m_error = Error::badRequest;
            return std::nullopt;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name == "content-length") {
            bool ok = false;
            contentLength = value.toLongLong(&ok);
            if (!ok || contentLength < 0) {
                m_error = Error::badRequest;
                return std::nullopt;
            }
        } else if (name == "transfer-encoding") {
            m_error = Error::lengthRequired;
            return std::nullopt;
        } else if (name == "connection") {
            const QByteArray lower = value.toLower();
            if (lower.contains("close"))
                request.keepAlive = false;
            else if (lower.contains("keep-alive"))
                request.keepAlive = true;
        }
    }
    if (contentLength > maximumBodySize) {
        m_error = Error::bodyTooLarge;
        return std::nullopt;
    }
    const qsizetype total = headEnd + 4 + contentLength;
    if (m_buffer.size() < total)
        return std::nullopt;
    request.body = m_buffer.mid(headEnd + 4, contentLength);
    m_buffer.remove(0, total);
    return request;
}
