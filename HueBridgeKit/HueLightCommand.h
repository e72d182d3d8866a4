#pragma once

#include "HueValues.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

#include <optional>

/// A partial light state: every field absent means "leave unchanged".
struct HueLightCommand
{
    std::optional<bool> isOn;
    std::optional<double> brightness; // percent
    std::optional<HueXY> xy;
    std::optional<int> mirek;

    friend bool operator==(const HueLightCommand &, const HueLightCommand &) = default;

    /// Folds a newer command into this one. The later kind of colour wins, so
    /// a merged command never asks for a colour and a temperature at once.
    void merge(const HueLightCommand &other);

    /// The JSON object sent to a light or grouped light.
    QJsonObject body() const;
};

/// One light's target state inside a scene.
struct HueSceneAction
{
    QString lightID;
    HueLightCommand command;

    friend bool operator==(const HueSceneAction &, const HueSceneAction &) = default;

    /// {"target": {"rid", "rtype": "light"}, "action": body}: one element of a
    /// scene's "actions" as the bridge expects it in requests.
    QJsonObject body() const;
    static QJsonArray body(const QList<HueSceneAction> &actions);
};

size_t qHash(const HueLightCommand &command, size_t seed = 0) noexcept;
size_t qHash(const HueSceneAction &action, size_t seed = 0) noexcept;
