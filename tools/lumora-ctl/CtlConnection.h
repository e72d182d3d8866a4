#pragma once

#include "CtlArguments.h"
#include "HueBridgeClient.h"

#include <QCoro/QCoroTask>
#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

/// The bridge a command talks to: the stored pairing (the application's
/// settings and credential store), or what --host, --bridge-id and --key say
/// instead, with the trust anchor and port of the command line.
struct CtlConnection
{
    HueBridgeClient client;
    QString host;
    QString bridgeID;
    /// The bridge's name as the pairing stored it, or as the bridge told.
    QString name;

    /// The application's settings (organisation "Lumora", application
    /// "Lumora"), shared with the desktop application.
    static std::shared_ptr<QSettings> settings();

    /// Works out host, bridge id and key, and builds the client. Throws
    /// `CtlFailure`: usage for an unreadable trust anchor, notPaired when no
    /// bridge or (with `needsKey`) no key is known; and whatever asking the
    /// bridge for its id throws (only when neither the pairing nor
    /// --bridge-id gives it).
    static QCoro::Task<CtlConnection> open(CtlArguments arguments, bool needsKey, HueCancellationToken cancel);

    /// A client for `host` that trusts the command line's anchor (else the
    /// bridge root built in), expects `bridgeID` when given, and connects to
    /// the command line's port (else the bridge's own, 443).
    /// The host the last open() settled on (empty before): failures that
    /// name the bridge name this one.
    static QString lastHost();

    static HueBridgeClient makeClient(const CtlArguments &arguments, const QString &host,
                                      const std::optional<QString> &bridgeID, const std::optional<QString> &key);
};
