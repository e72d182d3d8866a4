#pragma once

#include "AppIdentity.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

/// Where the application key of a bridge is kept: a record of functions, so
/// that tests and other platforms can give their own. The key never goes to
/// the settings, a log or a file of ours.
struct BridgeKeyStore
{
    /// The key stored for a bridge id, or nothing (also when the store
    /// cannot be read).
    std::function<QCoro::Task<std::optional<QString>>(QString account)> load;
    /// Stores the key for a bridge id, replacing any earlier one; true on
    /// success.
    std::function<QCoro::Task<bool>(QString key, QString account)> save;
    /// Removes the key of a bridge id; the outcome is not reported.
    std::function<QCoro::Task<void>(QString account)> delete_;

    /// The credential-store service name of the items: the application
    /// identifier followed by ".bridge-key".
    static QString service() { return AppIdentity::id() + QStringLiteral(".bridge-key"); }

    /// How long one call to the credential store may take. Generous, since a
    /// locked keyring may be waiting for the user to type a password; beyond
    /// it the store counts as not answering.
    static constexpr std::chrono::milliseconds defaultTimeout{30'000};

    /// The platform's credential store (Secret Service, Keychain, Credential
    /// Manager) through QtKeychain: one generic-password item per bridge id,
    /// with the id as given (not case-folded) as account. Every call ends
    /// within `timeout`: a missing, locked, refusing or silent store reads
    /// as no key and makes a save fail.
    static BridgeKeyStore keychain(std::chrono::milliseconds timeout = defaultTimeout);

    /// How a save replaces a key: first `remove` whatever the account holds,
    /// then `add` the new one. The removal's outcome is ignored, even when it
    /// did not answer in time (true from `remove` means it answered): a slow
    /// store may still take the add. True exactly when the add succeeds.
    static QCoro::Task<bool> replace(std::function<QCoro::Task<bool>()> remove, std::function<QCoro::Task<bool>()> add);
};
