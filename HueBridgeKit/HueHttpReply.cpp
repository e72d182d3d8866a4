#include "HueHttpReply.h"

#include "HueHttpManager.h"

#include <QSslConfiguration>
#include <QSslSocket>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// What the TLS socket decrypts ahead of this reader: with it full, the socket
// stops reading from the network until the reader has taken its share. Large
// enough that a listing of a few MB comes through in a few passes of the
// event loop, which may be busy drawing.
constexpr qint64 socketBufferSize = 1024 * 1024;
// A chunk's size line, or one trailer field.
constexpr qsizetype maximumLineSize = 1024;
constexpr int maximumTrailerFields = 64;
// How much one step reads when the caller has not bounded its buffer.
constexpr qint64 unboundedStep = 256 * 1024;

QNetworkReply::NetworkError networkError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::RemoteHostClosedError:
        return QNetworkReply::RemoteHostClosedError;
    case QAbstractSocket::HostNotFoundError:
        return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SocketTimeoutError:
        return QNetworkReply::TimeoutError;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return QNetworkReply::SslHandshakeFailedError;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

bool isField(const QByteArray &name, const char *wanted)
{
    return name.compare(wanted, Qt::CaseInsensitive) == 0;
}

// Where a head ends ("\r\n\r\n", or "\n\n" from a sloppy peer), searched from
// `from`: the head's length and the length of its terminator.
std::optional<std::pair<qsizetype, qsizetype>> headEnd(const QByteArray &data, qsizetype from)
{
    const qsizetype crlf = data.indexOf("\r\n\r\n", from);
    const qsizetype lf = data.indexOf("\n\n", from);
    if (crlf >= 0 && (lf < 0 || crlf < lf))
        return std::pair{crlf, qsizetype(4)};
    if (lf >= 0)
        return std::pair{lf, qsizetype(2)};
    return std::nullopt;
}

} // namespace

HueHttpReply::HueHttpReply(HueHttpManager *manager, QNetworkAccessManager::Operation operation,
                           const QNetworkRequest &request, QByteArray verb, QByteArray body)
    : QNetworkReply(manager)
    , m_manager(manager)
    , m_verb(std::move(verb))
    , m_requestBody(std::move(body))
{
    setRequest(request);
    setUrl(request.url());
    setOperation(operation);
    QIODevice::open(QIODevice::ReadOnly);
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, [this] { fail(TimeoutError, u"Operation timed out"_s); });
    // Started from the event loop, as Qt's own transfers are: the caller sets
    // the read buffer bound and connects its handlers first.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isFinished())
                return;
            const QUrl target = url();
            if (target.scheme() != "https"_L1 || target.host().isEmpty() || m_verb.isEmpty()) {
                fail(ProtocolUnknownError, u"Protocol \"%1\" is unknown"_s.arg(target.scheme()));
                return;
            }
            if (const int timeout = this->request().transferTimeout(); timeout > 0) {
                m_idle.setInterval(timeout);
                m_idle.start();
            }
            if (m_manager)
                m_manager->requestConnection(this);
        },
        Qt::QueuedConnection);
}

HueHttpReply::~HueHttpReply()
{
    if (m_manager)
        m_manager->forget(this);
    releaseSocket(false);
}

void HueHttpReply::start(QSslSocket *socket, bool reused)
{
    m_socket = socket;
    m_holdsConnection = true;
    m_reused = reused;
    m_answering = false;
    m_peerClosed = false;
    connect(socket, &QIODevice::readyRead, this, &HueHttpReply::readIncoming);
    connect(socket, &QAbstractSocket::errorOccurred, this, &HueHttpReply::socketFailed);
    connect(socket, &QAbstractSocket::disconnected, this, &HueHttpReply::socketClosed);
    if (reused) {
        // Its certificate was judged when it was opened, under the same rules.
        sendRequest();
        return;
    }
    m_state = State::connecting;
    m_trustJudged = false;
    connect(socket, &QSslSocket::sslErrors, this, &HueHttpReply::judgeHandshake);
    connect(socket, &QSslSocket::encrypted, this, &HueHttpReply::handshakeDone);
    socket->setSslConfiguration(request().sslConfiguration());
    socket->setReadBufferSize(socketBufferSize);
    socket->connectToHostEncrypted(url().host(), quint16(url().port(443)));
}

void HueHttpReply::judgeHandshake(const QList<QSslError> &errors)
{
    const QPointer<HueHttpReply> self(this);
    m_trustJudged = true;
    m_trusted = false;
    Q_EMIT sslErrors(errors); // whoever trusts the server calls ignoreSslErrors()
    if (self && m_trusted && m_socket && !isFinished())
        m_socket->ignoreSslErrors();
}

void HueHttpReply::ignoreSslErrors()
{
    m_trusted = true;
}

void HueHttpReply::handshakeDone()
{
    const QPointer<HueHttpReply> self(this);
    if (!m_trustJudged) {
        // Qt's own checks passed without asking: the decision is still the
        // handler's, and nothing is sent without it.
        judgeHandshake({});
        if (!self || isFinished())
            return;
        if (!m_trusted) {
            fail(SslHandshakeFailedError, u"The server's certificate is not trusted"_s);
            return;
        }
    }
    if (m_idle.isActive())
        m_idle.start();
    Q_EMIT encrypted();
    if (self && !isFinished())
        sendRequest();
}

void HueHttpReply::sendRequest()
{
    const QUrl target = url();
    QByteArray path = target.path(QUrl::FullyEncoded).toLatin1();
    if (path.isEmpty())
        path = "/";
    if (target.hasQuery())
        path += '?' + target.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = target.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (target.port() != -1 && target.port() != 443)
        host += ':' + QByteArray::number(target.port());

    QByteArray out = m_verb + ' ' + path + " HTTP/1.1\r\nHost: " + host + "\r\n";
    const QNetworkRequest &sent = request();
    for (const QByteArray &name : sent.rawHeaderList()) {
        // Framing is this reader's; a line break in a value would start a
        // header (or a request) of its own.
        if (isField(name, "Host") || isField(name, "Content-Length") || isField(name, "Transfer-Encoding")
            || isField(name, "Connection"))
            continue;
        const QByteArray value = sent.rawHeader(name);
        if (name.contains('\r') || name.contains('\n') || value.contains('\r') || value.contains('\n')) {
            fail(ProtocolInvalidOperationError, u"A request header holds a line break"_s);
            return;
        }
        out += name + ": " + value + "\r\n";
    }
    if (!m_requestBody.isEmpty() || m_verb == "POST" || m_verb == "PUT")
        out += "Content-Length: " + QByteArray::number(m_requestBody.size()) + "\r\n";
    out += "\r\n";
    out += m_requestBody;
    m_state = State::head;
    m_head.clear();
    m_input.clear();
    if (m_socket->write(out) != out.size())
        fail(UnknownNetworkError, m_socket->errorString());
}

void HueHttpReply::readIncoming()
{
    m_readPosted = false;
    if (isFinished() || !m_holdsConnection || m_state == State::connecting || m_state == State::waiting)
        return;
    if (m_socket && m_socket->bytesAvailable() > 0 && m_idle.isActive())
        m_idle.start();
    const QPointer<HueHttpReply> self(this);
    const qsizetype bufferedBefore = m_buffer.size();
    while (m_failure.isEmpty() && step()) {
    }
    if (!m_failure.isEmpty()) {
        fail(ProtocolFailure, m_failure);
        return;
    }
    if (m_headPending) {
        m_headPending = false;
        Q_EMIT metaDataChanged();
        if (!self || isFinished())
            return;
    }
    if (m_buffer.size() > bufferedBefore) {
        Q_EMIT readyRead();
        if (!self || isFinished())
            return;
        Q_EMIT downloadProgress(m_received, m_total);
        if (!self || isFinished())
            return;
    }
    if (m_state == State::done) {
        complete();
        return;
    }
    if (m_peerClosed && !hasInput()) {
        if (m_state == State::untilClose) {
            m_state = State::done;
            complete();
        } else {
            fail(RemoteHostClosedError, u"Connection closed"_s);
        }
    }
}

bool HueHttpReply::step()
{
    switch (m_state) {
    case State::head:
        return readHead();
    case State::length:
    case State::chunkData:
        return readBody(m_remaining);
    case State::untilClose:
        return readBody(-1);
    case State::chunkSize: {
        const auto line = readLine();
        if (!line)
            return false;
        const qsizetype extension = line->indexOf(';');
        const QByteArray digits = (extension < 0 ? *line : line->left(extension)).trimmed();
        bool ok = false;
        const qint64 size = digits.toLongLong(&ok, 16);
        if (!ok || size < 0) {
            m_failure = u"The answer's chunk size cannot be read"_s;
            return false;
        }
        m_remaining = size;
        m_state = size == 0 ? State::trailer : State::chunkData;
        return true;
    }
    case State::chunkEnd: {
        const auto line = readLine();
        if (!line)
            return false;
        if (!line->isEmpty()) {
            m_failure = u"The answer's chunk does not end where its size says"_s;
            return false;
        }
        m_state = State::chunkSize;
        return true;
    }
    case State::trailer: {
        const auto line = readLine();
        if (!line)
            return false;
        if (line->isEmpty()) {
            m_state = State::done;
            return false;
        }
        if (++m_trailerFields > maximumTrailerFields) {
            m_failure = u"The answer's trailer is too long"_s;
            return false;
        }
        return true;
    }
    case State::waiting:
    case State::connecting:
    case State::done:
        break;
    }
    return false;
}

bool HueHttpReply::readHead()
{
    const qsizetype searchFrom = qMax<qsizetype>(0, m_head.size() - 3);
    const QByteArray more = take(maximumHeadSize + 1 - m_head.size());
    if (more.isEmpty())
        return false;
    m_answering = true;
    m_head += more;
    const auto end = headEnd(m_head, searchFrom);
    if (!end) {
        if (m_head.size() > maximumHeadSize) {
            m_failure = u"The answer's head is longer than %1 bytes"_s.arg(maximumHeadSize);
            return false;
        }
        return true;
    }
    m_input.prepend(m_head.mid(end->first + end->second));
    const QByteArray head = m_head.left(end->first);
    m_head.clear();
    if (!parseHead(head)) {
        m_failure = u"The answer's head cannot be read"_s;
        return false;
    }
    return m_state != State::done;
}

bool HueHttpReply::parseHead(const QByteArray &head)
{
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    const QByteArray &status = lines.first();
    // "HTTP/1.1 200 OK": the version, a three-digit code, the reason.
    if (status.size() < 12 || !status.startsWith("HTTP/1.") || status.at(8) != ' '
        || (status.size() > 12 && status.at(12) != ' '))
        return false;
    bool ok = false;
    const int code = status.mid(9, 3).toInt(&ok);
    if (!ok || code < 100 || code > 599)
        return false;
    if (code < 200) {
        // An interim answer (100 Continue); the real head follows.
        m_state = State::head;
        return true;
    }

    std::optional<qint64> length;
    bool chunked = false;
    bool close = status.at(7) == '0';
    QList<std::pair<QByteArray, QByteArray>> fields;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.isEmpty())
            continue;
        if (line.front() == ' ' || line.front() == '\t') {
            // A folded continuation of the field before.
            if (fields.isEmpty())
                return false;
            fields.last().second += ' ' + line.trimmed();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || line.left(colon).contains(' ') || line.left(colon).contains('\t'))
            return false;
        fields.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    for (const auto &[name, value] : std::as_const(fields)) {
        if (isField(name, "Content-Length")) {
            const qint64 announced = value.toLongLong(&ok);
            if (!ok || announced < 0 || (length && *length != announced))
                return false;
            length = announced;
        } else if (isField(name, "Transfer-Encoding")) {
            chunked = value.trimmed().toLower().endsWith("chunked");
        } else if (isField(name, "Connection")) {
            const QByteArray tokens = value.toLower();
            if (tokens.contains("close"))
                close = true;
            else if (tokens.contains("keep-alive"))
                close = false;
        }
        const QByteArray earlier = rawHeader(name);
        setRawHeader(name, earlier.isEmpty() ? value : earlier + ", " + value);
    }
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, code);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, status.mid(13));
    m_headPending = true;
    m_keepAlive = !close;
    if (m_verb == "HEAD" || code == 204 || code == 304) {
        m_state = State::done;
    } else if (chunked) {
        m_state = State::chunkSize; // a chunked body ignores any length
    } else if (length) {
        m_total = *length;
        m_remaining = *length;
        m_state = *length == 0 ? State::done : State::length;
    } else {
        m_state = State::untilClose;
        m_keepAlive = false;
    }
    return true;
}

bool HueHttpReply::readBody(qint64 remaining)
{
    const qint64 room = m_readBufferSize > 0 ? m_readBufferSize - m_buffer.size() : unboundedStep;
    if (room <= 0)
        return false; // the caller reads first
    const QByteArray data = take(remaining >= 0 ? qMin(room, remaining) : room);
    if (data.isEmpty())
        return false;
    m_buffer += data;
    m_received += data.size();
    if (remaining >= 0) {
        m_remaining -= data.size();
        if (m_remaining == 0)
            m_state = m_state == State::length ? State::done : State::chunkEnd;
    }
    return m_state != State::done;
}

std::optional<QByteArray> HueHttpReply::readLine()
{
    while (true) {
        const qsizetype newline = m_line.indexOf('\n');
        if (newline >= 0) {
            QByteArray line = m_line.left(newline);
            m_input.prepend(m_line.mid(newline + 1));
            m_line.clear();
            if (line.endsWith('\r'))
                line.chop(1);
            return line;
        }
        if (m_line.size() > maximumLineSize) {
            m_failure = u"A line of the answer is longer than %1 bytes"_s.arg(maximumLineSize);
            return std::nullopt;
        }
        const QByteArray more = take(maximumLineSize + 1 - m_line.size());
        if (more.isEmpty())
            return std::nullopt;
        m_line += more;
    }
}

QByteArray HueHttpReply::take(qint64 maxSize)
{
    if (!m_input.isEmpty()) {
        QByteArray out = m_input.left(maxSize);
        m_input.remove(0, out.size());
        return out;
    }
    // Never more than is there: Qt allocates the whole size asked for.
    const qint64 available = m_socket ? qMin(maxSize, m_socket->bytesAvailable()) : 0;
    return available > 0 ? m_socket->read(available) : QByteArray();
}

bool HueHttpReply::hasInput() const
{
    return !m_input.isEmpty() || (m_socket && m_socket->bytesAvailable() > 0);
}

void HueHttpReply::socketFailed()
{
    if (isFinished() || !m_socket)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError) {
        socketClosed();
        return;
    }
    if (m_reused && !m_answering && !m_retried) {
        retry();
        return;
    }
    fail(networkError(error), m_socket->errorString());
}

void HueHttpReply::socketClosed()
{
    if (isFinished() || !m_holdsConnection || m_peerClosed)
        return;
    // A kept connection the peer closed while it was idle: the request is
    // sent again on a new one, once.
    if (m_reused && !m_answering && !m_retried && !hasInput()) {
        retry();
        return;
    }
    if (m_state == State::connecting) {
        fail(RemoteHostClosedError, u"Connection closed"_s);
        return;
    }
    m_peerClosed = true;
    readIncoming(); // what is still buffered, then the end
}

void HueHttpReply::retry()
{
    m_retried = true;
    releaseSocket(false);
    m_state = State::waiting;
    if (m_manager)
        m_manager->requestConnection(this, true);
}

void HueHttpReply::complete()
{
    releaseSocket(m_keepAlive && !m_peerClosed && !hasInput());
    m_idle.stop();
    setFinished(true);
    const QPointer<HueHttpReply> self(this);
    Q_EMIT readChannelFinished();
    if (self)
        Q_EMIT finished();
}

void HueHttpReply::fail(NetworkError code, const QString &message)
{
    if (isFinished())
        return;
    m_state = State::done;
    m_idle.stop();
    if (m_manager)
        m_manager->forget(this);
    releaseSocket(false);
    setError(code, message);
    setFinished(true);
    const QPointer<HueHttpReply> self(this);
    Q_EMIT errorOccurred(code);
    if (self)
        Q_EMIT finished();
}

void HueHttpReply::releaseSocket(bool reusable)
{
    if (!m_holdsConnection)
        return;
    m_holdsConnection = false;
    QSslSocket *socket = m_socket.data();
    m_socket = nullptr;
    if (socket) {
        m_sslConfiguration = socket->sslConfiguration();
        disconnect(socket, nullptr, this, nullptr);
    }
    if (m_manager) {
        m_manager->releaseConnection(this, socket, reusable);
    } else if (socket) {
        socket->abort();
        socket->deleteLater();
    }
}

void HueHttpReply::scheduleRead()
{
    if (m_readPosted || isFinished())
        return;
    m_readPosted = true;
    QMetaObject::invokeMethod(this, &HueHttpReply::readIncoming, Qt::QueuedConnection);
}

void HueHttpReply::abort()
{
    fail(OperationCanceledError, u"Operation canceled"_s);
    m_buffer.clear();
    QNetworkReply::close();
}

void HueHttpReply::close()
{
    abort();
}

void HueHttpReply::setReadBufferSize(qint64 size)
{
    m_readBufferSize = size;
    QNetworkReply::setReadBufferSize(size);
}

qint64 HueHttpReply::bytesAvailable() const
{
    return m_buffer.size() + QNetworkReply::bytesAvailable();
}

qint64 HueHttpReply::readData(char *data, qint64 maxSize)
{
    const qint64 count = qMin<qint64>(maxSize, m_buffer.size());
    if (count == 0)
        return isFinished() ? -1 : 0;
    std::memcpy(data, m_buffer.constData(), size_t(count));
    m_buffer.remove(0, count);
    if (hasInput() || m_peerClosed)
        scheduleRead(); // the reader waited for room
    return count;
}

void HueHttpReply::sslConfigurationImplementation(QSslConfiguration &configuration) const
{
    configuration = m_socket ? m_socket->sslConfiguration() : m_sslConfiguration;
}
