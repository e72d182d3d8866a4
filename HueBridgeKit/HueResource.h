#pragma once

#include "HueLightCommand.h"
#include "HueValues.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

/// Any CLIP v2 resource, as one flat record holding the union of the fields the
/// application uses. Decoding is tolerant: only an unusable "id" or "type"
/// rejects a resource; every other malformed part just leaves its fields absent.
struct HueResource
{
    QString id;
    QString type;
    std::optional<HueResourceRef> owner;
    std::optional<QString> name;
    std::optional<QString> archetype;
    std::optional<bool> isOn;
    std::optional<double> brightness;
    std::optional<HueColorTemperature> colorTemperature;
    std::optional<HueXY> xy;
    std::optional<HueGamut> gamut;
    std::optional<QList<HueResourceRef>> children;
    std::optional<QList<HueResourceRef>> services;
    std::optional<HueResourceRef> group;
    std::optional<QList<HueSwatch>> sceneSwatches;
    std::optional<QList<HueSceneAction>> sceneActions;
    std::optional<bool> sceneActive;
    std::optional<QString> connectivity;

    HueResource() = default;
    HueResource(QString id, QString type)
        : id(std::move(id))
        , type(std::move(type))
    {
    }

    friend bool operator==(const HueResource &, const HueResource &) = default;

    /// Fails only when the value is not an object or "id"/"type" are not strings.
    static std::optional<HueResource> fromJson(const QJsonValue &value);

    /// Folds a (partial) resource into this one; id and type never change.
    void merge(const HueResource &other);
};

size_t qHash(const HueResource &resource, size_t seed = 0) noexcept;
