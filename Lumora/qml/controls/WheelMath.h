#pragma once

#include "HueRGB.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QtQml/qqmlregistration.h>

/// A point picked on the colour wheel.
struct WheelPick
{
    Q_GADGET
    QML_VALUE_TYPE(wheelPick)
    Q_PROPERTY(QPointF marker MEMBER marker CONSTANT)
    Q_PROPERTY(QColor color READ qColor CONSTANT)

public:
    /// Where the marker is drawn: the pointer pulled back onto the disc.
    QPointF marker;
    /// The colour at that point, always at full brightness.
    HueRGB color;

    QColor qColor() const;

    friend bool operator==(const WheelPick &, const WheelPick &) = default;
};

/// The hue/saturation wheel of the colour picker: hue runs clockwise from the
/// right (screen coordinates, y down), saturation from the centre to the rim.
namespace WheelMath {

/// The 13 rim colours for hue 0, 1/12, …, 1 at full saturation and brightness.
QList<HueRGB> hues();

WheelPick pick(QPointF at, QPointF center, double radius);

/// Where a colour sits on the wheel (brightness plays no part).
QPointF point(HueRGB color, QPointF center, double radius);

} // namespace WheelMath

/// The wheel as the colour picker's QML reads it.
class WheelRules : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE QList<QColor> hues() const;
    Q_INVOKABLE WheelPick pick(double x, double y, double centerX, double centerY, double radius) const;
    Q_INVOKABLE QPointF point(const QColor &color, double centerX, double centerY, double radius) const;
};
