#pragma once

#include "MdnsName.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QList>

#include <optional>

/// One DNS message as multicast DNS uses it (RFC 1035 framing, RFC 6762
/// cache-flush and unicast-response bits). Reading treats every packet as
/// hostile: it follows compression pointers only backwards and a bounded number
/// of times, and never allocates more than the packet's own size suggests.
struct MdnsMessage
{
    enum Type : quint16 {
        A = 1,
        PTR = 12,
        TXT = 16,
        AAAA = 28,
        SRV = 33,
        NSEC = 47,
        ANY = 255,
    };
    static constexpr quint16 classIN = 1;
    static constexpr quint16 flagResponse = 0x8000;
    static constexpr quint16 flagAuthoritative = 0x0400;

    struct Question
    {
        MdnsName name;
        quint16 type = PTR;
        quint16 klass = classIN;
        /// The "QU" bit: the asker prefers a unicast answer.
        bool unicastResponse = false;
        bool operator==(const Question &) const = default;
    };

    /// One resource record. The fields that belong to its type are filled in;
    /// records of other types keep their data as raw bytes.
    struct Record
    {
        MdnsName name;
        quint16 type = A;
        quint16 klass = classIN;
        /// mDNS's cache-flush bit: this record set replaces older ones.
        bool cacheFlush = false;
        quint32 ttl = 0;

        MdnsName target;       // PTR: the instance; SRV: the host
        quint16 priority = 0;  // SRV
        quint16 weight = 0;    // SRV
        quint16 port = 0;      // SRV
        QList<QByteArray> txt; // TXT strings ("key=value"), empty strings dropped
        QHostAddress address;  // A, AAAA
        QByteArray data;       // other types, as received

        static Record ptr(const MdnsName &name, const MdnsName &target, quint32 ttl);
        static Record srv(const MdnsName &name, const MdnsName &host, quint16 port, quint32 ttl);
        static Record text(const MdnsName &name, const QList<QByteArray> &strings, quint32 ttl);
        static Record a(const MdnsName &name, const QHostAddress &ipv4, quint32 ttl);
        static Record aaaa(const MdnsName &name, const QHostAddress &ipv6, quint32 ttl);

        /// The value of `key` among the TXT strings: the first string whose
        /// key matches without regard to case. A key present without "=" has
        /// no value and yields nothing, as does a missing key.
        std::optional<QByteArray> txtValue(QByteArrayView key) const;

        bool operator==(const Record &) const = default;
    };

    quint16 id = 0;
    quint16 flags = 0;
    QList<Question> questions;
    QList<Record> answers;
    QList<Record> authorities;
    QList<Record> additionals;

    bool isResponse() const { return (flags & flagResponse) != 0; }
    /// Opcode 0 (standard query) and response code 0; mDNS ignores the rest.
    bool isStandard() const { return (flags & 0x7800) == 0 && (flags & 0x000f) == 0; }

    /// The decoded message, or nothing when the packet is malformed. A record
    /// whose data does not fit its type is left out; a broken structure
    /// (header, names, lengths) drops the whole packet.
    static std::optional<MdnsMessage> parse(QByteArrayView packet);
    /// The wire form, with names compressed.
    QByteArray toBytes() const;

    bool operator==(const MdnsMessage &) const = default;
};
