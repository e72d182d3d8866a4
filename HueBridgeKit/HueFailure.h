#pragma once

#include <QString>

#include <exception>

/// What a failed bridge operation means to the code that started it, read
/// once from the exception it ended with. Callers decide on `kind` instead of
/// rethrowing the exception through their own ladder of catch clauses, so
/// that every part of the application sorts failures the same way.
class HueFailure
{
public:
    enum class Kind {
        /// `HueCancelledError`: the caller's own token stopped the operation.
        cancelled,
        /// `HueBridgeError` of kind `unauthorized`: the bridge no longer knows the key.
        unauthorized,
        /// `HueBridgeError` of kind `linkButtonNotPressed`.
        linkButtonNotPressed,
        /// Any other `HueBridgeError`: the bridge answered with something unusable.
        bridge,
        /// `HueTransportError`: the transfer itself failed.
        transport,
        /// Anything else: a request that could not be written, an unexpected exception.
        other,
    };

    /// Sorts `failure`, which must hold an exception.
    static HueFailure classify(const std::exception_ptr &failure);

    Kind kind() const { return m_kind; }
    /// The text shown to the user, in the user's language when it was
    /// classified: the error's own description, the `what()` of an unknown
    /// standard exception, or the bridge's "cannot be read" text for anything
    /// that is not one.
    QString description() const { return m_description; }

private:
    HueFailure(Kind kind, QString description);

    Kind m_kind;
    QString m_description;
};
