#include "LumoraStore.h"

#include "CardRules.h"
#include "HueText.h"
#include "Theme.h"

#include <QJSEngine>
#include <QQmlEngine>
#include <QSettings>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct Provided
{
    HueStore *store = nullptr;
    std::shared_ptr<QSettings> settings;
};

Provided &provided()
{
    static Provided instance;
    return instance;
}

} // namespace

LumoraStore::LumoraStore(HueStore *store, std::shared_ptr<QSettings> settings, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(std::move(settings))
{
    Q_ASSERT(m_store);
    connect(m_store, &HueStore::phaseChanged, this, [this] {
        Q_EMIT phaseChanged();
        updateDerived();
    });
    connect(m_store, &HueStore::pairingStepChanged, this, &LumoraStore::pairingStepChanged);
    connect(m_store, &HueStore::discoveredBridgesChanged, this, &LumoraStore::discoveredBridgesChanged);
    connect(m_store, &HueStore::bridgeChanged, this, &LumoraStore::bridgeChanged);
    connect(m_store, &HueStore::commandErrorChanged, this, [this] {
        m_bannerDismissed = false;
        Q_EMIT commandErrorChanged();
        updateDerived();
    });
    connect(m_store, &HueStore::commandFailed, this, [this] {
        m_bannerDismissed = false;
        updateDerived();
    });
    connect(m_store, &HueStore::homeChanged, this, &LumoraStore::scheduleUpdate);
    connect(m_store->favorites(), &FavoritesStore::itemsChanged, this, [this] {
        // Connected before any list, so none reads a row with an old star.
        m_groupRows.clear();
        Q_EMIT favoritesChanged();
        updateSelection();
    });
    m_snapshot = m_store->snapshot();
    updateDerived();
    updateSelection();
}

LumoraStore::~LumoraStore() = default;

void LumoraStore::provide(HueStore *store, std::shared_ptr<QSettings> settings)
{
    provided() = {store, std::move(settings)};
}

LumoraStore *LumoraStore::create(QQmlEngine *qmlEngine, QJSEngine *jsEngine)
{
    Q_UNUSED(jsEngine);
    const Provided &source = provided();
    if (!source.store)
        qFatal("LumoraStore::provide() must be called before QML uses Store");
    // Owned by the engine, which the store outlives.
    return new LumoraStore(source.store, source.settings, qmlEngine);
}

// Reading -------------------------------------------------------------------------

LumoraStore::Phase LumoraStore::phase() const
{
    switch (m_store->phase().kind) {
    case HueStorePhase::Kind::unpaired:
        return Unpaired;
    case HueStorePhase::Kind::connecting:
        return Connecting;
    case HueStorePhase::Kind::ready:
        return Ready;
    case HueStorePhase::Kind::unreachable:
        return Unreachable;
    }
    return Unpaired;
}

QString LumoraStore::unreachableMessage() const
{
    return m_store->phase().kind == HueStorePhase::Kind::unreachable ? m_store->phase().message : QString();
}

LumoraStore::Screen LumoraStore::screen() const
{
    return m_screen;
}

LumoraStore::PairingStep LumoraStore::pairingStep() const
{
    switch (m_store->pairingStep().kind) {
    case HueStorePairingStep::Kind::idle:
        return Idle;
    case HueStorePairingStep::Kind::searching:
        return Searching;
    case HueStorePairingStep::Kind::waitingForButton:
        return WaitingForButton;
    case HueStorePairingStep::Kind::failed:
        return Failed;
    }
    return Idle;
}

QString LumoraStore::pairingMessage() const
{
    return m_store->pairingStep().kind == HueStorePairingStep::Kind::failed ? m_store->pairingStep().message
                                                                            : QString();
}

QVariantList LumoraStore::discoveredBridges() const
{
    QVariantList list;
    for (const auto &found : m_store->discoveredBridges()) {
        list.append(
            QVariantMap{{u"name"_s, found.name},
                        {u"bridgeID"_s, found.bridgeID ? QVariant(*found.bridgeID) : QVariant::fromValue(nullptr)},
                        {u"host"_s, found.host}});
    }
    return list;
}

QVariant LumoraStore::bridge() const
{
    const auto &bridge = m_store->bridge();
    if (!bridge)
        return QVariant::fromValue(nullptr);
    return QVariantMap{{u"bridgeID"_s, bridge->bridgeID}, {u"name"_s, bridge->name}, {u"host"_s, bridge->host}};
}

QString LumoraStore::commandError() const
{
    return m_store->commandError().value_or(QString());
}

const HueGroup *LumoraStore::groupOf(const QString &id) const
{
    return m_snapshot.group(id);
}

// Keeping the derived values current ----------------------------------------------

void LumoraStore::scheduleUpdate()
{
    // The home changes in bursts (an event batch, a reload and a hold release
    // in one turn of the event loop); the lists follow once per turn.
    const bool empty = m_store->home().isEmpty();
    if (empty != m_homeIsEmpty) {
        m_homeIsEmpty = empty;
        Q_EMIT homeIsEmptyChanged();
        updateDerived();
    }
    if (m_updatePending)
        return;
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_updatePending)
            updateNow();
    });
}

void LumoraStore::updateNow()
{
    m_updatePending = false;
    const HomeSnapshot &next = m_store->snapshot();
    // A live batch reaches a few groups: the rows of the others stay made.
    for (auto row = m_groupRows.begin(); row != m_groupRows.end();) {
        const HueGroup *before = m_snapshot.group(row.key());
        const HueGroup *after = next.group(row.key());
        if (before && after && *before == *after)
            ++row;
        else
            row = m_groupRows.erase(row);
    }
    m_snapshot = next;
    Q_EMIT snapshotChanged();
    updateSelection();
}

bool LumoraStore::bannerDismissible() const
{
    return !m_bannerMessage.isEmpty() && m_bannerMessage == commandError();
}

void LumoraStore::dismissBanner()
{
    if (!bannerDismissible())
        return;
    m_bannerDismissed = true;
    updateDerived();
}

void LumoraStore::updateDerived()
{
    m_homeIsEmpty = m_store->home().isEmpty();
    const auto screen = ScreenRules::rootScreen(m_store->phase().kind, m_homeIsEmpty);
    const Screen next = screen == ScreenRules::Screen::pairing       ? PairingScreen
                        : screen == ScreenRules::Screen::connecting  ? ConnectingScreen
                        : screen == ScreenRules::Screen::unreachable ? UnreachableScreen
                                                                     : MainScreen;
    if (next != m_screen) {
        m_screen = next;
        Q_EMIT screenChanged();
    }
    const QString banner = ScreenRules::bannerMessage(m_store->phase(), m_bannerDismissed ? QString() : commandError());
    if (banner != m_bannerMessage) {
        m_bannerMessage = banner;
        Q_EMIT bannerMessageChanged();
    }
}

void LumoraStore::updateSelection()
{
    const QString stored = m_settings ? m_settings->value(QLatin1StringView(selectionKey)).toString() : QString();
    // A stored group is checked against the home itself: it may be a room
    // without lights, which the lists leave out but which can still be shown.
    const SidebarItem item = ScreenRules::selection(
        stored, [this](const QString &id) { return m_snapshot.group(id) || m_store->home().group(id).has_value(); },
        hasFavorites());
    if (item == m_selection)
        return;
    m_selection = item;
    Q_EMIT selectionChanged();
}

void LumoraStore::select(const QString &storedValue)
{
    const auto item = SidebarItem::fromStoredValue(storedValue);
    const QString value = item ? item->storedValue() : u"home"_s;
    if (m_settings)
        m_settings->setValue(QLatin1StringView(selectionKey), value);
    updateSelection();
}

const GroupRow &LumoraStore::groupRow(const HueGroup &group)
{
    auto found = m_groupRows.find(group.id);
    if (found == m_groupRows.end())
        found =
            m_groupRows.insert(group.id, GroupRow::of(group, favorites()->contains(Favorite::Kind::group, group.id)));
    return *found;
}

void LumoraStore::selectNeighbour(int delta, const QStringList &roomIds, const QStringList &zoneIds)
{
    QStringList rows{SidebarItem::favorites().storedValue(), SidebarItem::home().storedValue()};
    for (const QStringList *ids : {&roomIds, &zoneIds}) {
        for (const QString &id : *ids)
            rows.append(SidebarItem::group(id).storedValue());
    }
    // A selection that is no row (it is about to fall back) counts as
    // standing before the first.
    const qsizetype index = rows.indexOf(m_selection.storedValue());
    select(rows.at(std::clamp<qsizetype>(index + delta, 0, rows.size() - 1)));
}

// Commands ------------------------------------------------------------------------

void LumoraStore::setLightOn(const QString &lightId, bool isOn)
{
    m_store->setLight(lightId, CardRules::switchTo(isOn));
}

void LumoraStore::setLightBrightness(const QString &lightId, double brightness)
{
    m_store->setLight(lightId, CardRules::brightness(brightness));
}

void LumoraStore::setLightColor(const QString &lightId, const QColor &color)
{
    const HueLight *light = m_snapshot.light(lightId);
    if (!light)
        return;
    m_store->setLight(lightId, CardRules::color(Theme::rgb(color), light->gamut, light->isOn));
}

void LumoraStore::setLightMirek(const QString &lightId, int mirek)
{
    const HueLight *light = m_snapshot.light(lightId);
    if (!light)
        return;
    m_store->setLight(lightId, CardRules::whiteTone(mirek, light->isOn));
}

void LumoraStore::setGroupOn(const QString &groupId, bool isOn)
{
    if (const HueGroup *group = groupOf(groupId))
        m_store->setGroup(*group, CardRules::switchTo(isOn));
}

void LumoraStore::setGroupBrightness(const QString &groupId, double brightness)
{
    if (const HueGroup *group = groupOf(groupId))
        m_store->setGroup(*group, CardRules::brightness(brightness));
}

void LumoraStore::setGroupColor(const QString &groupId, const QColor &color)
{
    // A group has no single gamut; the bridge fits the colour to each light.
    if (const HueGroup *group = groupOf(groupId))
        m_store->setGroup(*group, CardRules::color(Theme::rgb(color), std::nullopt, group->isOn));
}

void LumoraStore::setGroupMirek(const QString &groupId, int mirek)
{
    if (const HueGroup *group = groupOf(groupId))
        m_store->setGroup(*group, CardRules::whiteTone(mirek, group->isOn));
}

void LumoraStore::recall(const QString &sceneId)
{
    if (const HueScene *scene = m_snapshot.scene(sceneId))
        m_store->recall(*scene);
}

void LumoraStore::overwriteScene(const QString &sceneId)
{
    if (const HueScene *scene = m_snapshot.scene(sceneId))
        m_store->overwriteScene(*scene);
}

void LumoraStore::deleteScene(const QString &sceneId)
{
    if (const HueScene *scene = m_snapshot.scene(sceneId))
        m_store->deleteScene(*scene);
}

QCoro::Task<std::optional<QString>> LumoraStore::saveScene(QString name, QString groupId)
{
    const HueGroup *group = groupOf(groupId);
    if (!group)
        co_return HueText::tr(u"Diesen Raum gibt es nicht mehr."_s, u"This room no longer exists."_s);
    // Nothing of this object is read once the bridge answers: it may be gone.
    QCoro::Task<std::optional<QString>> saving = m_store->saveScene(std::move(name), *group);
    co_return co_await std::move(saving);
}

bool LumoraStore::acceptsSceneName(const QString &name) const
{
    return HueStore::sceneName(name).has_value();
}

void LumoraStore::toggleFavorite(const QString &kind, const QString &id)
{
    if (const auto parsed = Favorite::kindFromName(kind))
        m_store->favorites()->toggle(Favorite{*parsed, id});
}

bool LumoraStore::isFavorite(const QString &kind, const QString &id) const
{
    const auto parsed = Favorite::kindFromName(kind);
    return parsed && m_store->favorites()->contains(*parsed, id);
}

void LumoraStore::saveOrder(const QString &list, const QStringList &ids)
{
    m_store->order()->save(ids, list);
}
