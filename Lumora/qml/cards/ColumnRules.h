#pragma once

#include "GridColumns.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

/// A column set of the grids: each column at least `minimum` wide, `spacing` apart.
struct ColumnSet
{
    Q_GADGET
    QML_VALUE_TYPE(columnSet)
    Q_PROPERTY(double minimum MEMBER minimum CONSTANT)
    Q_PROPERTY(double spacing MEMBER spacing CONSTANT)

public:
    double minimum = 0;
    double spacing = 0;

    static ColumnSet of(const GridColumns &columns) { return {columns.minimum, columns.spacing}; }
};

/// The column sets of the screens' grids, as the grids' QML reads them.
class ColumnRules : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    /// Cards of lights, rooms and zones.
    Q_PROPERTY(ColumnSet cards READ cards CONSTANT)
    /// Scene tiles.
    Q_PROPERTY(ColumnSet tiles READ tiles CONSTANT)

public:
    using QObject::QObject;

    ColumnSet cards() const { return ColumnSet::of(GridColumns::cards()); }
    ColumnSet tiles() const { return ColumnSet::of(GridColumns::tiles()); }
};
