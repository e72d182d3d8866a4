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

    /// True only for userDefaults whose stored value under the key is a true
    /// boolean; anything else (absent, text, number) keeps one instance.
    bool allowsMultipleInstances() const;

    bool operator==(const SingleInstancePolicy &) const = default;
};
