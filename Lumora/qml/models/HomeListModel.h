#pragma once

#include "HomeRows.h"
#include "KeyedListModel.h"
#include "LumoraStore.h"
#include "ReorderMath.h"

#include <QPointer>
#include <QQmlParserStatus>
#include <QtQml/qqmlregistration.h>

/// A list of the home shown by a grid or the sidebar: it follows the store's
/// snapshot, its favourites and the saved order of its list, and updates its
/// rows in place. Subclasses say which records it holds (see HomeRows.h).
class HomeListModel : public KeyedListModel, public QQmlParserStatus
{
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_ANONYMOUS
    Q_PROPERTY(LumoraStore *store READ store WRITE setStore NOTIFY storeChanged)
    /// The name the grid's order is saved under; empty for an unordered list.
    Q_PROPERTY(QString orderList READ orderList NOTIFY orderListChanged)

public:
    using KeyedListModel::KeyedListModel;

    LumoraStore *store() const { return m_store; }
    void setStore(LumoraStore *store);
    virtual QString orderList() const { return {}; }

    /// Saves a new order of this list (the grid's commit).
    Q_INVOKABLE void saveOrder(const QStringList &ids);

    void classBegin() override { m_completing = true; }
    void componentComplete() override;

Q_SIGNALS:
    void storeChanged();
    void orderListChanged();

protected:
    /// Recomputes the rows; subclasses call it when a property of theirs changes.
    void refill();
    /// Shows the rows of the store's home, through show(); called with a store only.
    virtual void fill() = 0;
    /// Shows `rows` in the saved order of this list.
    template<typename Row>
    void show(QList<Row> rows)
    {
        apply(ReorderMath::sorted(std::move(rows), savedOrder(),
                                  [](const Row &row) -> const QString & { return row.id(); }));
    }

private:
    QStringList savedOrder() const;

    QPointer<LumoraStore> m_store;
    bool m_completing = false;
};
