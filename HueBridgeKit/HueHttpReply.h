#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>

#include <optional>

class HueHttpManager;
class QSslSocket;

/// One HTTP/1.1 exchange over a TLS connection that `HueHttpManager` lends it.
///
/// Qt's own reader keeps an answer's head in memory however long it grows, so
/// a peer that never ends its head fills the process. This reader bounds every
/// part of an answer it has to hold before handing it on: the head, a chunk's
/// size line and the trailer; the body it reads only as fast as the caller
/// takes it (`setReadBufferSize`). What breaks a bound ends the reply with
/// `ProtocolFailure`.
///
/// The server's certificate is judged by whoever handles `sslErrors`; the
/// signal is emitted for every new connection, also one Qt's own checks
/// passed, and no byte of the request leaves until `ignoreSslErrors` was called.
class HueHttpReply final : public QNetworkReply
{
    Q_OBJECT

public:
    /// Status line and header fields together. A bridge's heads are a few
    /// hundred bytes.
    static constexpr qsizetype maximumHeadSize = 64 * 1024;

    HueHttpReply(HueHttpManager *manager, QNetworkAccessManager::Operation operation, const QNetworkRequest &request,
                 QByteArray verb, QByteArray body);
    ~HueHttpReply() override;

    void abort() override;
    void close() override;
    void ignoreSslErrors() override;
    void setReadBufferSize(qint64 size) override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    void sslConfigurationImplementation(QSslConfiguration &configuration) const override;

private:
    friend class HueHttpManager;

    enum class State { waiting, connecting, head, length, untilClose, chunkSize, chunkData, chunkEnd, trailer, done };

    // Called by the manager.
    void start(QSslSocket *socket, bool reused);
    void detachFromManager() { m_manager = nullptr; }

    void judgeHandshake(const QList<QSslError> &errors);
    void handshakeDone();
    void sendRequest();
    void readIncoming();
    bool step();
    bool readHead();
    bool parseHead(const QByteArray &head);
    bool readBody(qint64 remaining);
    std::optional<QByteArray> readLine();
    QByteArray take(qint64 maxSize);
    bool hasInput() const;
    void socketFailed();
    void socketClosed();
    void retry();
    void complete();
    void fail(NetworkError code, const QString &message);
    void releaseSocket(bool reusable);
    void scheduleRead();

    QPointer<HueHttpManager> m_manager;
    QPointer<QSslSocket> m_socket;
    QByteArray m_verb;
    QByteArray m_requestBody;
    State m_state = State::waiting;
    QByteArray m_head;   // the head read so far
    QByteArray m_input;  // read from the socket, not yet taken
    QByteArray m_line;   // a chunk line read so far
    QByteArray m_buffer; // body bytes the caller has not read
    qint64 m_readBufferSize = 0;
    qint64 m_remaining = 0; // of the body or the current chunk
    qint64 m_received = 0;
    qint64 m_total = -1;
    int m_trailerFields = 0;
    QString m_failure;                    // why the answer cannot be read, once it cannot
    QSslConfiguration m_sslConfiguration; // of the connection, once given back
    QTimer m_idle;
    bool m_holdsConnection = false;
    bool m_reused = false;
    bool m_headPending = false; // parsed, not yet announced
    bool m_retried = false;
    bool m_answering = false; // a byte of the answer has arrived
    bool m_keepAlive = true;  // the connection may carry the next request
    bool m_peerClosed = false;
    bool m_trustJudged = false;
    bool m_trusted = false;
    bool m_readPosted = false;
};
