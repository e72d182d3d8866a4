// The application's live services, built in this one place.
#include "HueBridgeDiscovery.h"
#include "HueStore.h"
#include "PlatformWords.h"

#include <QSysInfo>

HueStore::Environment HueStore::Environment::live()
{
    Environment environment;
    environment.keys = BridgeKeyStore::keychain();
    environment.makeClient = [](QString host, std::optional<QString> bridgeID, std::optional<QString> key) {
        return HueBridgeClient::live(std::move(host), std::move(bridgeID), std::move(key));
    };
    environment.discover = [] { return HueBridgeDiscovery::bridges(std::chrono::seconds(3)); };
    environment.deviceName = [] {
        const QString name = QSysInfo::machineHostName();
        return name.isEmpty() ? PlatformWords::fallbackDeviceName() : name;
    };
    return environment;
}
