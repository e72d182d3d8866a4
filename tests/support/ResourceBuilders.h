#pragma once

#include "HueRGB.h"
#include "HueResource.h"
#include "HueValues.h"

#include <optional>

/// Resources built in code for tests of the home model and its users, with
/// only the fields a test names; and tolerant comparisons of colours.
namespace ResourceBuilders {

HueResourceRef ref(const QString &rid, const QString &rtype);
HueResource light(const QString &id, const std::optional<QString> &name = std::nullopt, std::optional<bool> on = false,
                  std::optional<double> brightness = std::nullopt);
HueResource device(const QString &id, const std::optional<QString> &name,
                   const std::optional<QString> &archetype = std::nullopt);
HueResource connectivity(const QString &id, const std::optional<QString> &owner, const QString &status);
/// References to these lights.
QList<HueResourceRef> lightRefs(const QStringList &ids);
/// A room, zone or home with these children. Its grouped light, when given,
/// is listed after another service, as bridges list them.
HueResource group(const QString &id, const QString &type, const std::optional<QString> &name,
                  const QList<HueResourceRef> &children, const std::optional<QString> &groupedLight = std::nullopt);
HueResource groupedLight(const QString &id, const std::optional<QString> &owner, std::optional<bool> on,
                         std::optional<double> brightness = std::nullopt,
                         const QString &ownerType = QStringLiteral("room"));
HueResource scene(const QString &id, const std::optional<QString> &name, const std::optional<QString> &roomID,
                  std::optional<bool> active = std::nullopt,
                  const std::optional<QList<HueSceneAction>> &actions = std::nullopt);

bool near(double a, double b, double tolerance = 1e-4);
bool near(HueRGB a, HueRGB b, double tolerance = 1e-4);
bool near(HueXY a, HueXY b, double tolerance = 1e-4);

} // namespace ResourceBuilders
