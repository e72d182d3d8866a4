#include "SimulatedBridge.h"

#include "BridgeFixture.h"

SimulatedBridge::SimulatedBridge()
{
    if (!loadResources(BridgeFixture::path(), &error) || !start(QHostAddress::LocalHost, 0, &error))
        return;
    key = addApplicationKey();
}

QList<SimRequest> SimulatedBridge::requests(const QString &method, const QString &pathPrefix) const
{
    QList<SimRequest> found;
    const QList<SimRequest> log = requestLog();
    for (const SimRequest &request : log) {
        if (request.method == method && request.path().startsWith(pathPrefix))
            found.append(request);
    }
    return found;
}
