#pragma once

#include "HomeListModel.h"

/// The scenes of one room or zone, or the favourite scenes, with the values
/// their tiles show (see HomeListModel::sceneRoles). Favourite scenes carry
/// their group's name; a group's own scenes do not.
class SceneListModel : public HomeListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString groupId READ groupId WRITE setGroupId NOTIFY groupIdChanged)
    Q_PROPERTY(bool favorites READ favorites WRITE setFavorites NOTIFY favoritesChanged)

public:
    explicit SceneListModel(QObject *parent = nullptr);

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
