#include "KeyedListModel.h"

#include <QSet>

KeyedListModel::KeyedListModel(std::unique_ptr<Rows> rows, QObject *parent)
    : QAbstractListModel(parent)
    , m_rows(std::move(rows))
{
}

KeyedListModel::~KeyedListModel() = default;

int KeyedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant KeyedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows->size())
        return {};
    return m_rows->value(index.row(), role);
}

QHash<int, QByteArray> KeyedListModel::roleNames() const
{
    return m_rows->roleNames();
}

int KeyedListModel::count() const
{
    return int(m_rows->size());
}

QStringList KeyedListModel::ids() const
{
    QStringList list;
    list.reserve(m_rows->size());
    for (qsizetype i = 0; i < m_rows->size(); ++i)
        list.append(m_rows->id(i));
    return list;
}

int KeyedListModel::indexOf(const QString &id) const
{
    for (qsizetype i = 0; i < m_rows->size(); ++i) {
        if (m_rows->id(i) == id)
            return int(i);
    }
    return -1;
}

void KeyedListModel::clear()
{
    applyRows(m_rows->empty());
}

void KeyedListModel::changeValues(int row, const Rows &next, int from)
{
    const QList<int> changed = m_rows->update(row, next, from);
    if (changed.isEmpty())
        return;
    ++m_statistics.changes;
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, changed);
}

void KeyedListModel::applyRows(std::unique_ptr<Rows> next)
{
    // Drop repeated ids up front; every step below relies on unique ids.
    QSet<QString> wanted;
    wanted.reserve(next->size());
    for (qsizetype i = 0; i < next->size();) {
        if (wanted.contains(next->id(i))) {
            next->remove(i);
        } else {
            wanted.insert(next->id(i));
            ++i;
        }
    }

    const int oldCount = count();
    const Statistics before = m_statistics;
    bool sharesAnId = false;
    for (qsizetype i = 0; i < m_rows->size() && !sharesAnId; ++i)
        sharesAnId = wanted.contains(m_rows->id(i));
    if (m_rows->size() == 0 && next->size() > 0) {
        beginInsertRows({}, 0, int(next->size()) - 1);
        m_rows = std::move(next);
        ++m_statistics.inserts;
        endInsertRows();
    } else if (m_rows->size() > 0 && next->size() > 0 && !sharesAnId) {
        beginResetModel();
        m_rows = std::move(next);
        ++m_statistics.resets;
        endResetModel();
    } else {
        for (int i = count() - 1; i >= 0; --i) {
            if (wanted.contains(m_rows->id(i)))
                continue;
            beginRemoveRows({}, i, i);
            m_rows->remove(i);
            ++m_statistics.removes;
            endRemoveRows();
        }
        for (int target = 0; target < next->size(); ++target) {
            const QString &id = next->id(target);
            if (target < count() && m_rows->id(target) == id) {
                changeValues(target, *next, target);
                continue;
            }
            int found = -1;
            for (int i = target + 1; i < count(); ++i) {
                if (m_rows->id(i) == id) {
                    found = i;
                    break;
                }
            }
            if (found >= 0) {
                beginMoveRows({}, found, found, {}, target);
                m_rows->move(found, target);
                ++m_statistics.moves;
                endMoveRows();
                changeValues(target, *next, target);
            } else {
                beginInsertRows({}, target, target);
                m_rows->insert(target, *next, target);
                ++m_statistics.inserts;
                endInsertRows();
            }
        }
    }
    if (count() != oldCount)
        Q_EMIT countChanged();
    // Every step but a change of values changes the ids or their order.
    const Statistics &after = m_statistics;
    if (after.inserts != before.inserts || after.removes != before.removes || after.moves != before.moves
        || after.resets != before.resets)
        Q_EMIT idsChanged();
}
