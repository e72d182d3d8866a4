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
    Q_PROPERTY(QList<QColor> samples READ sampleColors CONSTANT)

public:
    QList<HueRGB> colors;
    double shade = 0.3;

    /// Warm white stands in for an empty colour list; an absent brightness counts as full.
    static Glow make(QList<HueRGB> colors, std::optional<double> brightness);

    /// The gradient stops from the leading to the trailing edge, evenly spaced.
    /// A single colour is used twice so the fill is even.
    QList<HueRGB> fill() const;

    /// The fill sampled at sampleCount evenly spaced positions. With up to four
    /// colours every stop of fill() falls on a sample, so a gradient through
    /// the samples is the same gradient; a fixed count lets each stop animate.
    static constexpr int sampleCount = 7;
    QList<HueRGB> samples() const;

    QList<QColor> colorList() const;
    QList<QColor> fillColors() const;
    QList<QColor> sampleColors() const;

    friend bool operator==(const Glow &, const Glow &) = default;
};
