#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

/// What goes into one generated certificate. The defaults give the shape of a
/// real bridge leaf: a common name, no subjectAltName, GeneralizedTime dates.
struct SimCertificateOptions
{
    QString commonName;
    /// Subject fields placed before the common name, in order, e.g.
    /// {"C", "NL"}, {"O", "Philips Hue"}, {"OU", "BSB003"}.
    QList<std::pair<QByteArray, QString>> extraSubjectFields;
    /// OpenSSL subjectAltName entries such as "DNS:bridge.local" or
    /// "IP:127.0.0.1". Empty (the default) leaves the extension out.
    QStringList subjectAltNames;
    /// Invalid means one day before now.
    QDateTime notBefore;
    /// Invalid means 2038-01-19 03:14:07 UTC, the end of the bridge root.
    QDateTime notAfter;
    bool certificateAuthority = false;

    friend bool operator==(const SimCertificateOptions &, const SimCertificateOptions &) = default;
};
