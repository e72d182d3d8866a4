#pragma once

#include "HueRGB.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <optional>

/// How a lit light or group paints its card: the colours of its lit lights
/// and how far the card is darkened towards the bottom as they are dimmed.
struct Glow
{
    Q_GADGET
    QML_VALUE_TYPE(glow)
    Q_PROPERTY(QList<QColor> colors READ colorList CONSTANT)
    Q_PROPERTY(double shade MEMBER shade CONSTANT)
    Q_PROPERTY(QList<QColor> fill READ fillColors CONSTANT)
    Q_PROPERTY(QList<QColor> stopColors READ stopColors CONSTANT)
    Q_PROPERTY(QList<double> stopPositions READ stopPositions CONSTANT)

public:
    QList<HueRGB> colors;
    double shade = 0.3;

    /// Warm white stands in for an empty colour list; an absent brightness counts as full.
    static Glow make(QList<HueRGB> colors, std::optional<double> brightness);

    /// The gradient stops from the leading to the trailing edge, evenly spaced.
    /// A single colour is used twice so the fill is even.
    QList<HueRGB> fill() const;

    /// The fill as exactly stopCount gradient stops, so that a view can draw
    /// it with a fixed set of stops: the fill's colours at their own positions,
    /// the last one repeated at the trailing edge. Every glow the screens make
    /// (a scene's swatch has the most, five) is drawn exactly; colours beyond
    /// the fifth are left out.
    static constexpr int stopCount = 5;
    struct Stop
    {
        double position = 0;
        HueRGB color;

        friend bool operator==(const Stop &, const Stop &) = default;
    };
    QList<Stop> stops() const;

    QList<QColor> colorList() const;
    QList<QColor> fillColors() const;
    QList<QColor> stopColors() const;
    QList<double> stopPositions() const;

    friend bool operator==(const Glow &, const Glow &) = default;
};
