#pragma once

#include "HueResource.h"

#include <QHash>
#include <QString>

#include <atomic>
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
        , m_structure(std::exchange(other.m_structure, nextStamp()))
    {
    }
    HueResourceMap &operator=(HueResourceMap &&other) noexcept
    {
        m_hash = std::exchange(other.m_hash, {});
        m_structure = std::exchange(other.m_structure, nextStamp());
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
        m_structure = nextStamp();
    }
    bool remove(const QString &id)
    {
        const bool removed = m_hash.remove(id);
        if (removed)
            m_structure = nextStamp();
        return removed;
    }
    void clear()
    {
        m_hash.clear();
        m_structure = nextStamp();
    }
    void reserve(qsizetype size)
    {
        m_hash.reserve(size);
        m_structure = nextStamp();
    }

    /// Runs `mutate(HueResource &)` on the stored resource with that id;
    /// false (and nothing done) when there is none.
    template<typename Mutate>
    bool modify(const QString &id, Mutate &&mutate)
    {
        // A shared hash is copied on the first write: every stored
        // resource moves, and indexes pointing at them must be rebuilt.
        if (!m_hash.isDetached())
            m_structure = nextStamp();
        const auto found = m_hash.find(id);
        if (found == m_hash.end())
            return false;
        HueResource &resource = found.value();
        const Structure before = structureOf(resource);
        std::forward<Mutate>(mutate)(resource);
        if (!(structureOf(resource) == before))
            m_structure = nextStamp();
        return true;
    }

    /// Changes whenever resources come or go, move in memory, or change a
    /// field the home's indexes are built from.
    quint64 structure() const { return m_structure; }

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

    Hash m_hash;
    quint64 m_structure = nextStamp();
};
