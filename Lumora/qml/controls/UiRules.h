#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

/// What every screen says, in the user's language. The rules of the single
/// building blocks are singletons of their own (BrightnessRules, WheelRules,
/// WhiteToneRules, StyleRules, ColumnRules).
class UiRules : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Rules)
    QML_SINGLETON

public:
    using QObject::QObject;

    /// The German text when the user's language is German, else the English one.
    Q_INVOKABLE QString tr(const QString &german, const QString &english) const;

    // The reorderable grid's layout, until it is laid out in C++.
    /// {count, cellWidth, leading} of an adaptive column set (maximum: undefined or null for none).
    Q_INVOKABLE QVariantMap columns(double width, double minimum, const QVariant &maximum, double spacing) const;
    /// Ids whose frame ({id: rect}) holds the point, skipping the dragged id; "" for none.
    Q_INVOKABLE QString reorderTarget(double x, double y, const QVariantMap &frames, const QString &dragged) const;
    /// The new order, or null when there is none.
    Q_INVOKABLE QVariant reorderMove(const QString &dragged, const QString &target, const QStringList &order) const;
    Q_INVOKABLE QVariant reorderStep(const QString &id, int step, const QStringList &order) const;
    Q_INVOKABLE QStringList reorderSorted(const QStringList &ids, const QStringList &order) const;
};
