#pragma once

#include "HueHome.h"

#include <QJsonArray>
#include <QString>

/// The resource listing recorded from a real bridge (BSB002) and the ids the
/// tests refer to: one room with two lights, one zone with three, a light with
/// colour only, scenes for both groups and the whole home.
namespace BridgeFixture {

inline const QString roomID = QStringLiteral("6ddc9066-7e7d-4a03-a773-c73937968296");
inline const QString zoneID = QStringLiteral("7cee478d-6455-483a-9e32-9f9fdcbcc4f6");
inline const QString homeID = QStringLiteral("a3fbc86a-bf4c-4c69-899d-d6eafc37e288");
inline const QString roomGroupedLight = QStringLiteral("e937f8db-2f0e-49a0-936e-027e60e15b34");
inline const QString zoneGroupedLight = QStringLiteral("f2416154-9607-43ab-a684-4453108a200e");
/// In the room: "Hue light with color temperature only" and "Hue on/off light".
inline const QString temperatureLight = QStringLiteral("3a6710fa-4474-4eba-b533-5e6e72968feb");
inline const QString onOffLight = QStringLiteral("7697ac8a-25aa-4576-bb40-0036c0db15b9");
/// In the zone: two colour lights and a gradient strip.
inline const QString colorLight1 = QStringLiteral("02cba059-9c2c-4d45-97e4-4f79b1bfbaa1");
inline const QString colorLight2 = QStringLiteral("b3fe71ef-d0ef-48de-9355-d9e604377df0");
inline const QString colorLight2Device = QStringLiteral("b9e76da7-ac22-476a-986d-e466e62e962f");
inline const QString colorLight2Connectivity = QStringLiteral("717afeb6-b1ce-426e-96de-48e8fe037fb0");
inline const QString gradientLight = QStringLiteral("8015b17f-8336-415b-966a-b364bd082397");
/// In no group; gamut A.
inline const QString colorOnlyLight = QStringLiteral("74a45fee-1b3d-4553-b5ab-040da8a10cfd");
inline const QString regularScene = QStringLiteral("cdbf3740-7977-4a11-8275-8c78636ad4bd");

QString path();
/// The listing's resources as recorded (70 of them).
QJsonArray listing();
/// The listing decoded into a home (empty if the file is missing).
HueHome home();

} // namespace BridgeFixture
