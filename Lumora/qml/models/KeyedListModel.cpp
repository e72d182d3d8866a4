#include "KeyedListModel.h"

#include <QSet>

#include <algorithm>

namespace {
constexpr int idRole = Qt::UserRole;
}

KeyedListModel::KeyedListModel(QByteArray idRole, QList<QByteArray> roles, QObject *parent)
    : QAbstractListModel(parent)
    , m_idRole(std::move(idRole))
    , m_roles(std::move(roles))
{
}

int KeyedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant KeyedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    if (role == idRole)
        return row.id;
    const int column = role - idRole - 1;
    if (column < 0 || column >= row.values.size())
        return {};
    return row.values.at(column);
}

QHash<int, QByteArray> KeyedListModel::roleNames() const
{
    QHash<int, QByteArray> names;
    names.insert(idRole, m_idRole);
    for (int i = 0; i < m_roles.size(); ++i)
        names.insert(idRole + 1 + i, m_roles.at(i));
    return names;
}

QStringList KeyedListModel::ids() const
{
    QStringList list;
    list.reserve(m_rows.size());
    for (const Row &row : m_rows)
        list.append(row.id);
    return list;
}

int KeyedListModel::indexOf(const QString &id) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).id == id)
            return i;
    }
    return -1;
}

void KeyedListModel::changeValues(int row, const QVariantList &values)
{
    QVariantList &current = m_rows[row].values;
    QList<int> changed;
    for (int i = 0; i < values.size(); ++i) {
        if (i >= current.size() || current.at(i) != values.at(i))
            changed.append(idRole + 1 + i);
    }
    if (changed.isEmpty())
        return;
    current = values;
    ++m_statistics.changes;
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, changed);
}

void KeyedListModel::apply(QList<Row> rows)
{
    // Drop repeated ids up front; every step below relies on unique ids.
    QSet<QString> wanted;
    wanted.reserve(rows.size());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&wanted](const Row &row) {
                                  if (wanted.contains(row.id))
                                      return true;
                                  wanted.insert(row.id);
                                  return false;
                              }),
               rows.end());

    const int oldCount = int(m_rows.size());
    const QStringList oldIds = ids();
    const bool sharesAnId =
        std::any_of(m_rows.cbegin(), m_rows.cend(), [&wanted](const Row &row) { return wanted.contains(row.id); });
    if (m_rows.isEmpty() && !rows.isEmpty()) {
        beginInsertRows({}, 0, int(rows.size()) - 1);
        m_rows = std::move(rows);
        ++m_statistics.inserts;
        endInsertRows();
    } else if (!m_rows.isEmpty() && !rows.isEmpty() && !sharesAnId) {
        beginResetModel();
        m_rows = std::move(rows);
        ++m_statistics.resets;
        endResetModel();
    } else {
        for (int i = int(m_rows.size()) - 1; i >= 0; --i) {
            if (wanted.contains(m_rows.at(i).id))
                continue;
            beginRemoveRows({}, i, i);
            m_rows.removeAt(i);
            ++m_statistics.removes;
            endRemoveRows();
        }
        for (int target = 0; target < rows.size(); ++target) {
            const Row &row = rows.at(target);
            if (target < m_rows.size() && m_rows.at(target).id == row.id) {
                changeValues(target, row.values);
                continue;
            }
            int found = -1;
            for (int i = target + 1; i < m_rows.size(); ++i) {
                if (m_rows.at(i).id == row.id) {
                    found = i;
                    break;
                }
            }
            if (found >= 0) {
                beginMoveRows({}, found, found, {}, target);
                m_rows.move(found, target);
                ++m_statistics.moves;
                endMoveRows();
                changeValues(target, row.values);
            } else {
                beginInsertRows({}, target, target);
                m_rows.insert(target, row);
                ++m_statistics.inserts;
                endInsertRows();
            }
        }
    }
    if (m_rows.size() != oldCount)
        Q_EMIT countChanged();
    if (ids() != oldIds)
        Q_EMIT idsChanged();
}
