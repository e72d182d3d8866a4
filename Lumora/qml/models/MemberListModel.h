#pragma once

#include "HomeListModel.h"

/// A list of one room's or zone's members (its lights or its scenes), or of
/// the favourites of that kind: the part the light and scene lists share.
class MemberListModel : public HomeListModel
{
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(QString groupId READ groupId WRITE setGroupId NOTIFY groupIdChanged)
    /// The favourites of this kind instead of a group's members.
    Q_PROPERTY(bool favorites READ favorites WRITE setFavorites NOTIFY favoritesChanged)

public:
    /// `orderPrefix` + group id names a group's order ("lights.", "scenes.");
    /// `favoritesOrder` the favourites' order.
    template<typename Row>
    MemberListModel(std::in_place_type_t<Row> rows, QString orderPrefix, QString favoritesOrder, QObject *parent)
        : HomeListModel(rows, parent)
        , m_orderPrefix(std::move(orderPrefix))
        , m_favoritesOrder(std::move(favoritesOrder))
    {
    }

    QString groupId() const { return m_groupId; }
    void setGroupId(const QString &id);
    bool favorites() const { return m_favorites; }
    void setFavorites(bool favorites);
    QString orderList() const override;

Q_SIGNALS:
    void groupIdChanged();
    void favoritesChanged();

private:
    QString m_orderPrefix;
    QString m_favoritesOrder;
    QString m_groupId;
    bool m_favorites = false;
};
