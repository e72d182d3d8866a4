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
    /// Every element of the window's accessibility tree, depth first, as {name, role}.
    Q_INVOKABLE QVariantList tree(QQuickItem *anyItem) const;
};
