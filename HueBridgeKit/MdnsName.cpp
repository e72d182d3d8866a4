#include "MdnsName.h"

#include <QHashFunctions>

namespace {

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool labelsEqual(const QByteArray &a, const QByteArray &b)
{
    // DNS compares ASCII letters without case and every other byte exactly.
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

} // namespace

MdnsName MdnsName::fromDotted(QStringView dotted)
{
    MdnsName name;
    for (const auto part : dotted.split(u'.', Qt::SkipEmptyParts))
        name.labels.append(part.toUtf8());
    return name;
}

MdnsName MdnsName::instance(const QString &instanceName, const MdnsName &serviceType)
{
    MdnsName name = serviceType;
    name.labels.prepend(instanceName.toUtf8());
    return name;
}

QString MdnsName::toString() const
{
    QString text;
    for (const auto &label : labels) {
        if (!text.isEmpty())
            text += u'.';
        text += QString::fromUtf8(label);
    }
    return text;
}

QByteArray MdnsName::key() const
{
    QByteArray key;
    key.reserve(wireLength());
    for (const auto &label : labels) {
        key.append(char(qMin<qsizetype>(label.size(), 255)));
        for (const char c : label)
            key.append(asciiLower(c));
    }
    return key;
}

qsizetype MdnsName::wireLength() const
{
    qsizetype length = 1;
    for (const auto &label : labels)
        length += 1 + label.size();
    return length;
}

bool MdnsName::isValid() const
{
    for (const auto &label : labels) {
        if (label.isEmpty() || label.size() > maxLabelLength)
            return false;
    }
    return wireLength() <= maxWireLength;
}

bool MdnsName::endsWith(const MdnsName &suffix) const
{
    if (suffix.labels.size() > labels.size())
        return false;
    const qsizetype offset = labels.size() - suffix.labels.size();
    for (qsizetype i = 0; i < suffix.labels.size(); ++i) {
        if (!labelsEqual(labels.at(offset + i), suffix.labels.at(i)))
            return false;
    }
    return true;
}

MdnsName MdnsName::parent() const
{
    MdnsName name;
    if (!labels.isEmpty())
        name.labels = labels.mid(1);
    return name;
}

bool MdnsName::operator==(const MdnsName &other) const
{
    return labels.size() == other.labels.size() && endsWith(other);
}

size_t qHash(const MdnsName &name, size_t seed) noexcept
{
    return qHash(name.key(), seed);
}
