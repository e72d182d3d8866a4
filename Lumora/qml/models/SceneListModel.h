#pragma once

#include "MemberListModel.h"

/// The scenes of one room or zone, or the favourite scenes, with the values
/// their tiles show (see SceneRow). Favourite scenes carry
/// their group's name; a group's own scenes do not.
class SceneListModel : public MemberListModel
{
    Q_OBJECT
    QML_ELEMENT

public:
    explicit SceneListModel(QObject *parent = nullptr);

protected:
    void fill() override;
};
