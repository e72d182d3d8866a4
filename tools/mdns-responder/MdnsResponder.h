#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

/// Announces one DNS-SD service instance by multicast DNS and answers queries
/// for it: PTR for the service type, SRV and TXT for the instance, A for the
/// host. Meant for the bridge simulator and tests, so that discovery can be
/// tried end to end without hardware. Only ever start it inside a private
/// network namespace or on a network you own: it sends to 224.0.0.251:5353.
class MdnsResponder : public QObject
{
    Q_OBJECT
public:
    explicit MdnsResponder(QObject *parent = nullptr);
    /// Stops (sending a goodbye) when still running.
    ~MdnsResponder() override;

    /// The instance to announce, e.g. "Hue Bridge - A532A7" on host
    /// "001788a532a7.local" at port 443 with TXT {bridgeid, modelid}. An empty
    /// TXT map publishes an empty TXT record. Changing it while running
    /// withdraws the old instance and announces the new one.
    void setService(const QString &instanceName, const QString &hostName, const QHostAddress &ipv4, quint16 port,
                    const QMap<QByteArray, QByteArray> &txt);

    /// Service type without domain; "_hue._tcp" unless changed before start().
    void setServiceType(const QString &serviceType);
    QString serviceType() const;

    /// Binds UDP port 5353 (shared with other responders), joins the mDNS group
    /// and announces the service. False with a readable reason on failure.
    bool start(QString *error = nullptr);
    /// Sends a goodbye (the records with TTL 0) and closes the socket.
    void stop();
    bool isRunning() const;

Q_SIGNALS:
    /// Emitted after each query that this responder answered.
    void queryAnswered();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
