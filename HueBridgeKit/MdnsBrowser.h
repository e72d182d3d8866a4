#pragma once

#include "MdnsMessage.h"
#include "MdnsServiceInstance.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

class MdnsSocket;

/// A continuous multicast DNS browse for one service type (RFC 6762/6763): it
/// asks for the type's PTR records at growing intervals (0, 1, 2, 4 s, ...),
/// takes the records of every answer and additional section, asks for the
/// SRV, TXT and A records still missing, and forgets what a goodbye (TTL 0) or
/// an expired TTL withdraws. Only answers from port 5353 of a neighbour on the
/// link count. `instances()` is the current snapshot.
class MdnsBrowser : public QObject
{
    Q_OBJECT
public:
    /// At most this many instances and addresses per host are kept, so that
    /// a flood of announcements cannot grow memory without bound.
    static constexpr qsizetype maxInstances = 256;
    static constexpr qsizetype maxAddressesPerHost = 16;

    explicit MdnsBrowser(const MdnsName &serviceType, QObject *parent = nullptr);
    ~MdnsBrowser() override;

    /// Also resolve this instance (SRV, TXT and its host's addresses) even
    /// though no PTR record named it, e.g. to finish one found earlier.
    void addInstance(const MdnsName &fullName);
    /// Whether PTR queries for the type are sent (on by default).
    void setBrowsing(bool browsing);

    /// Opens the socket and sends the first queries. False, with a reason,
    /// when no socket could be opened.
    bool start(QString *error = nullptr);
    void stop();

    /// Present instances in the order they were first seen.
    QList<MdnsServiceInstance> instances() const;

    /// Takes the records of one received response. Public so that the cache
    /// rules can be exercised without a network.
    void process(const MdnsMessage &message);
    /// The query that would be sent now: the PTR question (when browsing)
    /// and the questions for records still missing.
    MdnsMessage pendingQuery(bool includeBrowse) const;
    /// The query to send now: the pending one without the questions asked
    /// less than 0.9 s ago. Records its questions as asked.
    MdnsMessage takeQuery(bool includeBrowse);
    /// How many questions the history behind takeQuery holds; never more
    /// than are pending.
    qsizetype questionHistorySize() const { return m_lastAsked.size(); }

Q_SIGNALS:
    /// The snapshot changed.
    void instancesChanged();

private:
    struct Instance
    {
        MdnsName fullName;
        bool present = false;
        /// Asked for by addInstance: kept whatever PTR records say.
        bool pinned = false;
        qint64 ptrExpiresAt = 0;
        std::optional<MdnsName> host;
        quint16 port = 0;
        qint64 srvExpiresAt = 0;
        std::optional<QList<QByteArray>> txt;
        qint64 txtExpiresAt = 0;
    };
    struct Address
    {
        QHostAddress address;
        qint64 expiresAt = 0;
    };
    struct Host
    {
        QList<Address> ipv4;
        QList<Address> ipv6;
    };

    void onMessage(const MdnsMessage &message, const QHostAddress &sender, quint16 senderPort, bool onLink);
    void sendQuery(bool includeBrowse);
    void scheduleNextBrowseQuery();
    bool expire();
    qint64 now() const;
    qint64 expiry(quint32 ttl) const;
    Instance *instanceFor(const MdnsName &name, bool create);
    bool isWanted(const MdnsName &host) const;
    bool isWantedKey(const QByteArray &hostKey) const;

    MdnsName m_serviceType;
    MdnsSocket *m_socket = nullptr;
    QElapsedTimer m_clock;
    QTimer m_browseTimer;
    QTimer m_resolveTimer;
    QTimer m_expiryTimer;
    int m_browseRound = 0;
    bool m_browsing = true;
    QList<QByteArray> m_order;
    QHash<QByteArray, Instance> m_instances;
    QHash<QByteArray, Host> m_hosts;
    QHash<QByteArray, qint64> m_lastAsked;
};
