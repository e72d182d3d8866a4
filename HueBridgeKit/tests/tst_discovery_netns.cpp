// Discovery end to end over real multicast DNS, against python3-zeroconf (an
// independent implementation; our own responder is tst_lumoractl_discover's).
// Runs only inside the private network namespace that in-private-netns.sh creates.
#include "HueBridgeDiscovery.h"
#include "MdnsBrowser.h"
#include "MdnsResponder.h"
#include "MdnsSocket.h"
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

    void findsTheBridgesAmongHangingSpoofs()
    {
        Endpoint first(u"127.0.0.2"_s);
        Endpoint second(u"127.0.0.3"_s);
        Publisher publisher;
        QVERIFY(publisher.start());
        QVERIFY(publisher.publish(u"Hue Bridge - A532A7"_s, u"001788a532a7.local"_s, u"127.0.0.2"_s, first.port(),
                                  bridgeTxt));
        QVERIFY(publisher.publish(u"Philips hue - 122DCF"_s, u"00178812dcf0.local"_s, u"127.0.0.3"_s, second.port(),
                                  modelOnlyTxt));
        // Twenty services announced with the first bridge's id whose
        // connections hang, as anyone on the network can set up.
        std::vector<std::unique_ptr<SilentPort>> ports;
        std::vector<std::unique_ptr<MdnsResponder>> spoofs;
        for (int i = 0; i < 20; ++i) {
            const auto &port = ports.emplace_back(std::make_unique<SilentPort>("127.0.0.4"));
            QVERIFY(port->port() != 0);
            const auto &spoof = spoofs.emplace_back(std::make_unique<MdnsResponder>());
            spoof->setService(u"Spoof %1"_s.arg(i), u"spoof%1.local"_s.arg(i), QHostAddress(u"127.0.0.4"_s),
                              port->port(), {{"bridgeid", "001788fffea532a7"}});
            QVERIFY(spoof->start());
        }

        // One after the other this took the browse time and 3 s per spoof.
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
        // The browse time, with slack.
        QVERIFY2(elapsed.elapsed() < 3000 + 3000, qPrintable(QString::number(elapsed.elapsed())));

        // Cancelled while the spoofs hang: at once.
        HueCancellationToken token;
        QTimer::singleShot(1000, [token] { token.cancel(); });
        elapsed.restart();
        QCoro::waitFor(HueBridgeDiscovery::bridges(60s, token));
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
    }

    void answersOnlyFromTheLink_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a neighbour") << u"127.0.0.1"_s << 5353 << true;
        QTest::newRow("another port") << u"127.0.0.1"_s << 0 << false;
        QTest::newRow("routed from afar") << u"203.0.113.5"_s << 5353 << false;
    }
    void answersOnlyFromTheLink()
    {
        QFETCH(QString, source);
        QFETCH(int, port);
        QFETCH(bool, taken);
        MdnsBrowser browser(HueBridgeDiscovery::serviceType());
        QVERIFY(browser.start());
        const auto instance = MdnsName::instance(u"Sent"_s, HueBridgeDiscovery::serviceType());
        MdnsMessage sent;
        sent.flags = MdnsMessage::flagResponse | MdnsMessage::flagAuthoritative;
        sent.answers = {MdnsMessage::Record::ptr(HueBridgeDiscovery::serviceType(), instance, 120)};
        QVERIFY(sendFrom(source, quint16(port), sent.toBytes()));
        // A responder's announcement, sent after it, shows that it was read.
        MdnsResponder marker;
        marker.setService(u"Marker"_s, u"marker.local"_s, QHostAddress(u"127.0.0.2"_s), 443, {});
        QVERIFY(marker.start());
        const auto names = [&] {
            QStringList result;
            for (const auto &service : browser.instances())
                result.append(service.name);
            return result;
        };
        QTRY_VERIFY_WITH_TIMEOUT(names().contains(u"Marker"_s), 5000);
        QCOMPARE(names().contains(u"Sent"_s), taken);
    }

private:
    /// Sends a packet to the mDNS group on the loopback from any address and
    /// port, also one that is not ours (IP_TRANSPARENT, allowed to root in
    /// the private namespace), as a router would deliver it.
    static bool sendFrom(const QString &source, quint16 port, const QByteArray &packet)
    {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        const int on = 1;
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_port = htons(port);
        ::inet_pton(AF_INET, source.toLatin1().constData(), &from.sin_addr);
        sockaddr_in group = from;
        group.sin_port = htons(MdnsSocket::port);
        ::inet_pton(AF_INET, "224.0.0.251", &group.sin_addr);
        in_addr loopback{htonl(INADDR_LOOPBACK)};
        const bool sent = ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0
                          && ::setsockopt(fd, IPPROTO_IP, IP_TRANSPARENT, &on, sizeof on) == 0
                          && ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback) == 0
                          && ::bind(fd, reinterpret_cast<sockaddr *>(&from), sizeof from) == 0
                          && ::sendto(fd, packet.constData(), size_t(packet.size()), 0,
                                      reinterpret_cast<sockaddr *>(&group), sizeof group)
                                 == packet.size();
        ::close(fd);
        return sent;
    }
};

QTEST_GUILESS_MAIN(TestDiscoveryNetns)
#include "tst_discovery_netns.moc"
