#pragma once

#include "HueRGB.h"

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

/// The four fixed background colours of the dark scheme; every screen is drawn on them.
class Theme : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QColor content READ content CONSTANT)
    Q_PROPERTY(QColor sidebar READ sidebar CONSTANT)
    Q_PROPERTY(QColor card READ card CONSTANT)
    Q_PROPERTY(QColor panel READ panel CONSTANT)

public:
    using QObject::QObject;

    static constexpr HueRGB contentRGB{0.094, 0.094, 0.094};
    static constexpr HueRGB sidebarRGB{0.122, 0.122, 0.122};
    static constexpr HueRGB cardRGB{0.172, 0.18, 0.192};
    static constexpr HueRGB panelRGB{0.128, 0.132, 0.14};

    static QColor color(HueRGB rgb, double opacity = 1.0);
    /// The reverse of `color`: a colour picked on screen as the kit's sRGB triple.
    static HueRGB rgb(const QColor &color);

    QColor content() const { return color(contentRGB); }
    QColor sidebar() const { return color(sidebarRGB); }
    QColor card() const { return color(cardRGB); }
    QColor panel() const { return color(panelRGB); }
};
