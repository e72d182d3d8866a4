#include "MdnsBrowser.h"

#include "MdnsSocket.h"

#include <QSet>

namespace {

constexpr int firstBrowseInterval = 1000;
constexpr int maxBrowseInterval = 60 * 1000;
// Questions for missing records are not repeated more often than this.
constexpr qint64 askAgainAfter = 900;
// Further questions wait this long, so that the records of a burst of
// answers arrive before we ask for what is still missing.
constexpr int resolveDelay = 20;

QByteArray questionKey(const MdnsName &name, quint16 type)
{
    return name.key() + QByteArray::number(type);
}

} // namespace

MdnsBrowser::MdnsBrowser(const MdnsName &serviceType, QObject *parent)
    : QObject(parent)
    , m_serviceType(serviceType)
{
    m_clock.start();
    m_browseTimer.setSingleShot(true);
    connect(&m_browseTimer, &QTimer::timeout, this, [this] {
        sendQuery(true);
        scheduleNextBrowseQuery();
    });
    m_resolveTimer.setSingleShot(true);
    m_resolveTimer.setInterval(resolveDelay);
    connect(&m_resolveTimer, &QTimer::timeout, this, [this] { sendQuery(false); });
    m_expiryTimer.setInterval(1000);
    connect(&m_expiryTimer, &QTimer::timeout, this, [this] {
        if (expire())
            Q_EMIT instancesChanged();
    });
}

MdnsBrowser::~MdnsBrowser() = default;

void MdnsBrowser::addInstance(const MdnsName &fullName)
{
    if (fullName.labels.isEmpty() || !fullName.isValid())
        return;
    if (Instance *instance = instanceFor(fullName, true)) {
        instance->present = true;
        instance->pinned = true;
    }
    if (m_socket)
        m_resolveTimer.start();
}

void MdnsBrowser::setBrowsing(bool browsing)
{
    m_browsing = browsing;
}

bool MdnsBrowser::start(QString *error)
{
    stop();
    m_socket = new MdnsSocket(this);
    if (!m_socket->open(true, error)) {
        delete m_socket;
        m_socket = nullptr;
        return false;
    }
    connect(m_socket, &MdnsSocket::messageReceived, this, &MdnsBrowser::onMessage);
    m_browseRound = 0;
    sendQuery(true);
    scheduleNextBrowseQuery();
    m_expiryTimer.start();
    return true;
}

void MdnsBrowser::stop()
{
    m_browseTimer.stop();
    m_resolveTimer.stop();
    m_expiryTimer.stop();
    if (m_socket) {
        m_socket->close();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
}

QList<MdnsServiceInstance> MdnsBrowser::instances() const
{
    QList<MdnsServiceInstance> result;
    const qint64 at = now();
    for (const auto &key : m_order) {
        const auto found = m_instances.constFind(key);
        if (found == m_instances.cend() || !found->present)
            continue;
        const Instance &instance = *found;
        if (!instance.pinned && instance.ptrExpiresAt <= at)
            continue;
        MdnsServiceInstance item;
        item.fullName = instance.fullName;
        item.name = QString::fromUtf8(instance.fullName.labels.constFirst());
        if (instance.host && instance.srvExpiresAt > at) {
            item.host = instance.host;
            item.port = instance.port;
            const auto host = m_hosts.constFind(instance.host->key());
            if (host != m_hosts.cend()) {
                for (const auto &address : host->ipv4) {
                    if (address.expiresAt > at)
                        item.ipv4.append(address.address);
                }
                for (const auto &address : host->ipv6) {
                    if (address.expiresAt > at)
                        item.ipv6.append(address.address);
                }
            }
        }
        if (instance.txt && instance.txtExpiresAt > at)
            item.txt = instance.txt;
        result.append(std::move(item));
    }
    return result;
}

void MdnsBrowser::process(const MdnsMessage &message)
{
    if (!message.isResponse() || !message.isStandard())
        return;
    const QList<MdnsServiceInstance> before = instances();
    QList<const MdnsMessage::Record *> records;
    records.reserve(message.answers.size() + message.additionals.size());
    for (const auto &record : message.answers)
        records.append(&record);
    for (const auto &record : message.additionals)
        records.append(&record);

    // Services first, then their SRV and TXT records, then the hosts' addresses,
    // so that one packet carrying everything is understood whatever its order.
    for (const auto *record : std::as_const(records)) {
        if (record->type != MdnsMessage::PTR || record->klass != MdnsMessage::classIN
            || !(record->name == m_serviceType))
            continue;
        const MdnsName &target = record->target;
        if (target.labels.size() != m_serviceType.labels.size() + 1 || !target.endsWith(m_serviceType))
            continue;
        if (record->ttl == 0) {
            const QByteArray key = target.key();
            if (m_instances.contains(key) && !m_instances.value(key).pinned) {
                m_instances.remove(key);
                m_order.removeAll(key);
            }
            continue;
        }
        if (Instance *instance = instanceFor(target, true)) {
            instance->present = true;
            instance->ptrExpiresAt = expiry(record->ttl);
        }
    }
    for (const auto *record : std::as_const(records)) {
        if ((record->type != MdnsMessage::SRV && record->type != MdnsMessage::TXT)
            || record->klass != MdnsMessage::classIN)
            continue;
        Instance *instance = instanceFor(record->name, false);
        if (!instance)
            continue;
        if (record->type == MdnsMessage::SRV) {
            if (record->ttl == 0) {
                instance->host.reset();
            } else if (!record->target.isEmpty()) {
                instance->host = record->target;
                instance->port = record->port;
                instance->srvExpiresAt = expiry(record->ttl);
            }
        } else if (record->ttl == 0) {
            instance->txt.reset();
        } else {
            instance->txt = record->txt;
            instance->txtExpiresAt = expiry(record->ttl);
        }
    }
    QSet<QByteArray> flushed;
    for (const auto *record : std::as_const(records)) {
        if ((record->type != MdnsMessage::A && record->type != MdnsMessage::AAAA)
            || record->klass != MdnsMessage::classIN || !isWanted(record->name))
            continue;
        const QByteArray hostKey = record->name.key();
        Host &host = m_hosts[hostKey];
        QList<Address> &list = record->type == MdnsMessage::A ? host.ipv4 : host.ipv6;
        // A cache-flush record set replaces what earlier packets said.
        const QByteArray flushKey = hostKey + QByteArray::number(record->type);
        if (record->cacheFlush && !flushed.contains(flushKey)) {
            flushed.insert(flushKey);
            list.clear();
        }
        const auto existing = std::find_if(list.begin(), list.end(),
                                           [&](const Address &address) { return address.address == record->address; });
        if (record->ttl == 0) {
            if (existing != list.end())
                list.erase(existing);
        } else if (existing != list.end()) {
            existing->expiresAt = expiry(record->ttl);
        } else if (list.size() < maxAddressesPerHost) {
            list.append(Address{record->address, expiry(record->ttl)});
        }
    }
    expire();
    if (instances() != before)
        Q_EMIT instancesChanged();
    // Not restarted while it runs: a steady stream of packets would put the
    // questions off for ever.
    if (m_socket && !m_resolveTimer.isActive() && !pendingQuery(false).questions.isEmpty())
        m_resolveTimer.start();
}

MdnsMessage MdnsBrowser::pendingQuery(bool includeBrowse) const
{
    MdnsMessage query;
    if (includeBrowse && m_browsing)
        query.questions.append({m_serviceType, MdnsMessage::PTR});
    const qint64 at = now();
    for (const auto &key : m_order) {
        const Instance &instance = m_instances[key];
        if (!instance.present)
            continue;
        if (!instance.host || instance.srvExpiresAt <= at)
            query.questions.append({instance.fullName, MdnsMessage::SRV});
        if (!instance.txt || instance.txtExpiresAt <= at)
            query.questions.append({instance.fullName, MdnsMessage::TXT});
        if (instance.host && instance.srvExpiresAt > at) {
            const Host host = m_hosts.value(instance.host->key());
            const bool known = std::any_of(host.ipv4.cbegin(), host.ipv4.cend(),
                                           [at](const Address &address) { return address.expiresAt > at; });
            if (!known)
                query.questions.append({*instance.host, MdnsMessage::A});
        }
    }
    return query;
}

void MdnsBrowser::onMessage(const MdnsMessage &message, const QHostAddress &sender, quint16 senderPort, bool onLink)
{
    Q_UNUSED(sender)
    // Multicast DNS answers come from port 5353 and from a neighbour on the
    // link (RFC 6762, 6 and 11); anything else is not a responder speaking,
    // or one that someone beyond the network routed to us.
    if (senderPort == MdnsSocket::port && onLink)
        process(message);
}

MdnsMessage MdnsBrowser::takeQuery(bool includeBrowse)
{
    MdnsMessage query = pendingQuery(includeBrowse);
    const qint64 at = now();
    QList<MdnsMessage::Question> questions;
    // Only what is missing now is remembered: the history of a question that
    // was answered or whose service went away is of no further use, and
    // keeping it would let a stream of short-lived services grow it forever.
    QHash<QByteArray, qint64> asked;
    for (const auto &question : std::as_const(query.questions)) {
        if (question.type == MdnsMessage::PTR) {
            questions.append(question);
            continue;
        }
        const QByteArray key = questionKey(question.name, question.type);
        const auto last = m_lastAsked.constFind(key);
        if (last != m_lastAsked.cend() && at - *last < askAgainAfter) {
            asked.insert(key, *last);
            continue;
        }
        asked.insert(key, at);
        questions.append(question);
    }
    m_lastAsked = std::move(asked);
    query.questions = questions;
    return query;
}

void MdnsBrowser::sendQuery(bool includeBrowse)
{
    if (!m_socket)
        return;
    const MdnsMessage query = takeQuery(includeBrowse);
    if (!query.questions.isEmpty())
        m_socket->sendMulticast(query);
}

void MdnsBrowser::scheduleNextBrowseQuery()
{
    // Queries at 0, 1, 2, 4, 8 s, ...: quick at first, then ever more quietly.
    const int interval = m_browseRound < 2 ? firstBrowseInterval
                                           : qMin(firstBrowseInterval << qMin(m_browseRound - 1, 6), maxBrowseInterval);
    ++m_browseRound;
    m_browseTimer.start(interval);
}

bool MdnsBrowser::expire()
{
    const qint64 at = now();
    bool changed = false;
    for (auto it = m_instances.begin(); it != m_instances.end();) {
        if (!it->pinned && it->ptrExpiresAt <= at) {
            m_order.removeAll(it.key());
            it = m_instances.erase(it);
            changed = true;
            continue;
        }
        ++it;
    }
    for (auto it = m_hosts.begin(); it != m_hosts.end();) {
        const auto stale = [at](const Address &address) { return address.expiresAt <= at; };
        changed |= it->ipv4.removeIf(stale) > 0;
        changed |= it->ipv6.removeIf(stale) > 0;
        // Addresses of hosts that no instance points at any more are dropped.
        if ((it->ipv4.isEmpty() && it->ipv6.isEmpty()) || !isWantedKey(it.key()))
            it = m_hosts.erase(it);
        else
            ++it;
    }
    return changed;
}

qint64 MdnsBrowser::now() const
{
    return m_clock.elapsed();
}

qint64 MdnsBrowser::expiry(quint32 ttl) const
{
    return now() + qint64(ttl) * 1000;
}

MdnsBrowser::Instance *MdnsBrowser::instanceFor(const MdnsName &name, bool create)
{
    const QByteArray key = name.key();
    auto found = m_instances.find(key);
    if (found != m_instances.end())
        return &*found;
    if (!create || m_instances.size() >= maxInstances)
        return nullptr;
    m_order.append(key);
    Instance &instance = m_instances[key];
    instance.fullName = name;
    return &instance;
}

bool MdnsBrowser::isWanted(const MdnsName &host) const
{
    return isWantedKey(host.key());
}

bool MdnsBrowser::isWantedKey(const QByteArray &hostKey) const
{
    for (const auto &instance : m_instances) {
        if (instance.present && instance.host && instance.host->key() == hostKey)
            return true;
    }
    return false;
}
