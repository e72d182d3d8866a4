#pragma once

// A raw HTTPS client for the simulator's own tests: it trusts exactly one root
// and checks the leaf's name against the bridge id, as the application does,
// and shows status lines, framing and connection handling byte for byte.

#include "BridgeSimulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTest>

namespace SimTest {
using namespace Qt::StringLiterals;

/// One answer with Content-Length; status 0 when none came.
struct Response
{
    int status = 0;
    QByteArray head;
    QByteArray body;

    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
    bool hasHeader(const QByteArray &line) const { return head.toLower().contains(line.toLower()); }
};

// Requests written before the handshake ends go out once it has.
class TlsClient
{
public:
    TlsClient(const QHostAddress &address, quint16 port, const QSslCertificate &anchor, const QString &peerName)
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setCaCertificates({anchor});
        configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
        socket.setSslConfiguration(configuration);
        QObject::connect(&socket, &QSslSocket::readyRead, [this] { buffer += socket.readAll(); });
        socket.connectToHostEncrypted(address.toString(), port, peerName);
    }
    explicit TlsClient(const BridgeSimulator &simulator)
        : TlsClient(simulator.address(), simulator.port(), simulator.rootCertificate(), simulator.bridgeId())
    {
    }

    bool waitEncrypted()
    {
        return QTest::qWaitFor([this] { return socket.isEncrypted() || closed(); }, 5000) && socket.isEncrypted();
    }
    bool closed() const { return socket.state() == QAbstractSocket::UnconnectedState; }
    bool waitClosed(int timeout = 5000)
    {
        return QTest::qWaitFor([this] { return closed(); }, timeout);
    }
    void send(const QString &method, const QString &path, const QByteArray &body = {}, const QString &key = {},
              const QByteArray &extra = {})
    {
        QByteArray request = method.toLatin1() + ' ' + path.toUtf8() + " HTTP/1.1\r\nHost: bridge\r\n";
        if (!key.isEmpty())
            request += "hue-application-key: " + key.toLatin1() + "\r\n";
        if (!body.isEmpty())
            request += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
        socket.write(request + extra + "\r\n" + body);
    }
    Response request(const QString &method, const QString &path, const QByteArray &body = {}, const QString &key = {})
    {
        send(method, path, body, key);
        return response();
    }
    Response response(int timeout = 5000)
    {
        Response result;
        [[maybe_unused]] const bool done =
            QTest::qWaitFor([&] { return (result = take()).status != 0 || closed(); }, timeout);
        return result.status != 0 ? result : take();
    }
    // Cuts one complete answer with Content-Length out of the buffer (status 0 while there is none).
    Response take()
    {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        static const QRegularExpression length(u"content-length: *(\\d+)"_s, QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = length.match(QString::fromLatin1(buffer.left(headEnd)));
        const qsizetype size = match.captured(1).toLongLong();
        if (headEnd < 0 || !match.hasMatch() || buffer.size() < headEnd + 4 + size)
            return {};
        Response response{buffer.mid(9, 3).toInt(), buffer.left(headEnd), buffer.mid(headEnd + 4, size)};
        buffer.remove(0, headEnd + 4 + size);
        return response;
    }
    QSslSocket socket;
    QByteArray buffer;
};

} // namespace SimTest
