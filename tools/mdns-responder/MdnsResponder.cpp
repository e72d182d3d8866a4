#include "MdnsResponder.h"

#include "MdnsMessage.h"
#include "MdnsSocket.h"

#include <QTimer>

namespace {

// RFC 6762, 10: host-bound records (SRV, A) live 120 s, the others 75 minutes.
constexpr quint32 hostTtl = 120;
constexpr quint32 otherTtl = 4500;
// Answers to legacy (non-5353) queriers must not outlive 10 s (RFC 6762, 6.7).
constexpr quint32 legacyTtl = 10;
constexpr int announcementCount = 2;
constexpr int announcementInterval = 1000;

bool sameRecord(const MdnsMessage::Record &a, const MdnsMessage::Record &b)
{
    MdnsMessage::Record left = a;
    MdnsMessage::Record right = b;
    left.ttl = right.ttl = 0;
    left.cacheFlush = right.cacheFlush = false;
    return left == right;
}

} // namespace

struct MdnsResponder::Private
{
    MdnsSocket *socket = nullptr;
    QString serviceType = QStringLiteral("_hue._tcp");
    QString instanceName;
    QString hostName;
    QHostAddress ipv4;
    quint16 port = 0;
    QMap<QByteArray, QByteArray> txt;
    bool configured = false;
    QTimer announceTimer;
    int announcementsLeft = 0;

    MdnsName typeName() const { return MdnsName::fromDotted(QString(serviceType + QStringLiteral(".local"))); }
    MdnsName instance() const { return MdnsName::instance(instanceName, typeName()); }
    MdnsName host() const { return MdnsName::fromDotted(hostName); }

    MdnsMessage::Record ptrRecord() const { return MdnsMessage::Record::ptr(typeName(), instance(), otherTtl); }
    MdnsMessage::Record srvRecord() const
    {
        auto record = MdnsMessage::Record::srv(instance(), host(), port, hostTtl);
        record.cacheFlush = true;
        return record;
    }
    MdnsMessage::Record txtRecord() const
    {
        QList<QByteArray> strings;
        for (auto it = txt.cbegin(); it != txt.cend(); ++it)
            strings.append(it.key() + '=' + it.value());
        auto record = MdnsMessage::Record::text(instance(), strings, otherTtl);
        record.cacheFlush = true;
        return record;
    }
    MdnsMessage::Record aRecord() const
    {
        auto record = MdnsMessage::Record::a(host(), ipv4, hostTtl);
        record.cacheFlush = true;
        return record;
    }
    QList<MdnsMessage::Record> allRecords() const { return {ptrRecord(), srvRecord(), txtRecord(), aRecord()}; }

    /// An unsolicited response carrying every record, e.g. an announcement,
    /// or a goodbye when `ttl` is 0.
    MdnsMessage announcement(std::optional<quint32> ttl) const
    {
        MdnsMessage message;
        message.flags = MdnsMessage::flagResponse | MdnsMessage::flagAuthoritative;
        message.answers = allRecords();
        if (ttl) {
            for (auto &record : message.answers)
                record.ttl = *ttl;
        }
        return message;
    }
};

MdnsResponder::MdnsResponder(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->announceTimer.setInterval(announcementInterval);
    connect(&d->announceTimer, &QTimer::timeout, this, [this] {
        if (!d->socket || d->announcementsLeft <= 0) {
            d->announceTimer.stop();
            return;
        }
        --d->announcementsLeft;
        d->socket->sendMulticast(d->announcement(std::nullopt));
        if (d->announcementsLeft <= 0)
            d->announceTimer.stop();
    });
}

MdnsResponder::~MdnsResponder()
{
    stop();
}

void MdnsResponder::setService(const QString &instanceName, const QString &hostName, const QHostAddress &ipv4,
                               quint16 port, const QMap<QByteArray, QByteArray> &txt)
{
    const bool running = isRunning();
    if (running && d->configured)
        d->socket->sendMulticast(d->announcement(0));
    d->instanceName = instanceName;
    d->hostName = hostName;
    d->ipv4 = ipv4;
    d->port = port;
    d->txt = txt;
    d->configured = true;
    if (running) {
        d->socket->sendMulticast(d->announcement(std::nullopt));
        d->announcementsLeft = announcementCount - 1;
        d->announceTimer.start();
    }
}

void MdnsResponder::setServiceType(const QString &serviceType)
{
    d->serviceType = serviceType;
}

QString MdnsResponder::serviceType() const
{
    return d->serviceType;
}

bool MdnsResponder::start(QString *error)
{
    stop();
    if (!d->configured || d->instanceName.isEmpty() || d->hostName.isEmpty()
        || d->ipv4.protocol() != QAbstractSocket::IPv4Protocol) {
        if (error)
            *error = QStringLiteral("no service to announce (instance name, host name and IPv4 address are needed)");
        return false;
    }
    if (!d->instance().isValid() || !d->host().isValid()) {
        if (error)
            *error = QStringLiteral("the instance or host name is too long for DNS");
        return false;
    }
    d->socket = new MdnsSocket(this);
    if (!d->socket->open(false, error)) {
        delete d->socket;
        d->socket = nullptr;
        return false;
    }
    connect(d->socket, &MdnsSocket::messageReceived, this,
            [this](const MdnsMessage &message, const QHostAddress &sender, quint16 senderPort) {
                if (message.isResponse() || !message.isStandard() || !d->socket)
                    return;
                const bool legacy = senderPort != MdnsSocket::port;
                const auto typeName = d->typeName();
                const auto instance = d->instance();
                const auto host = d->host();
                QList<MdnsMessage::Record> answers;
                QList<MdnsMessage::Record> additionals;
                bool unicast = legacy;
                const auto add = [](QList<MdnsMessage::Record> &list, const MdnsMessage::Record &record) {
                    if (std::none_of(list.cbegin(), list.cend(),
                                     [&](const auto &existing) { return sameRecord(existing, record); }))
                        list.append(record);
                };
                for (const auto &question : message.questions) {
                    if (question.klass != MdnsMessage::classIN && question.klass != MdnsMessage::ANY)
                        continue;
                    const bool any = question.type == MdnsMessage::ANY;
                    bool answered = false;
                    if (question.name == typeName && (any || question.type == MdnsMessage::PTR)) {
                        add(answers, d->ptrRecord());
                        add(additionals, d->srvRecord());
                        add(additionals, d->txtRecord());
                        add(additionals, d->aRecord());
                        answered = true;
                    }
                    if (question.name == instance && (any || question.type == MdnsMessage::SRV)) {
                        add(answers, d->srvRecord());
                        add(additionals, d->aRecord());
                        answered = true;
                    }
                    if (question.name == instance && (any || question.type == MdnsMessage::TXT)) {
                        add(answers, d->txtRecord());
                        answered = true;
                    }
                    if (question.name == host && (any || question.type == MdnsMessage::A)) {
                        add(answers, d->aRecord());
                        answered = true;
                    }
                    unicast = unicast || (answered && question.unicastResponse);
                }
                // Known-answer suppression (RFC 6762, 7.1): the asker already
                // holds these with at least half their lifetime left.
                answers.removeIf([&](const MdnsMessage::Record &record) {
                    return std::any_of(message.answers.cbegin(), message.answers.cend(), [&](const auto &known) {
                        return sameRecord(known, record) && known.ttl >= record.ttl / 2;
                    });
                });
                if (answers.isEmpty())
                    return;
                additionals.removeIf([&](const MdnsMessage::Record &record) {
                    return std::any_of(answers.cbegin(), answers.cend(),
                                       [&](const auto &answer) { return sameRecord(answer, record); });
                });
                MdnsMessage response;
                response.flags = MdnsMessage::flagResponse | MdnsMessage::flagAuthoritative;
                response.answers = answers;
                response.additionals = additionals;
                if (legacy) {
                    // A simple resolver expects its id and question back, short
                    // lifetimes and no mDNS-only bits.
                    response.id = message.id;
                    response.questions = message.questions;
                    for (auto *list : {&response.answers, &response.additionals}) {
                        for (auto &record : *list) {
                            record.ttl = qMin(record.ttl, legacyTtl);
                            record.cacheFlush = false;
                        }
                    }
                    d->socket->sendTo(response, sender, senderPort);
                } else if (unicast) {
                    d->socket->sendTo(response, sender, senderPort);
                } else {
                    d->socket->sendMulticast(response);
                }
                Q_EMIT queryAnswered();
            });
    // Announce at once and again a second later (RFC 6762, 8.3).
    d->socket->sendMulticast(d->announcement(std::nullopt));
    d->announcementsLeft = announcementCount - 1;
    d->announceTimer.start();
    return true;
}

void MdnsResponder::stop()
{
    d->announceTimer.stop();
    if (!d->socket)
        return;
    d->socket->sendMulticast(d->announcement(0));
    d->socket->close();
    // Later: stop() may be called from a slot of queryAnswered, which runs
    // inside the socket's own delivery.
    d->socket->deleteLater();
    d->socket = nullptr;
}

bool MdnsResponder::isRunning() const
{
    return d->socket != nullptr;
}
