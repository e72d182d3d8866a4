#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

/// The rules of the brightness slider on every card: where the knob sits and
/// which brightness a pointer position means.
namespace BrightnessScale {

/// Horizontal room the knob needs at each end (half its 16-point diameter).
inline constexpr double knobInset = 8;

/// Width of the filled part of the track before the 8 points under the knob's
/// leading half: (width - 16) scaled by the shown brightness, 0 when no track remains.
double fill(double width, double shown);

/// The brightness for a pointer at x in a slider of the given width, 1 to 100.
/// Never below 1, so that dragging never switches a light off.
double value(double x, double width);

/// What setting the slider to v through accessibility tools reports.
double accessibilityValue(double v);

} // namespace BrightnessScale

/// The scale as the slider's QML reads it.
class BrightnessRules : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE double fill(double width, double shown) const { return BrightnessScale::fill(width, shown); }
    Q_INVOKABLE double at(double x, double width) const { return BrightnessScale::value(x, width); }
    Q_INVOKABLE double accessibility(double value) const { return BrightnessScale::accessibilityValue(value); }
};
