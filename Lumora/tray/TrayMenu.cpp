#include "TrayMenu.h"

#include "Appearance.h"
#include "HueStore.h"
#include "HueText.h"

#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// Whether two trees have the same entries in the same places, whatever
/// their labels and states.
bool sameShape(const TrayEntry &a, const TrayEntry &b)
{
    if (a.id != b.id || a.kind != b.kind || a.children.size() != b.children.size())
        return false;
    for (qsizetype i = 0; i < a.children.size(); ++i) {
        if (!sameShape(a.children.at(i), b.children.at(i)))
            return false;
    }
    return true;
}

/// The ids of entries whose label or state differ; trees of the same shape.
void collectChanged(const TrayEntry &before, const TrayEntry &after, QList<int> &ids)
{
    if (before.label != after.label || before.enabled != after.enabled || before.checked != after.checked)
        ids.append(after.id);
    for (qsizetype i = 0; i < after.children.size(); ++i)
        collectChanged(before.children.at(i), after.children.at(i), ids);
}

const TrayEntry *findEntry(const TrayEntry &in, int id)
{
    if (in.id == id)
        return &in;
    for (const TrayEntry &child : in.children) {
        if (const TrayEntry *found = findEntry(child, id))
            return found;
    }
    return nullptr;
}

QString unusableReason(const HueStorePhase &phase)
{
    switch (phase.kind) {
    case HueStorePhase::Kind::unpaired:
        return HueText::tr(u"Keine Bridge gekoppelt – in Lumora koppeln"_s, u"No bridge paired – pair in Lumora"_s);
    case HueStorePhase::Kind::connecting:
        return HueText::tr(u"Verbindung zur Bridge wird aufgebaut …"_s, u"Connecting to the bridge…"_s);
    case HueStorePhase::Kind::unreachable:
        return HueText::tr(u"Bridge nicht erreichbar"_s, u"Bridge unreachable"_s)
               + (phase.message.isEmpty() ? QString() : u": "_s + phase.message);
    case HueStorePhase::Kind::ready:
        break;
    }
    return {};
}

} // namespace

TrayMenu::TrayMenu(HueStore *store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    connect(m_store, &HueStore::homeChanged, this, &TrayMenu::scheduleRebuild);
    connect(m_store, &HueStore::phaseChanged, this, &TrayMenu::scheduleRebuild);
    connect(m_store->favorites(), &FavoritesStore::itemsChanged, this, &TrayMenu::scheduleRebuild);
    rebuild();
}

const TrayEntry *TrayMenu::entry(int id) const
{
    return findEntry(m_root, id);
}

int TrayMenu::idFor(const QString &key)
{
    const auto found = m_ids.constFind(key);
    if (found != m_ids.constEnd())
        return *found;
    const int id = m_nextId++;
    m_ids.insert(key, id);
    m_keys.insert(id, key);
    return id;
}

TrayEntry TrayMenu::make(const QString &key, TrayEntry::Kind kind, const QString &label, bool enabled)
{
    TrayEntry made;
    made.id = idFor(key);
    made.kind = kind;
    made.label = label;
    made.enabled = enabled;
    return made;
}

void TrayMenu::scheduleRebuild()
{
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_rebuildPending)
            rebuild();
    });
}

void TrayMenu::rebuild()
{
    m_rebuildPending = false;
    const HueHome &home = m_store->home();
    const HueStorePhase phase = m_store->phase();
    const bool usable = phase.kind == HueStorePhase::Kind::ready;

    TrayEntry root;
    root.kind = TrayEntry::Kind::submenu;
    QList<TrayEntry> &items = root.children;
    if (!usable)
        items.append(make(u"reason"_s, TrayEntry::Kind::action, unusableReason(phase), false));

    // The favourite scenes, then the rooms and zones: each a list that goes
    // into a submenu of its own when it is long.
    const auto addList = [&](const QString &key, const QString &title, QList<TrayEntry> list) {
        if (list.isEmpty())
            return;
        if (!items.isEmpty() && items.constLast().kind != TrayEntry::Kind::separator)
            items.append(separator(key + u":separator"_s));
        if (list.size() <= inlineLimit) {
            items.append(list);
            return;
        }
        TrayEntry submenu = make(key, TrayEntry::Kind::submenu, title);
        submenu.children = std::move(list);
        items.append(std::move(submenu));
    };
    QList<TrayEntry> scenes;
    for (const QString &id : m_store->favorites()->ids(Favorite::Kind::scene)) {
        const std::optional<HueScene> scene = home.scene(id);
        if (!scene)
            continue;
        const std::optional<HueGroup> group = home.group(scene->groupID);
        const QString label = group ? scene->name + u" – "_s + group->name : scene->name;
        scenes.append(make(u"scene:"_s + id, TrayEntry::Kind::action, label, usable));
    }
    addList(u"scenes"_s, HueText::tr(u"Lieblingsszenen"_s, u"Favourite Scenes"_s), std::move(scenes));
    const auto toggles = [&](const QList<HueGroup> &groups) {
        QList<TrayEntry> list;
        for (const HueGroup &group : groups) {
            TrayEntry toggle = make(u"group:"_s + group.id, TrayEntry::Kind::toggle, group.name, usable);
            toggle.checked = group.isOn;
            list.append(std::move(toggle));
        }
        return list;
    };
    const HomeSnapshot &snapshot = m_store->snapshot();
    const QList<HueGroup> &rooms = snapshot.rooms;
    const QList<HueGroup> &zones = snapshot.zones;
    if (rooms.size() + zones.size() <= inlineLimit) {
        addList(u"groups"_s, {}, toggles(rooms) + toggles(zones));
    } else {
        addList(u"rooms"_s, HueText::tr(u"Räume"_s, u"Rooms"_s), toggles(rooms));
        // Both submenus share one block of the menu.
        if (!items.isEmpty() && items.constLast().kind == TrayEntry::Kind::separator)
            items.removeLast();
        addList(u"zones"_s, HueText::tr(u"Zonen"_s, u"Zones"_s), toggles(zones));
    }

    const std::optional<HueGroup> &whole = snapshot.home;
    if (!items.isEmpty())
        items.append(separator(u"allOff:separator"_s));
    items.append(make(u"allOff"_s, TrayEntry::Kind::action, HueText::tr(u"Alle Lampen aus"_s, u"All lights off"_s),
                      usable && whole && whole->groupedLightID));
    items.append(separator(u"window:separator"_s));
    items.append(make(u"open"_s, TrayEntry::Kind::action, HueText::tr(u"Lumora öffnen"_s, u"Open Lumora"_s)));
    items.append(make(u"settings"_s, TrayEntry::Kind::action, HueText::tr(u"Einstellungen …"_s, u"Settings…"_s)));
    items.append(make(u"quit"_s, TrayEntry::Kind::action, HueText::tr(u"Beenden"_s, u"Quit"_s)));

    // The light and the tooltip.
    const QList<HueLight> lights = whole ? whole->lights : home.lights();
    const bool anyOn = usable && std::ranges::any_of(lights, [](const HueLight &light) { return light.isOn; });
    QString summary = unusableReason(phase);
    if (usable) {
        HueGroup all;
        all.lights = lights;
        summary = Appearance::summary(all);
    }
    const bool statusChanged = anyOn != m_anyLightOn || summary != m_summary;
    m_anyLightOn = anyOn;
    m_summary = summary;

    const TrayEntry before = std::exchange(m_root, std::move(root));
    if (!sameShape(before, m_root)) {
        Q_EMIT layoutChanged();
    } else {
        QList<int> changed;
        collectChanged(before, m_root, changed);
        if (!changed.isEmpty())
            Q_EMIT entriesChanged(changed);
    }
    if (statusChanged)
        Q_EMIT this->statusChanged();
}

bool TrayMenu::switchAllOff()
{
    const std::optional<HueGroup> whole = m_store->home().home();
    if (m_store->phase().kind != HueStorePhase::Kind::ready || !whole || !whole->groupedLightID)
        return false;
    HueLightCommand off;
    off.isOn = false;
    m_store->setGroup(*whole, off);
    return true;
}

bool TrayMenu::activate(int id)
{
    const TrayEntry *clicked = entry(id);
    if (!clicked || !clicked->enabled || id == 0)
        return false;
    const QString key = m_keys.value(id);
    if (key == u"open")
        Q_EMIT openRequested();
    else if (key == u"settings")
        Q_EMIT settingsRequested();
    else if (key == u"quit")
        Q_EMIT quitRequested();
    else if (key == u"allOff")
        return switchAllOff();
    else if (key.startsWith(u"scene:")) {
        const std::optional<HueScene> scene = m_store->home().scene(key.mid(6));
        if (!scene)
            return false;
        m_store->recall(*scene);
    } else if (key.startsWith(u"group:")) {
        const std::optional<HueGroup> group = m_store->home().group(key.mid(6));
        if (!group)
            return false;
        HueLightCommand command;
        command.isOn = !group->isOn;
        m_store->setGroup(*group, command);
        // Shows the new state at once, as the cards do.
        rebuild();
    } else {
        return false;
    }
    return true;
}
