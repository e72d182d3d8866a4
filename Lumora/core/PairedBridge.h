#pragma once

#include "BridgeKeyStore.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <memory>
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

    /// True when the settings file took the record.
    bool save(QSettings &settings) const;
    /// Nothing when the value is missing or is not an object with the three
    /// string fields; a bad value is left in place, never removed here.
    static std::optional<PairedBridge> load(const QSettings &settings);
    /// Removes the stored pairing (forgetting the bridge).
    static void remove(QSettings &settings);

    /// How storing a new pairing ended.
    enum class Stored {
        saved,
        /// The credential store refused the key.
        keyNotSaved,
        /// The settings file refused the record.
        recordNotSaved,
    };

    /// Stores a new pairing: the key under the bridge's id, then the record.
    /// When either write fails, both go back to what they held before (the
    /// account's earlier key, the earlier record), so that a failed pairing
    /// leaves the previous one usable.
    static QCoro::Task<Stored> store(PairedBridge bridge, QString key, BridgeKeyStore keys,
                                     std::shared_ptr<QSettings> settings);
};
