#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

/// The few HTTP/1.1 pieces the simulator writes: status lines, head blocks
/// and chunks.
class SimHttp
{
public:
    static QString reasonPhrase(int status);
    /// A complete answer with Content-Length. An empty content type leaves
    /// the Content-Type header out.
    static QByteArray response(int status, const QByteArray &contentType, const QByteArray &body, bool keepAlive,
                               const QList<std::pair<QByteArray, QByteArray>> &extraHeaders = {});
    /// The head of a streamed answer: chunked, or delimited by closing the connection.
    static QByteArray streamHead(int status, const QByteArray &contentType, bool chunked);
    static QByteArray chunk(const QByteArray &data);
    static QByteArray lastChunk() { return QByteArrayLiteral("0\r\n\r\n"); }
};
