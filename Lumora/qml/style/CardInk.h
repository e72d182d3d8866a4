#pragma once

#include "Glow.h"

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <optional>

/// How a card's text is drawn so that it reads on whatever the card shows: the
/// colour of its name and caption, and the darkening laid over its paint from
/// the top to the bottom edge. Chosen by rule so that the caption, the
/// weakest text, keeps a contrast of at least `minimumContrast` against every
/// point of the card's background, for any glow and also while the card is
/// dimmed (an unreachable light) over the dark screen behind it.
struct CardInk
{
    Q_GADGET
    QML_VALUE_TYPE(cardInk)
    Q_PROPERTY(QColor text READ textColor CONSTANT)
    Q_PROPERTY(QColor caption READ captionColor CONSTANT)
    Q_PROPERTY(double scrimTop MEMBER scrimTop CONSTANT)
    Q_PROPERTY(double scrimBottom MEMBER scrimBottom CONSTANT)
    Q_PROPERTY(bool dark MEMBER dark CONSTANT)

public:
    /// Dark text on a light glow; white text otherwise.
    bool dark = false;
    /// The opacity of the black laid over the card's paint at its top and bottom edge.
    double scrimTop = 0;
    double scrimBottom = 0;
    /// The caption is the text colour at this opacity.
    double captionOpacity = 0.8;

    /// WCAG AA for normal text.
    static constexpr double minimumContrast = 4.5;
    /// How opaque a dimmed card is drawn.
    static constexpr double dimmedOpacity = 0.6;
    static constexpr HueRGB darkRGB{0.08, 0.08, 0.08};
    /// White text keeps a glow's look, so it is kept while it needs no more
    /// darkening than this; beyond it, dark text is used where it reads.
    static constexpr double whiteScrimLimit = 0.3;

    /// The ink of a card painted with `glow`, or of an unlit card without one.
    static CardInk make(const std::optional<Glow> &glow, bool dimmed);

    /// The WCAG contrast ratio of two opaque colours, from 1 to 21.
    static double contrast(HueRGB a, HueRGB b);
    /// WCAG relative luminance.
    static double luminance(HueRGB rgb);

    HueRGB ink() const;
    QColor textColor() const;
    QColor captionColor() const;

    friend bool operator==(const CardInk &, const CardInk &) = default;
};
