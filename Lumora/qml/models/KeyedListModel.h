#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

/// A list model keyed by id that takes a complete new list and applies only
/// the difference: removed ids are removed, new ones inserted, reordered ones
/// moved, and changed values reported for their roles alone. Delegates thus
/// survive every live update — a running drag, an open popover or a hover is
/// never interrupted — and an update redraws only the cards it touches. A
/// reset happens only when the new list shares no id with the old one (a
/// different bridge's home).
class KeyedListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(QStringList ids READ ids NOTIFY idsChanged)

public:
    struct Row
    {
        QString id;
        /// One value per role of roles(), in that order.
        QVariantList values;

        friend bool operator==(const Row &, const Row &) = default;
    };

    /// `idRole` names the id's role, `roles` the roles after it.
    KeyedListModel(QByteArray idRole, QList<QByteArray> roles, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return int(m_rows.size()); }
    QStringList ids() const;
    Q_INVOKABLE int indexOf(const QString &id) const;

    /// Counters of what updates did, for tests and benchmarks.
    struct Statistics
    {
        int resets = 0;
        int inserts = 0;
        int removes = 0;
        int moves = 0;
        int changes = 0;
    };
    const Statistics &statistics() const { return m_statistics; }

    /// Makes the model show `rows`. Ids are expected to be unique; a repeated
    /// id keeps its first row.
    void apply(QList<Row> rows);

Q_SIGNALS:
    void countChanged();
    void idsChanged();

private:
    void changeValues(int row, const QVariantList &values);

    QByteArray m_idRole;
    QList<QByteArray> m_roles;
    QList<Row> m_rows;
    Statistics m_statistics;
};
