#pragma once

#include <QString>

#include <optional>

class QSettings;

/// The bridge the application is paired with, remembered between runs under
/// "pairedBridge" as a JSON object. The application key is not part of it;
/// it lives in the credential store (BridgeKeyStore).
struct PairedBridge
{
    QString bridgeID;
    QString name;
    QString host;

    friend bool operator==(const PairedBridge &, const PairedBridge &) = default;

    static constexpr auto settingsKey = "pairedBridge";

    void save(QSettings &settings) const;
    /// Nothing when the value is missing or is not an object with the three
    /// string fields; a bad value is left in place, never removed here.
    static std::optional<PairedBridge> load(const QSettings &settings);
    /// Removes the stored pairing (forgetting the bridge).
    static void remove(QSettings &settings);
};
