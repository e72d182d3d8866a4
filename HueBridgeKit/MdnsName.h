#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

/// A DNS name as its list of labels. Labels are raw bytes (DNS-SD instance
/// names may hold spaces, dots and UTF-8), so a name is never kept as one
/// dotted string. Names compare without regard to ASCII letter case.
struct MdnsName
{
    QList<QByteArray> labels;

    /// Longest name on the wire, length octets and the final zero included.
    static constexpr qsizetype maxWireLength = 255;
    static constexpr qsizetype maxLabelLength = 63;

    /// Splits a plain dotted name such as "_hue._tcp.local" (no escapes; a
    /// trailing dot is ignored, empty labels are dropped).
    static MdnsName fromDotted(QStringView dotted);
    /// The instance name as one label in front of a service type.
    static MdnsName instance(const QString &instanceName, const MdnsName &serviceType);

    /// Labels joined by dots, decoded as UTF-8; for display and host names.
    QString toString() const;
    /// Lower-cased wire form: equal for names that compare equal; for hashing.
    QByteArray key() const;
    /// Length on the wire without compression.
    qsizetype wireLength() const;
    /// Every label 1..63 bytes and the whole name within 255 bytes.
    bool isValid() const;
    bool isEmpty() const { return labels.isEmpty(); }

    /// True when the last labels of this name are those of `suffix`.
    bool endsWith(const MdnsName &suffix) const;
    /// The name without its first label (the parent domain).
    MdnsName parent() const;

    bool operator==(const MdnsName &other) const;
};

size_t qHash(const MdnsName &name, size_t seed = 0) noexcept;
