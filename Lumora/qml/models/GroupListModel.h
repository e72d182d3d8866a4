#pragma once

#include "HomeListModel.h"

/// Rooms, zones, the home group or the favourite rooms and zones, with the
/// values their cards and sidebar rows show (see GroupRow).
class GroupListModel : public HomeListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(Source source READ source WRITE setSource NOTIFY sourceChanged)

public:
    enum Source { Rooms, Zones, Home, Favorites };
    Q_ENUM(Source)

    explicit GroupListModel(QObject *parent = nullptr);

    Source source() const { return m_source; }
    void setSource(Source source);
    QString orderList() const override;

Q_SIGNALS:
    void sourceChanged();

protected:
    void fill() override;

private:
    Source m_source = Rooms;
};
