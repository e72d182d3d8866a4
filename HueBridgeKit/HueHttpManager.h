#pragma once

#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QPointer>

#include <chrono>

class HueHttpReply;
class QSslSocket;

/// A network access manager whose HTTPS transfers are `HueHttpReply`s: Qt's
/// signals (`finished`, `encrypted`, `sslErrors`) and the `QNetworkReply`
/// interface stay as they are, the bytes on the wire are read by a reader that
/// keeps every part of an answer bounded.
///
/// Connections are kept open for the next request to the same address, at
/// most `connectionsPerHost` at a time per address (as Qt's manager does; a
/// bridge serves only a few); further requests wait for one to come free.
class HueHttpManager final : public QNetworkAccessManager
{
    Q_OBJECT

public:
    static constexpr int connectionsPerHost = 6;
    /// How long an unused connection stays open. A bridge closes idle
    /// connections itself after a while; a request that finds its kept
    /// connection closed is sent again on a new one.
    static constexpr std::chrono::seconds idleLifetime{30};

    explicit HueHttpManager(QObject *parent = nullptr);
    ~HueHttpManager() override;

protected:
    QNetworkReply *createRequest(Operation operation, const QNetworkRequest &request,
                                 QIODevice *outgoingData = nullptr) override;

private:
    friend class HueHttpReply;

    struct Host
    {
        QList<QSslSocket *> idle;
        QList<QPointer<HueHttpReply>> waiting;
        int busy = 0;
    };

    /// Hands `reply` a connection now or once one comes free; `fresh` skips
    /// the kept ones.
    void requestConnection(HueHttpReply *reply, bool fresh = false);
    /// Takes a connection back from the reply that used it.
    void releaseConnection(HueHttpReply *reply, QSslSocket *socket, bool reusable);
    void forget(HueHttpReply *reply);
    void keepIdle(const QString &key, QSslSocket *socket);
    void dropIdle(const QString &key, QSslSocket *socket);
    void serveWaiting(const QString &key);

    QHash<QString, Host> m_hosts;
};
