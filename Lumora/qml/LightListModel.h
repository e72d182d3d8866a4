#pragma once

#include "HomeListModel.h"

/// The lights of one room, zone or the home, or the favourite lights, with
/// the values their cards show (see HomeListModel::lightRoles).
class LightListModel : public HomeListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString groupId READ groupId WRITE setGroupId NOTIFY groupIdChanged)
    /// The favourite lights instead of a group's.
    Q_PROPERTY(bool favorites READ favorites WRITE setFavorites NOTIFY favoritesChanged)

public:
    explicit LightListModel(QObject *parent = nullptr);

    QString groupId() const { return m_groupId; }
    void setGroupId(const QString &id);
    bool favorites() const { return m_favorites; }
    void setFavorites(bool favorites);
    QString orderList() const override;

Q_SIGNALS:
    void groupIdChanged();
    void favoritesChanged();

protected:
    QList<Row> rows() const override;

private:
    QString m_groupId;
    bool m_favorites = false;
};
