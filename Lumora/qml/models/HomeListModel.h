#pragma once

#include "KeyedListModel.h"
#include "LumoraStore.h"

#include <QPointer>
#include <QQmlParserStatus>
#include <QtQml/qqmlregistration.h>

struct HueGroup;
struct HueLight;
struct HueScene;

/// A list of the home shown by a grid or the sidebar: it follows the store's
/// snapshot, its favourites and the saved order of its list, and updates its
/// rows in place. Subclasses say which records it holds.
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

    /// The card values of one record, in the order of the role lists below;
    /// shared with single-record lookups so that both always agree.
    static QList<QByteArray> groupRoles();
    static QVariantList groupValues(const HueGroup &group, bool isFavorite);
    static QList<QByteArray> lightRoles();
    static QVariantList lightValues(const HueLight &light, bool isFavorite);
    static QList<QByteArray> sceneRoles();
    static QVariantList sceneValues(const HueScene &scene, const QVariant &groupName, bool isFavorite);

Q_SIGNALS:
    void storeChanged();
    void orderListChanged();

protected:
    /// The rows in display order (the saved order is applied by the caller).
    virtual QList<Row> rows() const { return {}; }
    /// Recomputes the rows; subclasses call it when a property of theirs changes.
    void refill();

private:
    QPointer<LumoraStore> m_store;
    bool m_completing = false;
};
