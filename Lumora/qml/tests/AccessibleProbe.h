#pragma once

#include <QObject>
#include <QVariantMap>

class QQuickItem;

/// What assistive technologies see of an item, read through the same
/// accessibility interfaces they use, for the QML tests.
class AccessibleProbe : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// {role, name, description, value, minimum, maximum, actions} and the states
    /// checked, checkable, selected, disabled, focusable;
    /// an empty map when the item has no interface of its own.
    Q_INVOKABLE QVariantMap describe(QQuickItem *item) const;
    /// Runs a named action as an assistive technology would; false when the item does not offer it.
    Q_INVOKABLE bool doAction(QQuickItem *item, const QString &name) const;
    /// Sets the value as an assistive technology would.
    Q_INVOKABLE bool setValue(QQuickItem *item, double value) const;
    /// The names of every element in the window's accessibility tree, depth first.
    Q_INVOKABLE QStringList treeNames(QQuickItem *anyItem) const;
    /// The roles of every element in the window's accessibility tree.
    Q_INVOKABLE QList<int> treeRoles(QQuickItem *anyItem) const;
};
