#pragma once

#include "Glow.h"

#include <QColor>
#include <QObject>
#include <QPointF>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

/// The tested rules of the building blocks, offered to QML so that the views
/// hold nothing but layout and wiring.
class UiRules : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Rules)
    QML_SINGLETON
    /// {minimum, spacing} of the column sets of card and tile grids.
    Q_PROPERTY(QVariantMap cardColumns READ cardColumns CONSTANT)
    Q_PROPERTY(QVariantMap tileColumns READ tileColumns CONSTANT)

public:
    using QObject::QObject;

    /// The German text when the user's language is German, else the English one.
    Q_INVOKABLE QString tr(const QString &german, const QString &english) const;

    QVariantMap cardColumns() const;
    QVariantMap tileColumns() const;

    /// Every system symbol name of the icon table.
    Q_INVOKABLE QStringList symbolNames() const;

    /// A glow from colours and a brightness in percent (undefined or null: full).
    Q_INVOKABLE Glow glow(const QList<QColor> &colors, const QVariant &brightness) const;

    /// Whether two glows (or nulls) paint the same.
    Q_INVOKABLE bool sameGlow(const QVariant &a, const QVariant &b) const;

    Q_INVOKABLE double brightnessFill(double width, double shown) const;
    Q_INVOKABLE double brightnessAt(double x, double width) const;
    Q_INVOKABLE double brightnessForAccessibility(double value) const;

    Q_INVOKABLE QList<QColor> wheelHues() const;
    /// {x, y, color}: the marker point and the picked colour.
    Q_INVOKABLE QVariantMap wheelPick(double x, double y, double centerX, double centerY, double radius) const;
    Q_INVOKABLE QPointF wheelPoint(const QColor &color, double centerX, double centerY, double radius) const;

    /// {lower, upper}
    Q_INVOKABLE QVariantMap whiteToneBounds(int minimum, int maximum) const;
    /// The slider value of a mirek (undefined or null: none).
    Q_INVOKABLE double whiteToneShown(const QVariant &mirek, int minimum, int maximum) const;
    Q_INVOKABLE int whiteToneMirek(double value, int minimum, int maximum) const;
    Q_INVOKABLE QList<QColor> whiteToneStops(int minimum, int maximum) const;

    /// {count, cellWidth, leading} of an adaptive column set (maximum: undefined or null for none).
    Q_INVOKABLE QVariantMap columns(double width, double minimum, const QVariant &maximum, double spacing) const;

    /// Ids whose frame ({id: rect}) holds the point, skipping the dragged id; "" for none.
    Q_INVOKABLE QString reorderTarget(double x, double y, const QVariantMap &frames, const QString &dragged) const;
    /// The new order, or null when there is none.
    Q_INVOKABLE QVariant reorderMove(const QString &dragged, const QString &target, const QStringList &order) const;
    Q_INVOKABLE QVariant reorderStep(const QString &id, int step, const QStringList &order) const;
    Q_INVOKABLE QStringList reorderSorted(const QStringList &ids, const QStringList &order) const;
};
