#include "PairedBridge.h"

#include "LumoraLogging.h"
#include "StoredJson.h"

#include <QJsonObject>
#include <QSettings>

using namespace Qt::StringLiterals;

bool PairedBridge::save(QSettings &settings) const
{
    // Qt's JSON writer cannot fail on strings, so unlike other encoders
    // there is no failure case that would have to remove the value.
    const QJsonObject object{{"bridgeID"_L1, bridgeID}, {"name"_L1, name}, {"host"_L1, host}};
    return StoredJson::write(settings, QLatin1StringView(settingsKey), QJsonDocument(object));
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

QCoro::Task<PairedBridge::Stored> PairedBridge::store(PairedBridge bridge, QString key, BridgeKeyStore keys,
                                                      std::shared_ptr<QSettings> settings)
{
    // Every call's task is built as a local before it is awaited: arguments
    // that are temporaries of an awaited expression are not safe with every
    // compiler.
    const QString account = bridge.bridgeID;
    // Saving replaces the account's key. Re-pairing the bridge we are paired
    // with would otherwise lose the key its stored record relies on, so the
    // earlier key is kept at hand (in memory only) to be put back.
    std::optional<QString> previousKey;
    bool keySaved = false;
    try {
        QCoro::Task<std::optional<QString>> loading = keys.load(account);
        previousKey = co_await loading;
        QCoro::Task<bool> saving = keys.save(key, account);
        keySaved = co_await saving;
    } catch (...) {
        keySaved = false;
    }
    if (keySaved) {
        const QString recordKey = QLatin1StringView(settingsKey);
        const QVariant previousRecord = settings->value(recordKey);
        if (bridge.save(*settings))
            co_return Stored::saved;
        // The settings object still holds the new record; any later write
        // (a favourite, say) would carry it to the file once the disk takes
        // writes again, naming a bridge whose key is no longer there.
        if (previousRecord.isValid())
            settings->setValue(recordKey, previousRecord);
        else
            settings->remove(recordKey);
        settings->sync();
    }
    bool restored = true;
    try {
        if (previousKey) {
            QCoro::Task<bool> putBack = keys.save(*previousKey, account);
            restored = co_await putBack;
        } else if (keySaved) {
            QCoro::Task<void> removing = keys.delete_(account);
            co_await removing;
        }
    } catch (...) {
        restored = false;
    }
    if (!restored)
        qCWarning(lcKeyStore) << "could not put the earlier bridge key back";
    co_return keySaved ? Stored::recordNotSaved : Stored::keyNotSaved;
}
