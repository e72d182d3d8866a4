#pragma once

#include <QString>

// Sentences that name the platform. The macOS build keeps Apple's words; every
// other platform says them in its own, and each pair lives here side by side.
namespace PlatformWords {

#if defined(Q_OS_MACOS)
/// Shown when the application key could not be stored.
inline QString keySaveFailedGerman()
{
    return QStringLiteral("Der Schlüssel konnte nicht im Schlüsselbund gespeichert werden.");
}
inline QString keySaveFailedEnglish()
{
    return QStringLiteral("The key could not be saved to the Keychain.");
}
/// The computer's name when the system gives none.
inline QString fallbackDeviceName()
{
    return QStringLiteral("Mac");
}
/// The unreachable placeholder's question.
inline QString unreachableHintGerman()
{
    return QStringLiteral("Lumora versucht es weiter. Ist der Mac im selben Netzwerk wie die Bridge?");
}
inline QString unreachableHintEnglish()
{
    return QStringLiteral("Lumora keeps trying. Is the Mac on the same network as the bridge?");
}
/// The pairing screen's hint while no bridge has been found.
inline QString pairingHintGerman()
{
    return QStringLiteral("Fragt macOS, ob Lumora Geräte im lokalen Netzwerk finden darf? Dann bitte erlauben.");
}
inline QString pairingHintEnglish()
{
    return QStringLiteral("If macOS asks whether Lumora may find devices on your local network, please allow it.");
}
#else
inline QString keySaveFailedGerman()
{
    return QStringLiteral("Der Schlüssel konnte nicht im Schlüsselbund gespeichert werden.");
}
// macOS: "The key could not be saved to the Keychain."
inline QString keySaveFailedEnglish()
{
    return QStringLiteral("The key could not be saved to the keyring.");
}
// macOS: "Mac"
inline QString fallbackDeviceName()
{
    return QStringLiteral("Linux");
}
// macOS: "Lumora versucht es weiter. Ist der Mac im selben Netzwerk wie die Bridge?"
inline QString unreachableHintGerman()
{
    return QStringLiteral("Lumora versucht es weiter. Ist dieser Computer im selben Netzwerk wie die Bridge?");
}
// macOS: "Lumora keeps trying. Is the Mac on the same network as the bridge?"
inline QString unreachableHintEnglish()
{
    return QStringLiteral("Lumora keeps trying. Is this computer on the same network as the bridge?");
}
// macOS asks for the local-network permission; here a firewall is what
// usually stands between Lumora and the bridge.
inline QString pairingHintGerman()
{
    return QStringLiteral("Findet Lumora die Bridge nicht? Eine Firewall muss mDNS (UDP-Port 5353) im lokalen "
                          "Netzwerk erlauben.");
}
inline QString pairingHintEnglish()
{
    return QStringLiteral("Can't find the bridge? A firewall must allow mDNS (UDP port 5353) on the local network.");
}
#endif

} // namespace PlatformWords
