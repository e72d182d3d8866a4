// Discovery end to end over real multicast DNS, against python3-zeroconf (an
// independent implementation; our own responder is tst_lumoractl_discover's).
// Runs only inside the private network namespace that in-private-netns.sh creates.
#include "HueBridgeDiscovery.h"
#include "PrivateNetwork.h"
#include "TestProcess.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

/// python3-zeroconf publishing services, driven line by line.
class Publisher
{
public:
    bool start()
    {
        m_process.start({QStringLiteral(LUMORA_SOURCE_DIR "/HueBridgeKit/tests/mdns_publish.py")}, true);
        return m_process.nextLine(20000) == "ready";
    }
    ~Publisher()
    {
        if (m_process.process.state() != QProcess::NotRunning)
            m_process.command(QByteArrayLiteral("{\"op\":\"quit\"}"));
        m_process.finishes(10000);
    }
    /// Registers a service and waits (bounded) until it is announced.
    bool publish(const QString &name, const QString &host, const QString &address, quint16 port, const QJsonValue &txt)
    {
        const QJsonObject command{{u"op"_s, u"register"_s}, {u"name"_s, name},
                                  {u"host"_s, host},        {u"addresses"_s, QJsonArray{address}},
                                  {u"port"_s, port},        {u"txt"_s, txt}};
        const QByteArray answer = m_process.command(QJsonDocument(command).toJson(QJsonDocument::Compact));
        if (answer != "ok")
            qWarning() << "publisher:" << answer << m_process.err;
        return answer == "ok";
    }

private:
    TestProcess m_process{u"/usr/bin/python3"_s};
};

/// A TCP port that never accepts: its backlog is full, so further SYNs are
/// dropped and connecting hangs until the client gives up.
class SilentPort
{
public:
    explicit SilentPort(const char *address)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        ::inet_pton(AF_INET, address, &where.sin_addr);
        socklen_t length = sizeof where;
        if (::bind(m_listener, reinterpret_cast<sockaddr *>(&where), length) != 0 || ::listen(m_listener, 0) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&where), &length) != 0)
            return;
        m_port = ntohs(where.sin_port);
        for (int &filler : m_fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr *>(&where), sizeof where);
        }
        // The backlog is full once the first filler's connection is made.
        pollfd made{m_fillers[0], POLLOUT, 0};
        ::poll(&made, 1, 10000);
    }
    ~SilentPort()
    {
        for (int filler : m_fillers)
            ::close(filler);
        ::close(m_listener);
    }
    quint16 port() const { return m_port; }

private:
    int m_listener = -1;
    int m_fillers[3] = {-1, -1, -1};
    quint16 m_port = 0;
};

/// A bridge's TCP port that counts the connections it accepted.
class Endpoint
{
public:
    explicit Endpoint(const QString &address)
    {
        if (m_server.listen(QHostAddress(address)))
            QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
                while (auto *socket = m_server.nextPendingConnection()) {
                    ++accepted;
                    socket->deleteLater();
                }
            });
    }
    quint16 port() const { return m_server.serverPort(); }
    int accepted = 0;

private:
    QTcpServer m_server;
};

const QJsonObject bridgeTxt{{u"bridgeid"_s, u"001788fffea532a7"_s}, {u"modelid"_s, u"BSB002"_s}};
const QJsonObject modelOnlyTxt{{u"modelid"_s, u"BSB003"_s}};

} // namespace

class TestDiscoveryNetns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        LUMORA_SKIP_OUTSIDE_PRIVATE_NETWORK();
        QVERIFY(QFile::exists(u"/usr/bin/python3"_s));
    }

    void findsTheBridgesAnnouncedByZeroconf()
    {
        Endpoint first(u"127.0.0.2"_s);
        Endpoint second(u"127.0.0.3"_s);
        Publisher publisher;
        QVERIFY(publisher.start());
        QVERIFY(publisher.publish(u"Hue Bridge - A532A7"_s, u"001788a532a7.local"_s, u"127.0.0.2"_s, first.port(),
                                  bridgeTxt));
        QVERIFY(publisher.publish(u"Philips hue - 122DCF"_s, u"00178812dcf0.local"_s, u"127.0.0.3"_s, second.port(),
                                  modelOnlyTxt));

        QElapsedTimer elapsed;
        elapsed.start();
        auto bridges = QCoro::waitFor(HueBridgeDiscovery::bridges(3s));
        std::sort(bridges.begin(), bridges.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
        const QList<DiscoveredBridge> expected{
            {u"Hue Bridge - A532A7"_s, u"001788fffea532a7"_s, u"127.0.0.2"_s},
            {u"Philips hue - 122DCF"_s, std::nullopt, u"127.0.0.3"_s},
        };
        QCOMPARE(bridges, expected);
        QVERIFY(first.accepted >= 1 && second.accepted >= 1);
        // Browse time plus at most the connect limit per service, with slack.
        QVERIFY2(elapsed.elapsed() < 3000 + 2 * 3000 + 5000, qPrintable(QString::number(elapsed.elapsed())));
    }

    void silentServiceAndCancellation()
    {
        SilentPort silent("127.0.0.4");
        QVERIFY(silent.port() != 0);
        Publisher publisher;
        QVERIFY(publisher.start());
        QVERIFY(publisher.publish(u"Silent"_s, u"silent.local"_s, u"127.0.0.4"_s, silent.port(), bridgeTxt));

        // Cancelled once into the browse ...
        HueCancellationToken token;
        QTimer::singleShot(1000, [token] { token.cancel(); });
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(QCoro::waitFor(HueBridgeDiscovery::bridges(60s, token)).isEmpty());
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
        // ... and while the silent service is tried: well before the try's own end
        // (1 s browse + 3 s), even on a loaded machine.
        HueCancellationToken during;
        QTimer::singleShot(1500, [during] { during.cancel(); });
        elapsed.restart();
        QVERIFY(QCoro::waitFor(HueBridgeDiscovery::bridges(1000ms, during)).isEmpty());
        QVERIFY2(elapsed.elapsed() < 3800, qPrintable(QString::number(elapsed.elapsed())));

        // Uncancelled, the silent one gives no entry and costs the whole browse
        // time and its 3 seconds, not much more.
        Endpoint answering(u"127.0.0.2"_s);
        QVERIFY(
            publisher.publish(u"Answering"_s, u"answering.local"_s, u"127.0.0.2"_s, answering.port(), modelOnlyTxt));
        elapsed.restart();
        const auto bridges = QCoro::waitFor(HueBridgeDiscovery::bridges(1500ms));
        QCOMPARE(bridges, (QList<DiscoveredBridge>{{u"Answering"_s, std::nullopt, u"127.0.0.2"_s}}));
        QVERIFY2(elapsed.elapsed() >= 1500 + 2900, qPrintable(QString::number(elapsed.elapsed())));
        QVERIFY2(elapsed.elapsed() < 1500 + 2 * 3000 + 5000, qPrintable(QString::number(elapsed.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestDiscoveryNetns)
#include "tst_discovery_netns.moc"
