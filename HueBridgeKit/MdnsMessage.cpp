#include "MdnsMessage.h"

#include <QHash>
#include <QtEndian>

namespace {

// A name needs at least one byte, a question four more, a record ten more.
constexpr qsizetype minQuestionSize = 5;
constexpr qsizetype minRecordSize = 11;
// Each pointer jump must land before the previous one, so loops cannot occur;
// the hop limit also bounds the work on long backward chains.
constexpr int maxPointerHops = 64;
constexpr quint16 cacheFlushBit = 0x8000;
// Offsets beyond this cannot be the target of a 14-bit compression pointer.
constexpr qsizetype maxPointerOffset = 0x3fff;

class Reader
{
public:
    explicit Reader(QByteArrayView packet)
        : m_data(reinterpret_cast<const uchar *>(packet.data()))
        , m_size(packet.size())
    {
    }

    qsizetype size() const { return m_size; }

    std::optional<quint16> u16(qsizetype &pos) const
    {
        if (pos < 0 || pos + 2 > m_size)
            return std::nullopt;
        const quint16 value = qFromBigEndian<quint16>(m_data + pos);
        pos += 2;
        return value;
    }

    std::optional<quint32> u32(qsizetype &pos) const
    {
        if (pos < 0 || pos + 4 > m_size)
            return std::nullopt;
        const quint32 value = qFromBigEndian<quint32>(m_data + pos);
        pos += 4;
        return value;
    }

    const uchar *bytes(qsizetype pos) const { return m_data + pos; }

    /// Reads a possibly compressed name at `pos` and moves `pos` past the part
    /// stored there. Pointers must point before the labels that contain them.
    std::optional<MdnsName> name(qsizetype &pos) const
    {
        MdnsName name;
        qsizetype cursor = pos;
        qsizetype segmentStart = pos;
        qsizetype resume = -1;
        qsizetype wireLength = 1;
        int hops = 0;
        while (true) {
            if (cursor < 0 || cursor >= m_size)
                return std::nullopt;
            const uchar length = m_data[cursor];
            if ((length & 0xc0) == 0xc0) {
                if (cursor + 1 >= m_size)
                    return std::nullopt;
                const qsizetype target = qsizetype(length & 0x3f) << 8 | m_data[cursor + 1];
                if (target >= segmentStart || ++hops > maxPointerHops)
                    return std::nullopt;
                if (resume < 0)
                    resume = cursor + 2;
                cursor = target;
                segmentStart = target;
                continue;
            }
            if ((length & 0xc0) != 0)
                return std::nullopt; // reserved label types
            if (length == 0) {
                pos = resume < 0 ? cursor + 1 : resume;
                return name;
            }
            if (cursor + 1 + length > m_size)
                return std::nullopt;
            wireLength += 1 + length;
            if (wireLength > MdnsName::maxWireLength)
                return std::nullopt;
            name.labels.append(QByteArray(reinterpret_cast<const char *>(m_data + cursor + 1), length));
            cursor += 1 + length;
        }
    }

private:
    const uchar *m_data;
    qsizetype m_size;
};

/// Fills the typed fields of a record from its data; false when they do not fit.
bool decodeData(const Reader &reader, qsizetype start, qsizetype end, MdnsMessage::Record &record)
{
    qsizetype pos = start;
    switch (record.type) {
    case MdnsMessage::PTR: {
        auto target = reader.name(pos);
        if (!target || pos > end)
            return false;
        record.target = std::move(*target);
        return true;
    }
    case MdnsMessage::SRV: {
        auto priority = reader.u16(pos);
        auto weight = reader.u16(pos);
        auto port = reader.u16(pos);
        if (!priority || !weight || !port || pos > end)
            return false;
        auto target = reader.name(pos);
        if (!target || pos > end)
            return false;
        record.priority = *priority;
        record.weight = *weight;
        record.port = *port;
        record.target = std::move(*target);
        return true;
    }
    case MdnsMessage::TXT: {
        while (pos < end) {
            const qsizetype length = *reader.bytes(pos);
            if (pos + 1 + length > end)
                return false;
            if (length > 0)
                record.txt.append(QByteArray(reinterpret_cast<const char *>(reader.bytes(pos + 1)), length));
            pos += 1 + length;
        }
        return true;
    }
    case MdnsMessage::A: {
        if (end - start != 4)
            return false;
        record.address = QHostAddress(qFromBigEndian<quint32>(reader.bytes(start)));
        return true;
    }
    case MdnsMessage::AAAA: {
        if (end - start != 16)
            return false;
        record.address = QHostAddress(reader.bytes(start));
        return true;
    }
    default:
        record.data = QByteArray(reinterpret_cast<const char *>(reader.bytes(start)), end - start);
        return true;
    }
}

bool readRecords(const Reader &reader, qsizetype &pos, quint16 count, QList<MdnsMessage::Record> &records)
{
    for (quint16 i = 0; i < count; ++i) {
        MdnsMessage::Record record;
        auto name = reader.name(pos);
        if (!name)
            return false;
        record.name = std::move(*name);
        const auto type = reader.u16(pos);
        const auto klass = reader.u16(pos);
        const auto ttl = reader.u32(pos);
        const auto length = reader.u16(pos);
        if (!type || !klass || !ttl || !length || pos + *length > reader.size())
            return false;
        record.type = *type;
        record.klass = *klass & ~cacheFlushBit;
        record.cacheFlush = (*klass & cacheFlushBit) != 0;
        record.ttl = *ttl;
        const qsizetype end = pos + *length;
        if (decodeData(reader, pos, end, record))
            records.append(std::move(record));
        pos = end;
    }
    return true;
}

class Writer
{
public:
    QByteArray bytes;

    void u16(quint16 value)
    {
        const quint16 big = qToBigEndian(value);
        bytes.append(reinterpret_cast<const char *>(&big), 2);
    }

    void u32(quint32 value)
    {
        const quint32 big = qToBigEndian(value);
        bytes.append(reinterpret_cast<const char *>(&big), 4);
    }

    /// Writes a name, pointing at an earlier copy of its longest known suffix.
    void name(const MdnsName &name)
    {
        for (qsizetype i = 0; i < name.labels.size(); ++i) {
            MdnsName suffix;
            suffix.labels = name.labels.mid(i);
            const QByteArray key = suffix.key();
            if (const auto found = m_offsets.constFind(key); found != m_offsets.cend()) {
                u16(quint16(0xc000 | *found));
                return;
            }
            if (bytes.size() <= maxPointerOffset)
                m_offsets.insert(key, quint16(bytes.size()));
            const QByteArray &label = name.labels.at(i);
            const qsizetype length = qMin(label.size(), MdnsName::maxLabelLength);
            bytes.append(char(length));
            bytes.append(label.constData(), length);
        }
        bytes.append('\0');
    }

    void record(const MdnsMessage::Record &record)
    {
        name(record.name);
        u16(record.type);
        u16(quint16(record.klass | (record.cacheFlush ? cacheFlushBit : 0)));
        u32(record.ttl);
        const qsizetype lengthAt = bytes.size();
        u16(0);
        const qsizetype start = bytes.size();
        switch (record.type) {
        case MdnsMessage::PTR:
            name(record.target);
            break;
        case MdnsMessage::SRV:
            u16(record.priority);
            u16(record.weight);
            u16(record.port);
            name(record.target);
            break;
        case MdnsMessage::TXT: {
            bool any = false;
            for (const auto &string : record.txt) {
                if (string.isEmpty())
                    continue;
                const qsizetype length = qMin<qsizetype>(string.size(), 255);
                bytes.append(char(length));
                bytes.append(string.constData(), length);
                any = true;
            }
            if (!any)
                bytes.append('\0'); // an empty TXT record is one empty string
            break;
        }
        case MdnsMessage::A:
            u32(record.address.toIPv4Address());
            break;
        case MdnsMessage::AAAA: {
            const Q_IPV6ADDR address = record.address.toIPv6Address();
            bytes.append(reinterpret_cast<const char *>(address.c), 16);
            break;
        }
        default:
            bytes.append(record.data.left(0xffff));
            break;
        }
        const quint16 length = qToBigEndian(quint16(qMin<qsizetype>(bytes.size() - start, 0xffff)));
        memcpy(bytes.data() + lengthAt, &length, 2);
    }

private:
    QHash<QByteArray, quint16> m_offsets;
};

/// TXT keys are compared without regard to ASCII letter case (RFC 6763, 6.4).
bool sameKey(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

MdnsMessage::Record MdnsMessage::Record::ptr(const MdnsName &name, const MdnsName &target, quint32 ttl)
{
    Record record;
    record.name = name;
    record.type = PTR;
    record.ttl = ttl;
    record.target = target;
    return record;
}

MdnsMessage::Record MdnsMessage::Record::srv(const MdnsName &name, const MdnsName &host, quint16 port, quint32 ttl)
{
    Record record;
    record.name = name;
    record.type = SRV;
    record.ttl = ttl;
    record.target = host;
    record.port = port;
    return record;
}

MdnsMessage::Record MdnsMessage::Record::text(const MdnsName &name, const QList<QByteArray> &strings, quint32 ttl)
{
    Record record;
    record.name = name;
    record.type = TXT;
    record.ttl = ttl;
    for (const auto &string : strings) {
        if (!string.isEmpty())
            record.txt.append(string);
    }
    return record;
}

MdnsMessage::Record MdnsMessage::Record::a(const MdnsName &name, const QHostAddress &ipv4, quint32 ttl)
{
    Record record;
    record.name = name;
    record.type = A;
    record.ttl = ttl;
    record.address = ipv4;
    return record;
}

MdnsMessage::Record MdnsMessage::Record::aaaa(const MdnsName &name, const QHostAddress &ipv6, quint32 ttl)
{
    Record record = a(name, ipv6, ttl);
    record.type = AAAA;
    return record;
}

std::optional<QByteArray> MdnsMessage::Record::txtValue(QByteArrayView key) const
{
    for (const auto &string : txt) {
        const qsizetype equals = string.indexOf('=');
        const QByteArrayView stringKey = QByteArrayView(string).first(equals < 0 ? string.size() : equals);
        if (!sameKey(stringKey, key))
            continue;
        // Only the first occurrence of a key counts (RFC 6763, 6.4).
        if (equals < 0)
            return std::nullopt;
        return string.mid(equals + 1);
    }
    return std::nullopt;
}

std::optional<MdnsMessage> MdnsMessage::parse(QByteArrayView packet)
{
    const Reader reader(packet);
    qsizetype pos = 0;
    MdnsMessage message;
    const auto id = reader.u16(pos);
    const auto flags = reader.u16(pos);
    const auto questionCount = reader.u16(pos);
    const auto answerCount = reader.u16(pos);
    const auto authorityCount = reader.u16(pos);
    const auto additionalCount = reader.u16(pos);
    if (!id || !flags || !questionCount || !answerCount || !authorityCount || !additionalCount)
        return std::nullopt;
    // Counts that cannot fit are refused before anything is allocated.
    const qsizetype recordCount = qsizetype(*answerCount) + *authorityCount + *additionalCount;
    if (*questionCount * minQuestionSize + recordCount * minRecordSize > packet.size() - pos)
        return std::nullopt;
    message.id = *id;
    message.flags = *flags;

    message.questions.reserve(*questionCount);
    for (quint16 i = 0; i < *questionCount; ++i) {
        auto name = reader.name(pos);
        const auto type = name ? reader.u16(pos) : std::nullopt;
        const auto klass = type ? reader.u16(pos) : std::nullopt;
        if (!klass)
            return std::nullopt;
        message.questions.append(Question{std::move(*name), *type, quint16(*klass & 0x7fff), (*klass & 0x8000) != 0});
    }
    message.answers.reserve(*answerCount);
    message.authorities.reserve(*authorityCount);
    message.additionals.reserve(*additionalCount);
    if (!readRecords(reader, pos, *answerCount, message.answers)
        || !readRecords(reader, pos, *authorityCount, message.authorities)
        || !readRecords(reader, pos, *additionalCount, message.additionals))
        return std::nullopt;
    return message;
}

QByteArray MdnsMessage::toBytes() const
{
    Writer writer;
    writer.u16(id);
    writer.u16(flags);
    writer.u16(quint16(questions.size()));
    writer.u16(quint16(answers.size()));
    writer.u16(quint16(authorities.size()));
    writer.u16(quint16(additionals.size()));
    for (const auto &question : questions) {
        writer.name(question.name);
        writer.u16(question.type);
        writer.u16(quint16(question.klass | (question.unicastResponse ? 0x8000 : 0)));
    }
    for (const auto &record : answers)
        writer.record(record);
    for (const auto &record : authorities)
        writer.record(record);
    for (const auto &record : additionals)
        writer.record(record);
    return std::move(writer.bytes);
}
