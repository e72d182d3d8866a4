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
#endif

} // namespace PlatformWords
