#pragma once

// Fakes for the store's outside services: an in-memory key store that counts
// its calls, scripted discovery, and settings in a temporary folder; and the
// one-field light commands the store tests give.
#include "BridgeKeyStore.h"
#include "DiscoveredBridge.h"
#include "HueStore.h"

#include <QCoroTask>
#include <QHash>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace StoreTestSupport {

struct FakeKeys
{
    QHash<QString, QString> keys;
    bool refuseSaves = false;
    int loads = 0;
    QStringList deleted;
};

inline QCoro::Task<std::optional<QString>> fakeLoad(std::shared_ptr<FakeKeys> keys, QString account)
{
    ++keys->loads;
    co_return keys->keys.contains(account) ? std::optional(keys->keys.value(account)) : std::nullopt;
}

inline HueLightCommand power(bool on)
{
    return HueLightCommand{on, {}, {}, {}};
}

inline HueLightCommand dim(double brightness)
{
    return HueLightCommand{{}, brightness, {}, {}};
}

inline QCoro::Task<bool> fakeSave(std::shared_ptr<FakeKeys> keys, QString key, QString account)
{
    if (keys->refuseSaves)
        co_return false;
    keys->keys.insert(account, key);
    co_return true;
}

inline QCoro::Task<void> fakeDelete(std::shared_ptr<FakeKeys> keys, QString account)
{
    keys->keys.remove(account);
    keys->deleted.append(account);
    co_return;
}

inline BridgeKeyStore keyStore(const std::shared_ptr<FakeKeys> &keys)
{
    return BridgeKeyStore{
        [keys](QString account) { return fakeLoad(keys, std::move(account)); },
        [keys](QString key, QString account) { return fakeSave(keys, std::move(key), std::move(account)); },
        [keys](QString account) { return fakeDelete(keys, std::move(account)); },
    };
}

struct FakeDiscovery
{
    QList<DiscoveredBridge> result;
    int calls = 0;
};

/// Answers after a short wait, as a real browse does (much shorter).
inline QCoro::Task<QList<DiscoveredBridge>> fakeDiscover(std::shared_ptr<FakeDiscovery> discovery)
{
    ++discovery->calls;
    co_await HueCancellationToken().sleep(std::chrono::milliseconds(20));
    // A copy: QCoro moves from any non-const lvalue given to co_return.
    QList<DiscoveredBridge> result = discovery->result;
    co_return result;
}

/// Settings in a folder of their own, removed with the object.
struct TemporarySettings
{
    QTemporaryDir folder;
    std::shared_ptr<QSettings> settings =
        std::make_shared<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
};

} // namespace StoreTestSupport
