#pragma once

#include "HueRGB.h"
#include "HueValues.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <optional>

/// The white-tone slider's range of values.
struct WhiteToneBounds
{
    Q_GADGET
    QML_VALUE_TYPE(whiteToneBounds)
    Q_PROPERTY(double lower MEMBER lower CONSTANT)
    Q_PROPERTY(double upper MEMBER upper CONSTANT)

public:
    double lower = 0;
    double upper = 1;

    friend bool operator==(const WhiteToneBounds &, const WhiteToneBounds &) = default;
};

/// The white-tone slider runs from warm (left) to cool (right), the reverse of
/// the mirek scale, so its value is the mirek mirrored within the range.
namespace WhiteTone {

/// The slider's range: never empty, at least one mirek wide.
WhiteToneBounds bounds(HueMirekRange range);

/// Slider value for a mirek; an absent mirek shows the warmest end.
double shown(std::optional<int> mirek, HueMirekRange range);

/// The mirek a slider value stands for, rounded to the nearest integer.
int mirek(double value, HueMirekRange range);

/// The mirek values of the track's gradient stops, leading to trailing:
/// maximum, maximum − 20, … down to the last one not below the minimum.
QList<int> stopMireks(HueMirekRange range);

/// The tints of those stops.
QList<HueRGB> stops(HueMirekRange range);

} // namespace WhiteTone

/// The white tones as the slider's QML reads them, the range given as its
/// minimum and maximum mirek.
class WhiteToneRules : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE WhiteToneBounds bounds(int minimum, int maximum) const;
    /// The slider value of a mirek (undefined or null: none).
    Q_INVOKABLE double shown(const QVariant &mirek, int minimum, int maximum) const;
    Q_INVOKABLE int mirek(double value, int minimum, int maximum) const;
    Q_INVOKABLE QList<QColor> stops(int minimum, int maximum) const;
};
