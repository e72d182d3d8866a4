#include "PairedBridge.h"

#include "StoredJson.h"

#include <QJsonObject>
#include <QSettings>

using namespace Qt::StringLiterals;

void PairedBridge::save(QSettings &settings) const
{
    // Qt's JSON writer cannot fail on strings, so unlike other encoders
    // there is no failure case that would have to remove the value.
    const QJsonObject object{{"bridgeID"_L1, bridgeID}, {"name"_L1, name}, {"host"_L1, host}};
    StoredJson::write(settings, QLatin1StringView(settingsKey), QJsonDocument(object));
}

std::optional<PairedBridge> PairedBridge::load(const QSettings &settings)
{
    const auto document = StoredJson::read(settings, QLatin1StringView(settingsKey));
    if (!document || !document->isObject())
        return std::nullopt;
    const QJsonObject object = document->object();
    const QJsonValue bridgeID = object.value("bridgeID"_L1);
    const QJsonValue name = object.value("name"_L1);
    const QJsonValue host = object.value("host"_L1);
    if (!bridgeID.isString() || !name.isString() || !host.isString())
        return std::nullopt;
    return PairedBridge{bridgeID.toString(), name.toString(), host.toString()};
}

void PairedBridge::remove(QSettings &settings)
{
    StoredJson::remove(settings, QLatin1StringView(settingsKey));
}
