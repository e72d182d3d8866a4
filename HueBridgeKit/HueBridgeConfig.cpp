#include "HueBridgeConfig.h"

#include "HueValues.h"

#include <QHashFunctions>
#include <QJsonObject>

using namespace Qt::StringLiterals;

std::optional<HueBridgeConfig> HueBridgeConfig::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    auto name = HueJson::string(object.value("name"_L1));
    auto bridgeID = HueJson::string(object.value("bridgeid"_L1));
    if (!name || !bridgeID)
        return std::nullopt;
    return HueBridgeConfig{std::move(*name), std::move(*bridgeID)};
}

size_t qHash(const HueBridgeConfig &config, size_t seed) noexcept
{
    return qHashMulti(seed, config.name, config.bridgeID);
}
