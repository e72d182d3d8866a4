#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <utility>

/// A member of a row as QML sees it: an empty optional is null. Types that QML
/// needs in another form have an overload of their own beside their row.
template<typename T>
QVariant qmlValue(const T &value)
{
    return QVariant::fromValue(value);
}

template<typename T>
QVariant qmlValue(const std::optional<T> &value)
{
    return value ? qmlValue(*value) : QVariant::fromValue(nullptr);
}

/// The value of one role of a row (see KeyedListModel for what a row is), or
/// an invalid value for a role the row does not have.
template<typename Row>
QVariant roleValue(const Row &row, int role)
{
    if (role <= Qt::UserRole || role > Row::lastRole)
        return {};
    return Row::member(typename Row::Role(role), [&row](auto member) { return qmlValue(row.*member); });
}

/// A list model keyed by id that takes a complete new list and applies only
/// the difference: removed ids are removed, new ones inserted, reordered ones
/// moved, and changed values reported for their roles alone. Delegates thus
/// survive every live update — a running drag, an open popover or a hover is
/// never interrupted — and an update redraws only the cards it touches. A
/// reset happens only when the new list shares no id with the old one (a
/// different bridge's home).
///
/// A model holds rows of one type, a struct with a member per role and:
/// an enum `Role` of its roles, from Qt::UserRole + 1 up to `lastRole`;
/// `static QHash<int, QByteArray> roleNames()`; `const QString &id() const`;
/// and `static auto member(Role, Use)`, which calls `use` with the pointer to
/// the member that holds the role. Values are compared member by member, so
/// a change is found without making a QVariant of either side.
class KeyedListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(QStringList ids READ ids NOTIFY idsChanged)

    class Rows;
    template<typename Row>
    class RowsOf;

public:
    /// A model of rows of type `Row`.
    template<typename Row>
    explicit KeyedListModel(std::in_place_type_t<Row>, QObject *parent = nullptr);
    ~KeyedListModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const;
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

    /// Makes the model show `rows`, of the model's own row type. Ids are
    /// expected to be unique; a repeated id keeps its first row.
    template<typename Row>
    void apply(QList<Row> rows);
    /// Makes the model show no rows.
    void clear();

Q_SIGNALS:
    void countChanged();
    void idsChanged();

private:
    KeyedListModel(std::unique_ptr<Rows> rows, QObject *parent);
    void applyRows(std::unique_ptr<Rows> next);
    void changeValues(int row, const Rows &next, int from);

    std::unique_ptr<Rows> m_rows;
    Statistics m_statistics;
};

/// The rows of a model with their type erased: what the difference needs of them.
class KeyedListModel::Rows
{
public:
    virtual ~Rows() = default;
    virtual std::unique_ptr<Rows> empty() const = 0;
    virtual QHash<int, QByteArray> roleNames() const = 0;
    virtual qsizetype size() const = 0;
    virtual const QString &id(qsizetype row) const = 0;
    virtual QVariant value(qsizetype row, int role) const = 0;
    virtual void remove(qsizetype row) = 0;
    virtual void move(qsizetype from, qsizetype to) = 0;
    /// Inserts row `from` of `next`, a list of the same type, at `at`.
    virtual void insert(qsizetype at, const Rows &next, qsizetype from) = 0;
    /// Gives row `at` the values of row `from` of `next`; returns the roles
    /// whose values changed.
    virtual QList<int> update(qsizetype at, const Rows &next, qsizetype from) = 0;
};

template<typename Row>
class KeyedListModel::RowsOf final : public Rows
{
public:
    explicit RowsOf(QList<Row> rows = {})
        : m_list(std::move(rows))
    {
    }

    std::unique_ptr<Rows> empty() const override { return std::make_unique<RowsOf>(); }
    QHash<int, QByteArray> roleNames() const override { return Row::roleNames(); }
    qsizetype size() const override { return m_list.size(); }
    const QString &id(qsizetype row) const override { return m_list.at(row).id(); }
    QVariant value(qsizetype row, int role) const override { return roleValue(m_list.at(row), role); }
    void remove(qsizetype row) override { m_list.removeAt(row); }
    void move(qsizetype from, qsizetype to) override { m_list.move(from, to); }
    void insert(qsizetype at, const Rows &next, qsizetype from) override { m_list.insert(at, of(next).at(from)); }

    QList<int> update(qsizetype at, const Rows &next, qsizetype from) override
    {
        Row &row = m_list[at];
        const Row &update = of(next).at(from);
        QList<int> changed;
        for (int role = Qt::UserRole + 1; role <= Row::lastRole; ++role) {
            if (!Row::member(typename Row::Role(role), [&](auto member) { return row.*member == update.*member; }))
                changed.append(role);
        }
        if (!changed.isEmpty())
            row = update;
        return changed;
    }

private:
    static const QList<Row> &of(const Rows &rows) { return static_cast<const RowsOf &>(rows).m_list; }

    QList<Row> m_list;
};

template<typename Row>
KeyedListModel::KeyedListModel(std::in_place_type_t<Row>, QObject *parent)
    : KeyedListModel(std::make_unique<RowsOf<Row>>(), parent)
{
}

template<typename Row>
void KeyedListModel::apply(QList<Row> rows)
{
    Q_ASSERT(dynamic_cast<const RowsOf<Row> *>(m_rows.get()));
    applyRows(std::make_unique<RowsOf<Row>>(std::move(rows)));
}
