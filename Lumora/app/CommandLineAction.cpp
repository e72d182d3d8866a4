#include "CommandLineAction.h"

#include "HueFailure.h"
#include "HueHome.h"
#include "HueText.h"
#include "PairedBridge.h"

#include <QSettings>

#include <exception>

using namespace Qt::StringLiterals;

namespace CommandLineAction {

QCoro::Task<Outcome> run(QString action, std::shared_ptr<QSettings> settings, HueStore::Environment environment)
{
    Q_ASSERT(action == u"all-off");
    const std::optional<PairedBridge> bridge = PairedBridge::load(*settings);
    std::optional<QString> key;
    if (bridge) {
        auto loading = environment.keys.load(bridge->bridgeID);
        key = co_await std::move(loading);
    }
    if (!bridge || !key) {
        co_return Outcome{1, HueText::tr(u"Lumora ist mit keiner Bridge gekoppelt; öffne Lumora, um eine zu koppeln."_s,
                                         u"Lumora is not paired with a bridge; open Lumora to pair one."_s)};
    }
    const HueBridgeClient client = environment.makeClient(bridge->host, bridge->bridgeID, *key);
    std::exception_ptr failure;
    bool hasHome = true;
    try {
        auto listing = client.resources();
        const QList<HueResource> resources = co_await std::move(listing);
        const std::optional<HueGroup> home = HueHome(resources).home();
        hasHome = home && home->groupedLightID;
        if (hasHome) {
            HueLightCommand off;
            off.isOn = false;
            auto sending = client.sendToGroupedLight(off, *home->groupedLightID);
            co_await std::move(sending);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        co_return Outcome{
            1, HueText::tr(u"Die Lampen wurden nicht ausgeschaltet: "_s, u"The lights were not switched off: "_s)
                   + HueFailure::classify(failure).description()};
    }
    if (!hasHome) {
        co_return Outcome{1, HueText::tr(u"Die Bridge kennt keine Gruppe für das ganze Zuhause."_s,
                                         u"The bridge has no group for the whole home."_s)};
    }
    co_return Outcome{0, HueText::tr(u"Alle Lampen sind aus."_s, u"All lights are off."_s)};
}

} // namespace CommandLineAction
