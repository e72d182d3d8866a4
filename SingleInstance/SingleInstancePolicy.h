#pragma once

#include <QSettings>
#include <QString>

#include <memory>

/// Whether several instances may run: decided by a boolean in the user's
/// preferences, or never.
struct SingleInstancePolicy
{
    enum class Kind { userDefaults, alwaysSingle };

    Kind kind = Kind::alwaysSingle;
    std::shared_ptr<QSettings> defaults;
    QString allowMultipleInstancesKey;

    static SingleInstancePolicy
    userDefaults(std::shared_ptr<QSettings> defaults,
                 QString allowMultipleInstancesKey = QStringLiteral("allowMultipleInstances"));
    static SingleInstancePolicy alwaysSingle() { return {}; }

    /// True only for userDefaults whose stored value under the key says
    /// "true" as people write it: a true boolean, or "true", "1", "yes" or
    /// "on" in any letter case. Anything else keeps one instance.
    bool allowsMultipleInstances() const;

    bool operator==(const SingleInstancePolicy &) const = default;
};
