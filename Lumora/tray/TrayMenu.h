#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class HueStore;

/// One entry of the tray menu.
struct TrayEntry
{
    enum class Kind { action, toggle, separator, submenu };

    /// Stable for as long as the entry means the same thing, so that a menu
    /// host that is open while the home changes keeps pointing at the same
    /// room or scene.
    int id = 0;
    Kind kind = Kind::action;
    QString label;
    bool enabled = true;
    /// Toggles only: whether the room or zone is on.
    bool checked = false;
    QList<TrayEntry> children;

    friend bool operator==(const TrayEntry &, const TrayEntry &) = default;
};

/// The tray menu as the store's state says it should be right now: the
/// favourite scenes (a click recalls one), the rooms and zones as toggles,
/// "All lights off" for the whole-home group, then the window entries.
/// Long lists go into submenus. While the bridge is not ready the bridge's
/// entries are disabled and a first, disabled entry says why.
///
/// Follows the store on the next turn of the event loop after a change, so
/// that a batch of events costs one rebuild.
class TrayMenu : public QObject
{
    Q_OBJECT

public:
    /// More entries than this in one list go into a submenu.
    static constexpr int inlineLimit = 8;

    explicit TrayMenu(HueStore *store, QObject *parent = nullptr);

    /// The invisible root entry (id 0) whose children are the menu.
    const TrayEntry &root() const { return m_root; }
    /// The entry with that id, or null.
    const TrayEntry *entry(int id) const;
    /// Whether any light of the home is on; the icon shows it.
    bool anyLightOn() const { return m_anyLightOn; }
    /// A line for the tooltip: how many lights are on, or why the bridge cannot be used.
    QString summary() const { return m_summary; }

    /// What a click on the entry does; false when there is no such entry
    /// or it is disabled.
    bool activate(int id);
    /// Sends the whole home's off command; false when the store cannot.
    bool switchAllOff();

    /// Rebuilds now instead of on the next turn of the event loop.
    void rebuild();

Q_SIGNALS:
    /// Entries came, went or moved: hosts reload the whole menu.
    void layoutChanged();
    /// Only the labels, enabled or checked states of these entries changed.
    void entriesChanged(const QList<int> &ids);
    /// anyLightOn() or summary() changed.
    void statusChanged();
    void openRequested();
    void settingsRequested();
    void quitRequested();

private:
    void scheduleRebuild();
    int idFor(const QString &key);
    TrayEntry make(const QString &key, TrayEntry::Kind kind, const QString &label, bool enabled = true);
    TrayEntry separator(const QString &key) { return make(key, TrayEntry::Kind::separator, {}); }

    HueStore *m_store;
    TrayEntry m_root;
    /// What each id stands for: "scene:<id>", "group:<id>", "allOff" …
    QHash<QString, int> m_ids;
    QHash<int, QString> m_keys;
    int m_nextId = 1;
    bool m_rebuildPending = false;
    bool m_anyLightOn = false;
    QString m_summary;
};
