#pragma once

#include "HueResource.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

/// The home's resources by id: a QHash that notices every change to what
/// the home derives its structure from, so that the home can keep its
/// indexes (lights by device, scenes by group, the lights of each group)
/// from one change of that structure to the next instead of building them
/// on every call.
///
/// Reading is the QHash's own. Every change goes through insert(), remove(),
/// clear() or modify(); each gives the map a new `structure()` stamp unless
/// it provably left the structure and the storage where they were (a light's
/// state changing in place). A stamp is never reused, so an index built for
/// one stamp is valid exactly for maps that carry it.
///
/// The in-place changes since the last new structure are remembered too, so
/// that what is derived from the map (the screens' records) can follow a
/// change of a few lights by resolving only what they touch.
class HueResourceMap
{
public:
    using Hash = QHash<QString, HueResource>;
    using const_iterator = Hash::const_iterator;
    using iterator = Hash::const_iterator;
    using key_type = QString;
    using mapped_type = HueResource;

    HueResourceMap() = default;
    HueResourceMap(const HueResourceMap &) = default;
    HueResourceMap &operator=(const HueResourceMap &) = default;
    HueResourceMap(HueResourceMap &&other) noexcept
        : m_hash(std::exchange(other.m_hash, {}))
        , m_structure(other.m_structure)
        , m_revision(other.m_revision)
        , m_changesFrom(other.m_changesFrom)
        , m_changes(std::exchange(other.m_changes, {}))
    {
        other.restructure();
    }
    HueResourceMap &operator=(HueResourceMap &&other) noexcept
    {
        m_hash = std::exchange(other.m_hash, {});
        m_structure = other.m_structure;
        m_revision = other.m_revision;
        m_changesFrom = other.m_changesFrom;
        m_changes = std::exchange(other.m_changes, {});
        other.restructure();
        return *this;
    }

    friend bool operator==(const HueResourceMap &a, const HueResourceMap &b) { return a.m_hash == b.m_hash; }

    qsizetype size() const { return m_hash.size(); }
    qsizetype count() const { return m_hash.size(); }
    bool isEmpty() const { return m_hash.isEmpty(); }
    bool contains(const QString &id) const { return m_hash.contains(id); }
    HueResource value(const QString &id) const { return m_hash.value(id); }
    QList<QString> keys() const { return m_hash.keys(); }
    const_iterator constFind(const QString &id) const { return m_hash.constFind(id); }
    const_iterator find(const QString &id) const { return m_hash.constFind(id); }
    const_iterator begin() const { return m_hash.cbegin(); }
    const_iterator end() const { return m_hash.cend(); }
    const_iterator cbegin() const { return m_hash.cbegin(); }
    const_iterator cend() const { return m_hash.cend(); }
    const_iterator constBegin() const { return m_hash.cbegin(); }
    const_iterator constEnd() const { return m_hash.cend(); }
    /// The stored resource with that id, or null.
    const HueResource *get(const QString &id) const
    {
        const auto found = m_hash.constFind(id);
        return found == m_hash.cend() ? nullptr : &found.value();
    }

    /// Stores `resource` under `id`, replacing an earlier entry.
    void insert(const QString &id, const HueResource &resource)
    {
        m_hash.insert(id, resource);
        restructure();
    }
    bool remove(const QString &id)
    {
        const bool removed = m_hash.remove(id);
        if (removed)
            restructure();
        return removed;
    }
    void clear()
    {
        m_hash.clear();
        restructure();
    }
    void reserve(qsizetype size)
    {
        m_hash.reserve(size);
        restructure();
    }

    /// Runs `mutate(HueResource &)` on the stored resource with that id;
    /// false (and nothing done) when there is none.
    template<typename Mutate>
    bool modify(const QString &id, Mutate &&mutate)
    {
        // A shared hash is copied on the first write: every stored
        // resource moves, and indexes pointing at them must be rebuilt.
        if (!m_hash.isDetached())
            restructure();
        const auto found = m_hash.find(id);
        if (found == m_hash.end())
            return false;
        HueResource &resource = found.value();
        const Structure before = structureOf(resource);
        std::forward<Mutate>(mutate)(resource);
        if (!(structureOf(resource) == before)) {
            restructure();
        } else if (m_changes.size() < maxRememberedChanges) {
            m_revision = nextStamp();
            m_changes.append({m_revision, id});
        } else {
            // Too many to be worth following one by one: from here on the
            // map only knows that everything may have changed.
            m_revision = nextStamp();
            m_changes.clear();
            m_changesFrom = m_revision;
        }
        return true;
    }

    /// Changes whenever resources come or go, move in memory, or change a
    /// field the home's indexes are built from.
    quint64 structure() const { return m_structure; }

    /// Changes with every change; a stamp like structure(), never reused.
    quint64 revision() const { return m_revision; }
    /// The ids changed in place since this map, or the map it was copied
    /// from, stood at `revision`. Nothing when it never stood there (another
    /// map's revision, or one from before a diverging copy), when its
    /// structure changed since, or when it stopped following single changes.
    std::optional<QSet<QString>> changedSince(quint64 revision) const
    {
        const auto later =
            std::upper_bound(m_changes.cbegin(), m_changes.cend(), revision,
                             [](quint64 value, const Change &change) { return value < change.revision; });
        const bool stoodThere =
            revision == m_changesFrom || (later != m_changes.cbegin() && std::prev(later)->revision == revision);
        if (!stoodThere)
            return std::nullopt;
        QSet<QString> ids;
        for (auto change = later; change != m_changes.cend(); ++change)
            ids.insert(change->id);
        return ids;
    }

private:
    // What the home's indexes read: the type that sorts a resource into
    // lights, groups, scenes and devices, and the references between them.
    struct Structure
    {
        QString type;
        std::optional<HueResourceRef> owner;
        std::optional<HueResourceRef> group;
        std::optional<QList<HueResourceRef>> children;
        std::optional<QList<HueResourceRef>> services;

        friend bool operator==(const Structure &, const Structure &) = default;
    };
    static Structure structureOf(const HueResource &resource)
    {
        return {resource.type, resource.owner, resource.group, resource.children, resource.services};
    }

    static quint64 nextStamp()
    {
        static std::atomic<quint64> counter{1};
        return counter.fetch_add(1, std::memory_order_relaxed);
    }
    void restructure()
    {
        m_structure = m_revision = m_changesFrom = nextStamp();
        m_changes.clear();
    }

    struct Change
    {
        quint64 revision = 0;
        QString id;
    };
    // A live home changes a few lights at a time; past this many changes a
    // full pass costs less than following each.
    static constexpr qsizetype maxRememberedChanges = 512;

    Hash m_hash;
    quint64 m_structure = nextStamp();
    quint64 m_revision = m_structure;
    // The revision from which m_changes is complete, and the changes after
    // it, oldest first.
    quint64 m_changesFrom = m_structure;
    QList<Change> m_changes;
};
