#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

/// Where the store's connection to the paired bridge stands.
struct HueStorePhase
{
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind)
    Q_PROPERTY(QString message MEMBER message)

public:
    enum class Kind {
        /// No usable pairing: no bridge stored, no key for it, or forgotten.
        unpaired,
        /// Bridge and key known; the first load since connecting has not succeeded yet.
        connecting,
        /// The home was loaded; the event stream is read (or re-opened).
        ready,
        /// Loading failed while a bridge is known; `message` says why.
        unreachable,
    };
    Q_ENUM(Kind)

    Kind kind = Kind::unpaired;
    /// The failure's description in the user's language; empty unless unreachable.
    QString message;

    static HueStorePhase unpaired() { return {Kind::unpaired, {}}; }
    static HueStorePhase connecting() { return {Kind::connecting, {}}; }
    static HueStorePhase ready() { return {Kind::ready, {}}; }
    static HueStorePhase unreachable(QString message) { return {Kind::unreachable, std::move(message)}; }

    friend bool operator==(const HueStorePhase &, const HueStorePhase &) = default;
};

/// How far pairing with a new bridge has come.
struct HueStorePairingStep
{
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind)
    Q_PROPERTY(QString message MEMBER message)

public:
    enum class Kind {
        /// Nothing in progress (also after a search delivered, and after pairing).
        idle,
        /// A network search runs and has not delivered its first result yet.
        searching,
        /// A pairing request runs; the user is to press the link button.
        waitingForButton,
        /// The last attempt failed; `message` is the text to show.
        failed,
    };
    Q_ENUM(Kind)

    Kind kind = Kind::idle;
    QString message;

    static HueStorePairingStep idle() { return {Kind::idle, {}}; }
    static HueStorePairingStep searching() { return {Kind::searching, {}}; }
    static HueStorePairingStep waitingForButton() { return {Kind::waitingForButton, {}}; }
    static HueStorePairingStep failed(QString message) { return {Kind::failed, std::move(message)}; }

    friend bool operator==(const HueStorePairingStep &, const HueStorePairingStep &) = default;
};

Q_DECLARE_METATYPE(HueStorePhase)
Q_DECLARE_METATYPE(HueStorePairingStep)
