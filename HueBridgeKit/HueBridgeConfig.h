#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

/// The bridge's public identity, from the unauthenticated configuration answer.
struct HueBridgeConfig
{
    QString name;
    QString bridgeID;

    friend bool operator==(const HueBridgeConfig &, const HueBridgeConfig &) = default;

    /// Needs "name" and "bridgeid" as strings; other keys are ignored.
    static std::optional<HueBridgeConfig> fromJson(const QJsonValue &value);
};

size_t qHash(const HueBridgeConfig &config, size_t seed = 0) noexcept;
