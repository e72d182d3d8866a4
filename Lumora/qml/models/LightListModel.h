#pragma once

#include "MemberListModel.h"

/// The lights of one room, zone or the home, or the favourite lights, with
/// the values their cards show (see LightRow).
class LightListModel : public MemberListModel
{
    Q_OBJECT
    QML_ELEMENT

public:
    explicit LightListModel(QObject *parent = nullptr);

protected:
    void fill() override;
};
