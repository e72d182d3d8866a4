#pragma once

#include <QJSValue>
#include <QObject>
#include <QQmlComponent>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

/// Makes the content of a reorderable grid's cell from the grid's component,
/// the way a view gives a delegate its row: each role of the row that the
/// content's root declares as a property (as a rule `required property <type>
/// <role>`) is set before the content completes, and follows the row from then
/// on, so that a live update reaches the card without remaking it. Roles the
/// content does not declare are left out. The row is the cell's model object
/// (the roles of a list model) or a plain object, an item of an array model,
/// whose members are set once.
class CellContent : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    /// The content as a child of `parent`, or null (with a warning) when the
    /// component cannot be made, for instance for a role the row lacks.
    Q_INVOKABLE static QQuickItem *make(QQmlComponent *component, QQuickItem *parent, const QJSValue &row);
};
