#include "GlobalShortcuts.h"

#include "HueStore.h"
#include "HueText.h"
#include "LumoraLogging.h"
#include "PortalShortcuts.h"

using namespace Qt::StringLiterals;

namespace {

QList<PortalShortcuts::Shortcut> offered()
{
    QList<PortalShortcuts::Shortcut> list{
        {GlobalShortcuts::toggleAllLightsID, HueText::tr(u"Alle Lichter umschalten"_s, u"Toggle all lights"_s), {}},
        {GlobalShortcuts::quickPanelID, HueText::tr(u"Schnellzugriff öffnen"_s, u"Open quick panel"_s), {}},
    };
    for (int number = 1; number <= GlobalShortcuts::favoriteScenes; ++number) {
        list.append({GlobalShortcuts::favoriteSceneID(number),
                     HueText::tr(u"Lieblingsszene %1 aufrufen"_s, u"Recall favourite scene %1"_s).arg(number),
                     {}});
    }
    return list;
}

} // namespace

QString GlobalShortcuts::favoriteSceneID(int number)
{
    return u"recall-favorite-scene-"_s + QString::number(number);
}

GlobalShortcuts::GlobalShortcuts(HueStore *store, const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_portal(new PortalShortcuts(offered(), bus, this))
{
    connect(m_portal, &PortalShortcuts::activated, this, [this](const QString &id) {
        qCDebug(lcApp) << "global shortcut" << id;
        perform(id);
    });
}

void GlobalShortcuts::start()
{
    m_portal->start();
}

bool GlobalShortcuts::perform(const QString &id)
{
    if (id == toggleAllLightsID)
        return toggleAllLights(*m_store);
    if (id == quickPanelID) {
        Q_EMIT quickPanelRequested();
        return true;
    }
    for (int number = 1; number <= favoriteScenes; ++number) {
        if (id == favoriteSceneID(number))
            return recallFavoriteScene(*m_store, number);
    }
    return false;
}

bool GlobalShortcuts::toggleAllLights(HueStore &store)
{
    const std::optional<HueGroup> home = store.home().home();
    if (!home || !home->groupedLightID)
        return false;
    store.setGroup(*home, HueLightCommand{!home->isOn, {}, {}, {}});
    return true;
}

bool GlobalShortcuts::recallFavoriteScene(HueStore &store, int number)
{
    // The favourites screen's order: the user's own where there is one,
    // otherwise the order the stars were set in; scenes the bridge no longer
    // has are not counted.
    QStringList ids;
    for (const QString &id : store.favorites()->ids(Favorite::Kind::scene)) {
        if (store.home().scene(id))
            ids.append(id);
    }
    ids = store.order()->sortedIds(ids, u"favorites.scenes"_s);
    if (number < 1 || number > ids.size())
        return false;
    store.recall(*store.home().scene(ids.at(number - 1)));
    return true;
}
