#pragma once

#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class BridgeSimulator;

/// The simulator's control interface: one command language, read from
/// standard input by the executable and served over plain HTTP on loopback
/// (POST /command with the command line as body; GET /status; GET /log).
/// Every command answers a JSON object with "ok" and, on failure, "error".
class SimControl : public QObject
{
    Q_OBJECT

public:
    explicit SimControl(BridgeSimulator *simulator, QObject *parent = nullptr);
    ~SimControl() override;

    /// Runs one command line, e.g. "fault 503 body=html count=2 path=^/clip".
    QJsonObject execute(const QString &line);
    static QString help();

    /// Serves the control endpoint. Only loopback addresses are accepted:
    /// the endpoint has no authentication.
    bool listen(const QHostAddress &address, quint16 port, QString *error = nullptr);
    quint16 serverPort() const;

Q_SIGNALS:
    /// The "quit" command was given.
    void quitRequested();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
